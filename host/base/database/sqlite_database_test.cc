#include "host/base/database/sqlite_database.h"

#include <gtest/gtest.h>

#include "host/util/file.h"
#include "host/util/scoped_temp_dir.h"

namespace base::database {
namespace {

using base::variant::Variant;

class SQLiteDatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.valid());
    db_ = OpenOrCreateDatabase(dir_.Child("test.db"));
    ASSERT_TRUE(db_);
    ASSERT_TRUE(db_->Execute("CREATE TABLE t(id INTEGER PRIMARY KEY, name TEXT, n INT, x REAL, flag BOOLEAN)"));
  }

  util::file::ScopedTempDir dir_;
  std::shared_ptr<SQLiteDatabase> db_;
};

TEST_F(SQLiteDatabaseTest, OpensInWalModeWithBusyTimeout) {
  EXPECT_EQ(db_->JournalMode(), "wal");
  auto statement = db_->Compile("PRAGMA busy_timeout");
  ASSERT_TRUE(statement);
  ASSERT_EQ(statement->Step(), SQLiteStatement::StepResult::kRow);
  EXPECT_EQ(statement->ColumnInt64(0), SQLiteDatabase::kBusyTimeoutMs);
}

TEST_F(SQLiteDatabaseTest, ValuesAreBoundNotPastedIntoSql) {
  const std::string hostile = "x'); DROP TABLE t; --";
  ASSERT_TRUE(db_->Execute("INSERT INTO t(name, n) VALUES (?, ?)", {hostile, 7}));
  auto query = db_->Compile("SELECT name, n FROM t WHERE name = ?");
  ASSERT_TRUE(query);
  ASSERT_TRUE(query->BindText(1, hostile));
  ASSERT_EQ(query->Step(), SQLiteStatement::StepResult::kRow);
  EXPECT_EQ(query->ColumnText(0), hostile);
  EXPECT_EQ(query->ColumnInt(1), 7);
  EXPECT_TRUE(db_->TableExists("t"));
}

TEST_F(SQLiteDatabaseTest, CompileRefusesASecondStatement) {
  EXPECT_EQ(db_->Compile("SELECT 1; DROP TABLE t"), nullptr);
  EXPECT_TRUE(db_->TableExists("t"));
  // A trailing semicolon alone is one statement.
  EXPECT_NE(db_->Compile("SELECT 1;  "), nullptr);
  EXPECT_EQ(db_->Compile("SELEKT 1"), nullptr);
  EXPECT_EQ(db_->Compile(""), nullptr);
}

TEST_F(SQLiteDatabaseTest, ColumnsReadByIndexKeepTheirTypes) {
  ASSERT_TRUE(db_->Execute("INSERT INTO t(name, n, x, flag) VALUES (?, ?, ?, ?)",
                           {Variant(), int64_t{1} << 40, 2.5, true}));
  auto query = db_->Compile("SELECT name, n, x, flag FROM t");
  ASSERT_TRUE(query);
  ASSERT_EQ(query->Step(), SQLiteStatement::StepResult::kRow);
  ASSERT_EQ(query->ColumnCount(), 4);
  EXPECT_EQ(query->ColumnName(2), "x");
  EXPECT_TRUE(query->ColumnIsNull(0));
  EXPECT_EQ(query->ColumnText(0), "");
  EXPECT_EQ(query->ColumnInt64(1), int64_t{1} << 40);
  EXPECT_DOUBLE_EQ(query->ColumnDouble(2), 2.5);
  EXPECT_TRUE(query->ColumnBool(3));
  EXPECT_TRUE(query->ColumnValue(0).IsNull());
  EXPECT_EQ(query->ColumnValue(1), Variant(int64_t{1} << 40));
  EXPECT_EQ(query->ColumnValue(2), Variant(2.5));
  EXPECT_EQ(query->Step(), SQLiteStatement::StepResult::kDone);
}

TEST_F(SQLiteDatabaseTest, TextWithEmbeddedNulRoundTrips) {
  const std::string text("a\0b", 3);
  ASSERT_TRUE(db_->Execute("INSERT INTO t(name) VALUES (?)", {text}));
  auto query = db_->Compile("SELECT name FROM t");
  ASSERT_EQ(query->Step(), SQLiteStatement::StepResult::kRow);
  EXPECT_EQ(query->ColumnText(0), text);
}

TEST_F(SQLiteDatabaseTest, BindingMismatchesAreRefused) {
  auto insert = db_->Compile("INSERT INTO t(name, n) VALUES (?, ?)");
  ASSERT_TRUE(insert);
  EXPECT_FALSE(insert->BindAll({"only one"}));
  EXPECT_FALSE(insert->Bind(1, Variant(uint64_t{1} << 63)));  // would wrap to a negative number
  EXPECT_FALSE(insert->Bind(1, Variant::MakeMap()));
  EXPECT_FALSE(insert->BindInt64(3, 1));  // no third parameter
  EXPECT_FALSE(db_->Execute("INSERT INTO t(name) VALUES (?)", {}));
}

TEST_F(SQLiteDatabaseTest, StatementRunsAgainAfterReset) {
  auto insert = db_->Compile("INSERT INTO t(n) VALUES (?)");
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(insert->BindInt(1, i));
    ASSERT_TRUE(insert->Execute());
    EXPECT_EQ(db_->Changes(), 1);
    insert->Reset();
  }
  auto count = db_->Compile("SELECT COUNT(*), SUM(n) FROM t");
  ASSERT_EQ(count->Step(), SQLiteStatement::StepResult::kRow);
  EXPECT_EQ(count->ColumnInt(0), 3);
  EXPECT_EQ(count->ColumnInt(1), 3);
}

TEST_F(SQLiteDatabaseTest, ConstraintViolationIsAStepError) {
  ASSERT_TRUE(db_->Execute("INSERT INTO t(id) VALUES (1)"));
  EXPECT_EQ(db_->LastInsertRowId(), 1);
  auto duplicate = db_->Compile("INSERT INTO t(id) VALUES (1)");
  EXPECT_EQ(duplicate->Step(), SQLiteStatement::StepResult::kError);
  EXPECT_NE(db_->LastErrorMessage().find("UNIQUE"), std::string::npos);
}

TEST_F(SQLiteDatabaseTest, RollbackDiscardsTheTransaction) {
  ASSERT_TRUE(db_->BeginTransaction());
  ASSERT_TRUE(db_->Execute("INSERT INTO t(n) VALUES (1)"));
  ASSERT_TRUE(db_->RollbackTransaction());
  ASSERT_TRUE(db_->BeginTransaction());
  ASSERT_TRUE(db_->Execute("INSERT INTO t(n) VALUES (2)"));
  ASSERT_TRUE(db_->CommitTransaction());
  auto sum = db_->Compile("SELECT SUM(n) FROM t");
  ASSERT_EQ(sum->Step(), SQLiteStatement::StepResult::kRow);
  EXPECT_EQ(sum->ColumnInt(0), 2);
}

TEST_F(SQLiteDatabaseTest, SchemaQueries) {
  EXPECT_EQ(db_->GetUserVersion(), 0);
  ASSERT_TRUE(db_->SetUserVersion(9));
  EXPECT_EQ(db_->GetUserVersion(), 9);
  EXPECT_TRUE(db_->ColumnExists("t", "flag"));
  EXPECT_FALSE(db_->ColumnExists("t", "nope"));
  EXPECT_FALSE(db_->ColumnExists("missing", "flag"));
  EXPECT_FALSE(db_->TableExists("missing"));
}

TEST_F(SQLiteDatabaseTest, ASecondConnectionSeesCommittedRows) {
  ASSERT_TRUE(db_->Execute("INSERT INTO t(n) VALUES (5)"));
  auto other = OpenOrCreateDatabase(db_->path());
  ASSERT_TRUE(other);
  auto query = other->Compile("SELECT n FROM t");
  ASSERT_EQ(query->Step(), SQLiteStatement::StepResult::kRow);
  EXPECT_EQ(query->ColumnInt(0), 5);
}

TEST(SQLiteDatabaseOpenTest, AFileThatIsNotADatabaseIsRefusedAndLeftAlone) {
  util::file::ScopedTempDir dir;
  const std::string path = dir.Child("notes.db");
  const std::string junk(4096, 'j');
  ASSERT_TRUE(util::file::WriteFileAtomically(path, junk));
  SQLiteDatabase::OpenError error = SQLiteDatabase::OpenError::kNone;
  EXPECT_EQ(SQLiteDatabase::Open(path, true, &error), nullptr);
  EXPECT_EQ(error, SQLiteDatabase::OpenError::kNotADatabase);
  std::string contents;
  ASSERT_TRUE(util::file::ReadFileToString(path, &contents));
  EXPECT_EQ(contents, junk);
}

TEST(SQLiteDatabaseOpenTest, OpenWithoutCreateNeedsTheFile) {
  util::file::ScopedTempDir dir;
  SQLiteDatabase::OpenError error = SQLiteDatabase::OpenError::kNone;
  EXPECT_EQ(SQLiteDatabase::Open(dir.Child("absent.db"), false, &error), nullptr);
  EXPECT_EQ(error, SQLiteDatabase::OpenError::kCannotOpen);
  EXPECT_FALSE(util::file::IsFileExist(dir.Child("absent.db")));
  EXPECT_EQ(OpenOrCreateDatabase(dir.Child("no/such/dir/x.db")), nullptr);
}

}  // namespace
}  // namespace base::database
