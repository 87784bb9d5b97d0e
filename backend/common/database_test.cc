#include "common/database.h"

#include <gtest/gtest.h>

#include "testing/temp_dir.h"

namespace qr_backend {
namespace {

class BackendDatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    db_ = Database::Open(dir_.path() + "/t.db", &error);
    ASSERT_TRUE(db_) << error;
    ASSERT_TRUE(db_->ExecScript("CREATE TABLE t(k TEXT PRIMARY KEY, v INTEGER)"));
  }
  int64_t Count() { return db_->Query("SELECT COUNT(*) FROM t")->front().Int(0); }

  TempDir dir_;
  std::unique_ptr<Database> db_;
};

TEST_F(BackendDatabaseTest, ValuesAreBoundNotPasted) {
  const std::string hostile = "x'); DROP TABLE t; --";
  ASSERT_TRUE(db_->Exec("INSERT INTO t(k, v) VALUES(?, ?)", {hostile, int64_t{1}}));
  const auto rows = db_->Query("SELECT k, v FROM t WHERE k = ?", {hostile});
  ASSERT_TRUE(rows);
  ASSERT_EQ(rows->size(), 1u);
  EXPECT_EQ((*rows)[0].Text(0), hostile);
  EXPECT_EQ((*rows)[0].Int(1), 1);
}

TEST_F(BackendDatabaseTest, FailedStatementsReportFailure) {
  EXPECT_FALSE(db_->Exec("INSERT INTO missing VALUES(1)"));
  EXPECT_FALSE(db_->Query("SELECT nothing FROM t"));
  ASSERT_TRUE(db_->Exec("INSERT INTO t(k, v) VALUES('a', 1)"));
  EXPECT_FALSE(db_->Exec("INSERT INTO t(k, v) VALUES('a', 2)"));  // primary key
  const ExecResult changed = db_->Exec("UPDATE t SET v = 3 WHERE k = ?", {std::string("a")});
  EXPECT_TRUE(changed);
  EXPECT_EQ(changed.changes, 1);
}

TEST_F(BackendDatabaseTest, TransactionCommitsOrRollsBackAsAWhole) {
  EXPECT_TRUE(db_->Transaction([&] {
    return db_->Exec("INSERT INTO t(k, v) VALUES('a', 1)").ok &&
           db_->Exec("INSERT INTO t(k, v) VALUES('b', 2)").ok;
  }));
  EXPECT_FALSE(db_->Transaction([&] {
    db_->Exec("INSERT INTO t(k, v) VALUES('c', 3)");
    return false;
  }));
  EXPECT_EQ(Count(), 2);
}

TEST_F(BackendDatabaseTest, AFailedInnerTransactionRollsBackTheOuterOne) {
  EXPECT_FALSE(db_->Transaction([&] {
    db_->Exec("INSERT INTO t(k, v) VALUES('a', 1)");
    db_->Transaction([&] { return false; });
    return true;  // the outer body does not notice, the commit still must not happen
  }));
  EXPECT_EQ(Count(), 0);
  EXPECT_TRUE(db_->Transaction([&] {
    return db_->Transaction([&] { return db_->Exec("INSERT INTO t(k, v) VALUES('b', 1)").ok; });
  }));
  EXPECT_EQ(Count(), 1);
}

}  // namespace
}  // namespace qr_backend
