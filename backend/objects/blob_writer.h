#pragma once

#include <sys/types.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/crypto.h"

namespace qr_backend {

// Streams one body into a temporary file while hashing it. Nothing is visible to readers until
// the object store publishes the finished file; an abandoned writer removes its file.
class BlobWriter {
 public:
  // Opens a new file at `temp_path`; check ok() before use.
  explicit BlobWriter(std::string temp_path);
  ~BlobWriter();
  BlobWriter(const BlobWriter&) = delete;
  BlobWriter& operator=(const BlobWriter&) = delete;

  bool ok() const { return fd_ >= 0 && !failed_; }
  bool Append(const char* data, size_t size);
  // Flushes, fsyncs and closes the file; the digest is then available. Calling it again
  // answers the first outcome.
  bool Finish();

  int64_t size() const { return size_; }
  const std::array<unsigned char, 16>& md5() const { return md5_; }
  std::string md5_hex() const { return ToHex(md5_.data(), md5_.size()); }
  const std::string& temp_path() const { return temp_path_; }
  // The store took the file over (renamed it); the destructor leaves it alone.
  void Release() { released_ = true; }

 private:
  bool Flush();

  std::string temp_path_;
  int fd_ = -1;
  bool failed_ = false;
  bool finished_ = false;
  bool released_ = false;
  int64_t size_ = 0;
  off_t flushed_ = 0;  // bytes handed to the file so far
  std::vector<char> buffer_;
  Md5 hasher_;
  std::array<unsigned char, 16> md5_{};
};

}  // namespace qr_backend
