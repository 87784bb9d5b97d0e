#include "objects/blob_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace qr_backend {

namespace {

// Large writes keep the syscall count low; the network hands us 4 KiB at a time.
constexpr size_t kBufferSize = 1 << 20;

}  // namespace

BlobWriter::BlobWriter(std::string temp_path) : temp_path_(std::move(temp_path)) {
  fd_ = ::open(temp_path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  buffer_.reserve(kBufferSize);
}

BlobWriter::~BlobWriter() {
  if (fd_ >= 0) ::close(fd_);
  if (!released_) ::unlink(temp_path_.c_str());
}

bool BlobWriter::Flush() {
  size_t written = 0;
  while (written < buffer_.size()) {
    const ssize_t n = ::write(fd_, buffer_.data() + written, buffer_.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    written += static_cast<size_t>(n);
  }
  // Writeback of what is written starts now, while the rest of the body arrives, so the fsync
  // in Finish() waits for the last buffer only instead of the whole body. A hint: Finish()
  // still fsyncs everything, so a failure here changes nothing.
  ::sync_file_range(fd_, flushed_, static_cast<off_t>(written), SYNC_FILE_RANGE_WRITE);
  flushed_ += static_cast<off_t>(written);
  buffer_.clear();
  return true;
}

bool BlobWriter::Append(const char* data, size_t size) {
  if (!ok()) return false;
  hasher_.Update(data, size);
  size_ += static_cast<int64_t>(size);
  while (size > 0) {
    const size_t room = kBufferSize - buffer_.size();
    const size_t take = size < room ? size : room;
    buffer_.insert(buffer_.end(), data, data + take);
    data += take;
    size -= take;
    if (buffer_.size() == kBufferSize && !Flush()) {
      failed_ = true;
      return false;
    }
  }
  return true;
}

bool BlobWriter::Finish() {
  if (finished_) return !failed_;
  finished_ = true;
  if (!ok()) return false;
  const bool written = Flush() && ::fsync(fd_) == 0;
  const bool closed = ::close(fd_) == 0;
  fd_ = -1;
  failed_ = !(written && closed);
  md5_ = hasher_.Final();
  return !failed_;
}

}  // namespace qr_backend
