#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace util::file {

// A fresh private directory under $TMPDIR (or /tmp), removed with everything in it when the
// object goes away. For tests and scratch work.
class ScopedTempDir {
 public:
  ScopedTempDir() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && tmp[0] ? tmp : "/tmp") + "/quickrec-XXXXXX";
    if (::mkdtemp(pattern.data())) path_ = pattern;
  }
  ~ScopedTempDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  ScopedTempDir(const ScopedTempDir&) = delete;
  ScopedTempDir& operator=(const ScopedTempDir&) = delete;

  bool valid() const { return !path_.empty(); }
  const std::string& path() const { return path_; }
  // path() + "/" + name
  std::string Child(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

}  // namespace util::file
