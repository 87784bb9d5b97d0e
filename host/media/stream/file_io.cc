#include "host/media/stream/file_io.h"

#include <unistd.h>

#include <cerrno>

#include "host/media/media_errors.h"

namespace kvp::av {

int PwriteAll(int fd, const uint8_t* data, size_t size, uint64_t offset) {
  while (size > 0) {
    const ssize_t n = ::pwrite(fd, data, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) return EIO;
    data += n;
    size -= static_cast<size_t>(n);
    offset += static_cast<uint64_t>(n);
  }
  return 0;
}

bool PreadAll(int fd, void* buffer, size_t size, uint64_t offset) {
  auto* out = static_cast<uint8_t*>(buffer);
  while (size > 0) {
    const ssize_t n = ::pread(fd, out, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    out += n;
    size -= static_cast<size_t>(n);
    offset += static_cast<uint64_t>(n);
  }
  return true;
}

int32_t WriteErrorCode(int error) {
  return (error == ENOSPC || error == EDQUOT || error == EFBIG) ? kErrNoSpace : kErrWriteFailed;
}

}  // namespace kvp::av
