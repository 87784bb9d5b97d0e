#include "objects/object_reader.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace qr_backend {

ObjectReader::ObjectReader(StoredObject info, std::vector<ObjectSegment> segments,
                           std::shared_ptr<const BlobDirectory::Pin> pin)
    : info_(std::move(info)), segments_(std::move(segments)), pin_(std::move(pin)) {}

ObjectReader::~ObjectReader() {
  if (fd_ >= 0) ::close(fd_);
}

int ObjectReader::FileOf(size_t index) const {
  if (fd_ >= 0 && fd_segment_ == index) return fd_;
  if (fd_ >= 0) ::close(fd_);
  fd_ = ::open(segments_[index].path.c_str(), O_RDONLY | O_CLOEXEC);
  fd_segment_ = index;
  return fd_;
}

int64_t ObjectReader::ReadAt(int64_t offset, char* out, size_t size) const {
  std::lock_guard lock(mutex_);
  // The last segment starting at or before `offset`; empty segments are passed over.
  auto it = std::upper_bound(
      segments_.begin(), segments_.end(), offset,
      [](int64_t value, const ObjectSegment& segment) { return value < segment.offset; });
  size_t index = it == segments_.begin() ? 0 : static_cast<size_t>(it - segments_.begin()) - 1;
  int64_t done = 0;
  while (done < static_cast<int64_t>(size) && offset < info_.size && index < segments_.size()) {
    const ObjectSegment& segment = segments_[index];
    const int64_t within = offset - segment.offset;
    if (within >= segment.size) {
      ++index;
      continue;
    }
    const int fd = FileOf(index);
    if (fd < 0) return -1;
    const size_t want =
        static_cast<size_t>(std::min<int64_t>(segment.size - within, size - done));
    const ssize_t n = ::pread(fd, out + done, want, within);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return -1;
    done += n;
    offset += n;
  }
  return done;
}

}  // namespace qr_backend
