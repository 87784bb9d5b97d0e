#include "host/base/database/sqlite_sql_builder.h"

#include <gtest/gtest.h>

#include "host/base/database/sqlite_database.h"
#include "host/util/scoped_temp_dir.h"

namespace base::database {
namespace {

TEST(SQLiteSqlBuilderTest, BuildsEachStatementKind) {
  SQLiteSqlBuilder builder("local_record_data");
  builder.Where("app_id = ? AND app_uid = ?").OrderBy("start_record_time DESC");
  EXPECT_EQ(builder.BuildQuery(),
            "SELECT * FROM local_record_data WHERE app_id = ? AND app_uid = ? ORDER BY start_record_time DESC");
  EXPECT_EQ(builder.BuildCount(), "SELECT COUNT(*) FROM local_record_data WHERE app_id = ? AND app_uid = ?");
  EXPECT_EQ(builder.BuildDelete(), "DELETE FROM local_record_data WHERE app_id = ? AND app_uid = ?");

  builder.Columns({"record_title", "width"}).Limit(21, 40);
  EXPECT_EQ(builder.BuildQuery(),
            "SELECT record_title, width FROM local_record_data WHERE app_id = ? AND app_uid = ? "
            "ORDER BY start_record_time DESC LIMIT 21 OFFSET 40");
  EXPECT_EQ(builder.BuildUpdate(), "UPDATE local_record_data SET record_title =? , width =?  WHERE app_id = ? AND app_uid = ?");
  EXPECT_EQ(builder.BuildInsert(), "INSERT INTO local_record_data(record_title, width) VALUES (?, ?)");
}

TEST(SQLiteSqlBuilderTest, StatementsWithoutConditionCoverTheTable) {
  EXPECT_EQ(SQLiteSqlBuilder("t").BuildDelete(), "DELETE FROM t");
  EXPECT_EQ(SQLiteSqlBuilder("t").BuildQuery(), "SELECT * FROM t");
  // Update and insert need columns.
  EXPECT_EQ(SQLiteSqlBuilder("t").BuildUpdate(), "");
  EXPECT_EQ(SQLiteSqlBuilder("t").BuildInsert(), "");
}

TEST(SQLiteSqlBuilderTest, NamesThatAreNotIdentifiersGiveNoStatement) {
  EXPECT_EQ(SQLiteSqlBuilder("t; DROP TABLE x").BuildQuery(), "");
  EXPECT_EQ(SQLiteSqlBuilder("t").Columns({"a", "b = 1 --"}).BuildUpdate(), "");
  EXPECT_EQ(SQLiteSqlBuilder("").BuildDelete(), "");
  EXPECT_EQ(SQLiteSqlBuilder("1abc").BuildCount(), "");
  EXPECT_TRUE(SQLiteSqlBuilder::IsIdentifier("_x9"));
}

TEST(SQLiteSqlBuilderTest, Placeholders) {
  EXPECT_EQ(SQLiteSqlBuilder::Placeholders(0), "");
  EXPECT_EQ(SQLiteSqlBuilder::Placeholders(1), "?");
  EXPECT_EQ(SQLiteSqlBuilder::Placeholders(3), "?, ?, ?");
}

TEST(SQLiteSqlBuilderTest, BuiltStatementsRunWithBoundValues) {
  util::file::ScopedTempDir dir;
  auto db = OpenOrCreateDatabase(dir.Child("b.db"));
  ASSERT_TRUE(db->Execute("CREATE TABLE t(owner TEXT, meeting TEXT, period TEXT, n INT)"));
  SQLiteSqlBuilder insert("t");
  insert.Columns({"owner", "meeting", "period", "n"});
  for (const auto& [meeting, period] : std::vector<std::pair<const char*, const char*>>{
           {"m1", "p1"}, {"m1", "p1"}, {"m1", "p2"}, {"m2", "p1"}}) {
    ASSERT_TRUE(db->Execute(insert.BuildInsert(), {"me", meeting, period, 1}));
  }
  ASSERT_TRUE(db->Execute(insert.BuildInsert(), {"other", "m9", "p9", 1}));

  auto count = db->Compile(SQLiteSqlBuilder("t").Columns({"meeting", "period"}).Where("owner = ?").BuildCount());
  ASSERT_TRUE(count && count->BindText(1, "me"));
  ASSERT_EQ(count->Step(), SQLiteStatement::StepResult::kRow);
  EXPECT_EQ(count->ColumnInt(0), 3);  // (m1,p1) (m1,p2) (m2,p1)

  SQLiteSqlBuilder update("t");
  update.Columns({"n"}).Where("owner = ? AND meeting IN (" + SQLiteSqlBuilder::Placeholders(2) + ")");
  ASSERT_TRUE(db->Execute(update.BuildUpdate(), {5, "me", "m1", "m2"}));
  EXPECT_EQ(db->Changes(), 4);
  ASSERT_TRUE(db->Execute(SQLiteSqlBuilder("t").Where("n = ?").BuildDelete(), {5}));
  EXPECT_EQ(db->Changes(), 4);
}

}  // namespace
}  // namespace base::database
