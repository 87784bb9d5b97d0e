#include "host/base/database/sqlite_open_helper.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/util/file.h"
#include "host/util/scoped_temp_dir.h"

namespace base::database {
namespace {

using Column = SQLiteOpenHelper::DatabaseUpgradeColumn;

// Schema history of the test table "rec": v1 id+a, v2 b, v3 c, v4 d (and table "extra"), v5 e.
constexpr Column kUpgradeList[] = {
    {1, "rec", "TEXT", "a", ""},          {1, "rec", "TEXT", "v1_never_added", ""},
    {2, "rec", "INT", "b", "0"},          {2, "rec", "INT", "v2_never_added", "0"},
    {3, "rec", "INT", "c", "0"},
    {3, "rec", "TEXT", "a", "dup"},       {4, "rec", "BOOLEAN", "d", "false"},
    {4, "extra", "TEXT", "note", "it's"}, {5, "rec", "TEXT", "e", "quote ' and \" inside"},
};
constexpr int kUpgradeCount = sizeof kUpgradeList / sizeof kUpgradeList[0];

class RecordingHelper : public SQLiteOpenHelper {
 public:
  using SQLiteOpenHelper::SQLiteOpenHelper;

  bool OnCreate(const std::shared_ptr<SQLiteDatabase>& db) override {
    calls.push_back("create");
    return db->Execute("CREATE TABLE IF NOT EXISTS rec(id INTEGER PRIMARY KEY, a TEXT, b INT, c INT, d BOOLEAN, e TEXT)") &&
           db->Execute("CREATE TABLE IF NOT EXISTS extra(id INTEGER PRIMARY KEY, note TEXT)");
  }
  bool OnOpen(const std::shared_ptr<SQLiteDatabase>&) override {
    calls.push_back("open");
    return true;
  }
  bool OnConfigure(const std::shared_ptr<SQLiteDatabase>&) override {
    calls.push_back("configure");
    return true;
  }
  bool OnDowngrade(const std::shared_ptr<SQLiteDatabase>&, int old_version, int new_version) override {
    calls.push_back("downgrade " + std::to_string(old_version) + "->" + std::to_string(new_version));
    return true;
  }
  bool OnUpgrade(const std::shared_ptr<SQLiteDatabase>& db, int old_version, int new_version) override {
    calls.push_back("upgrade " + std::to_string(old_version) + "->" + std::to_string(new_version));
    // Tables that did not exist at the old version appear whole; the rest gain their columns.
    if (!db->Execute("CREATE TABLE IF NOT EXISTS extra(id INTEGER PRIMARY KEY)")) return false;
    return UpgradeColumn(db, old_version, new_version, kUpgradeList, kUpgradeCount) && !fail_upgrade;
  }

  std::vector<std::string> calls;
  bool fail_upgrade = false;
};

class CorruptRecorder : public SQLiteOpenHelper::Delegate {
 public:
  void OnCorruptDatabaseReplaced(const std::string& path, const std::string& moved_to) override {
    replaced.emplace_back(path, moved_to);
  }
  std::vector<std::pair<std::string, std::string>> replaced;
};

std::vector<std::string> ColumnsOf(const std::shared_ptr<SQLiteDatabase>& db, const std::string& table) {
  std::vector<std::string> names;
  auto query = db->Compile("SELECT name FROM pragma_table_info(?) ORDER BY cid");
  query->BindText(1, table);
  while (query->Step() == SQLiteStatement::StepResult::kRow) names.push_back(query->ColumnText(0));
  return names;
}

class SQLiteOpenHelperTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.valid()); }

  // A file as version 2 of the schema left it, with one row written then.
  void MakeVersion2File() {
    ASSERT_TRUE(util::file::MakePath(dir_.Child("db")));
    auto db = OpenOrCreateDatabase(path());
    ASSERT_TRUE(db);
    ASSERT_TRUE(db->Execute("CREATE TABLE rec(id INTEGER PRIMARY KEY, a TEXT, b INT)"));
    ASSERT_TRUE(db->Execute("INSERT INTO rec(a, b) VALUES ('old', 2)"));
    ASSERT_TRUE(db->SetUserVersion(2));
  }

  std::string path() const { return dir_.Child("db/records.db"); }

  util::file::ScopedTempDir dir_;
};

TEST_F(SQLiteOpenHelperTest, NewFileIsCreatedOnceAndStoresTheVersion) {
  RecordingHelper helper(dir_.Child("db"));
  ASSERT_TRUE(helper.OpenOrCreate(path(), 5, "", false, nullptr));
  EXPECT_EQ(helper.calls, (std::vector<std::string>{"configure", "create", "open"}));
  ASSERT_TRUE(helper.GetDatabase());
  EXPECT_EQ(helper.GetDatabase()->GetUserVersion(), 5);
  EXPECT_EQ(helper.GetDatabase()->JournalMode(), "wal");

  RecordingHelper again(dir_.Child("db"));
  ASSERT_TRUE(again.OpenOrCreate(path(), 5, "", false, nullptr));
  EXPECT_EQ(again.calls, (std::vector<std::string>{"configure", "open"}));
}

TEST_F(SQLiteOpenHelperTest, UpgradeFromVersion2AddsOnlyTheNewerColumns) {
  ASSERT_NO_FATAL_FAILURE(MakeVersion2File());
  RecordingHelper helper(dir_.Child("db"));
  ASSERT_TRUE(helper.OpenOrCreate(path(), 5, "", false, nullptr));
  EXPECT_EQ(helper.calls, (std::vector<std::string>{"configure", "upgrade 2->5", "open"}));
  auto db = helper.GetDatabase();
  EXPECT_EQ(db->GetUserVersion(), 5);
  // "v1_never_added" and "v2_never_added" are not there: entries at or below the old version are
  // not applied, even when the column is missing.
  EXPECT_EQ(ColumnsOf(db, "rec"), (std::vector<std::string>{"id", "a", "b", "c", "d", "e"}));
  EXPECT_EQ(ColumnsOf(db, "extra"), (std::vector<std::string>{"id", "note"}));

  // The old row reads the new columns' defaults with their column types.
  auto row = db->Compile("SELECT a, b, typeof(c), c, typeof(d), d, e FROM rec");
  ASSERT_EQ(row->Step(), SQLiteStatement::StepResult::kRow);
  EXPECT_EQ(row->ColumnText(0), "old");
  EXPECT_EQ(row->ColumnInt(1), 2);
  EXPECT_EQ(row->ColumnText(2), "integer");
  EXPECT_EQ(row->ColumnInt(3), 0);
  EXPECT_EQ(row->ColumnText(4), "integer");
  EXPECT_FALSE(row->ColumnBool(5));
  EXPECT_EQ(row->ColumnText(6), "quote ' and \" inside");
  ASSERT_TRUE(db->Execute("INSERT INTO extra(id) VALUES (1)"));
  auto note = db->Compile("SELECT note FROM extra");
  ASSERT_EQ(note->Step(), SQLiteStatement::StepResult::kRow);
  EXPECT_EQ(note->ColumnText(0), "it's");
}

TEST_F(SQLiteOpenHelperTest, FailedUpgradeRollsBackColumnsAndVersion) {
  ASSERT_NO_FATAL_FAILURE(MakeVersion2File());
  RecordingHelper helper(dir_.Child("db"));
  helper.fail_upgrade = true;
  EXPECT_FALSE(helper.OpenOrCreate(path(), 5, "", false, nullptr));
  EXPECT_EQ(helper.GetDatabase(), nullptr);
  auto db = OpenOrCreateDatabase(path());
  EXPECT_EQ(db->GetUserVersion(), 2);
  EXPECT_EQ(ColumnsOf(db, "rec"), (std::vector<std::string>{"id", "a", "b"}));
  EXPECT_FALSE(db->TableExists("extra"));

  // The next open tries again from version 2.
  RecordingHelper retry(dir_.Child("db"));
  ASSERT_TRUE(retry.OpenOrCreate(path(), 5, "", false, nullptr));
  EXPECT_EQ(retry.calls[1], "upgrade 2->5");
}

TEST_F(SQLiteOpenHelperTest, UpgradeColumnSkipsColumnsThatExist) {
  auto db = OpenOrCreateDatabase(dir_.Child("plain.db"));
  ASSERT_TRUE(db->Execute("CREATE TABLE rec(id INTEGER PRIMARY KEY, a TEXT, b INT, c INT)"));
  ASSERT_TRUE(db->Execute("CREATE TABLE extra(id INTEGER PRIMARY KEY)"));
  // Versions 0..5 take every entry; a, b, c exist already and are left alone.
  EXPECT_TRUE(SQLiteOpenHelper::UpgradeColumn(db, 0, 5, kUpgradeList, kUpgradeCount));
  EXPECT_EQ(ColumnsOf(db, "rec"), (std::vector<std::string>{"id", "a", "b", "c", "v1_never_added", "v2_never_added", "d", "e"}));
  // Running it twice changes nothing and still succeeds.
  EXPECT_TRUE(SQLiteOpenHelper::UpgradeColumn(db, 0, 5, kUpgradeList, kUpgradeCount));
}

TEST_F(SQLiteOpenHelperTest, UpgradeColumnReportsWhatCannotBeAdded) {
  auto db = OpenOrCreateDatabase(dir_.Child("plain.db"));
  ASSERT_TRUE(db->Execute("CREATE TABLE rec(id INTEGER PRIMARY KEY)"));
  const Column list[] = {
      {1, "missing_table", "INT", "x", "0"},
      {1, "rec", "INT; DROP TABLE rec", "y", "0"},
      {1, "rec", "INT", "z", "0"},
  };
  EXPECT_FALSE(SQLiteOpenHelper::UpgradeColumn(db, 0, 1, list, 3));
  EXPECT_EQ(ColumnsOf(db, "rec"), (std::vector<std::string>{"id", "z"}));
  EXPECT_FALSE(SQLiteOpenHelper::UpgradeColumn(nullptr, 0, 1, list, 3));
}

TEST_F(SQLiteOpenHelperTest, NewerFileIsDowngradedInPlace) {
  {
    RecordingHelper helper(dir_.Child("db"));
    ASSERT_TRUE(helper.OpenOrCreate(path(), 7, "", false, nullptr));
  }
  RecordingHelper helper(dir_.Child("db"));
  ASSERT_TRUE(helper.OpenOrCreate(path(), 5, "", false, nullptr));
  EXPECT_EQ(helper.calls, (std::vector<std::string>{"configure", "downgrade 7->5", "open"}));
  EXPECT_EQ(helper.GetDatabase()->GetUserVersion(), 5);
}

TEST_F(SQLiteOpenHelperTest, KeyAndVersionAreChecked) {
  RecordingHelper helper(dir_.Child("db"));
  EXPECT_FALSE(helper.OpenOrCreate(path(), 5, "secret", false, nullptr));
  EXPECT_FALSE(helper.OpenOrCreate(path(), 0, "", false, nullptr));
  EXPECT_TRUE(helper.calls.empty());
  EXPECT_FALSE(util::file::IsFileExist(path()));
}

TEST_F(SQLiteOpenHelperTest, CorruptFileIsKeptUnlessTheFlagAllowsReplacing) {
  ASSERT_TRUE(util::file::MakePath(dir_.Child("db")));
  const std::string junk(8192, 'x');
  ASSERT_TRUE(util::file::WriteFileAtomically(path(), junk));

  RecordingHelper refuse(dir_.Child("db"));
  CorruptRecorder delegate;
  EXPECT_FALSE(refuse.OpenOrCreate(path(), 5, "", false, &delegate));
  EXPECT_TRUE(delegate.replaced.empty());
  std::string contents;
  ASSERT_TRUE(util::file::ReadFileToString(path(), &contents));
  EXPECT_EQ(contents, junk);

  RecordingHelper replace(dir_.Child("db"));
  ASSERT_TRUE(replace.OpenOrCreate(path(), 5, "", true, &delegate));
  ASSERT_EQ(delegate.replaced.size(), 1u);
  EXPECT_EQ(delegate.replaced[0].first, path());
  ASSERT_TRUE(util::file::ReadFileToString(delegate.replaced[0].second, &contents));
  EXPECT_EQ(contents, junk);
  EXPECT_EQ(replace.calls, (std::vector<std::string>{"configure", "create", "open"}));
  EXPECT_EQ(replace.GetDatabase()->GetUserVersion(), 5);
}

}  // namespace
}  // namespace base::database
