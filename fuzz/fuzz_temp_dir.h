#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
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

// Writes (or appends) the bytes of an input to a file the parser then reads.
inline void WriteFuzzFile(const std::string& path, const uint8_t* data, size_t size, bool append = false) {
  std::ofstream out(path, std::ios::binary | (append ? std::ios::app : std::ios::trunc));
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}
