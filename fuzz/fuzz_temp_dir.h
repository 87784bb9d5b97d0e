#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>
#include <system_error>

// A directory of this process's own for targets whose parser reads files; removed at exit.
class FuzzTempDir {
 public:
  explicit FuzzTempDir(const std::string& name)
      : path_(std::filesystem::temp_directory_path() / ("qr-fuzz-" + name + "-" + std::to_string(getpid()))) {
    std::filesystem::create_directories(path_);
  }
  ~FuzzTempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  FuzzTempDir(const FuzzTempDir&) = delete;
  FuzzTempDir& operator=(const FuzzTempDir&) = delete;

  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};
