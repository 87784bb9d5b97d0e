#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/database.h"
#include "storage/schema.h"
#include "testing/temp_dir.h"

namespace qr_backend {

// A migrated database in its own temporary directory.
class TestDatabase {
 public:
  TestDatabase() { Reopen(); }

  Database& db() { return *db_; }
  const std::string& dir() const { return dir_.path(); }
  // Closes and opens the file again, as a restart would.
  void Reopen() {
    db_.reset();
    std::string error;
    db_ = Database::Open(dir_.path() + "/test.db", &error);
    EXPECT_TRUE(db_) << error;
    EXPECT_TRUE(db_ && MigrateSchema(*db_));
  }

 private:
  TempDir dir_;
  std::unique_ptr<Database> db_;
};

}  // namespace qr_backend
