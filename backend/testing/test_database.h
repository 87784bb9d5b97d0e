#pragma once

#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "common/database.h"
#include "storage/schema.h"

namespace qr_backend {

// A fresh directory for one test, removed with everything in it afterwards.
class TempDir {
 public:
  TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/qrbackend-test-XXXXXX";
    path_ = mkdtemp(pattern.data()) ? pattern : std::string();
  }
  ~TempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

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
