#include "host/media/stream/raw_stream_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "host/media/stream/file_io.h"


namespace kvp::av {

namespace {

uint64_t FileSize(int fd) {
  struct stat st {};
  return ::fstat(fd, &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
}

}  // namespace

RawStreamReader::~RawStreamReader() { Close(); }

bool RawStreamReader::Open(const std::string& data_path) { return Open(data_path, RawIndexPathFor(data_path)); }

bool RawStreamReader::Open(const std::string& data_path, const std::string& index_path) {
  Close();
  data_fd_ = ::open(data_path.c_str(), O_RDONLY | O_CLOEXEC);
  index_fd_ = ::open(index_path.c_str(), O_RDONLY | O_CLOEXEC);
  if (data_fd_ < 0 || index_fd_ < 0) {
    Close();
    return false;
  }
  Refresh();
  return true;
}

void RawStreamReader::Close() {
  if (data_fd_ >= 0) ::close(data_fd_);
  if (index_fd_ >= 0) ::close(index_fd_);
  data_fd_ = index_fd_ = -1;
  has_header_ = false;
  header_ = {};
  records_.clear();
}

uint64_t RawStreamReader::valid_index_size() const {
  return has_header_ ? kRawIndexHeaderSize + records_.size() * kRawIndexRecordSize : 0;
}

uint64_t RawStreamReader::valid_data_size() const { return records_.empty() ? 0 : records_.back().end_offset(); }

bool RawStreamReader::ReadHeader() {
  uint8_t bytes[kRawIndexHeaderSize];
  if (!PreadAll(index_fd_, bytes, sizeof(bytes), 0)) return false;
  has_header_ = DecodeRawIndexHeader(bytes, &header_);
  return has_header_;
}

size_t RawStreamReader::Refresh() {
  if (!is_open() || (!has_header_ && !ReadHeader())) return 0;
  const uint64_t index_size = FileSize(index_fd_);
  const uint64_t data_size = FileSize(data_fd_);
  size_t added = 0;
  uint8_t bytes[kRawIndexRecordSize];
  for (uint64_t at = valid_index_size(); at + kRawIndexRecordSize <= index_size; at += kRawIndexRecordSize) {
    RawIndexRecord record;
    if (!PreadAll(index_fd_, bytes, sizeof(bytes), at) || !DecodeRawIndexRecord(bytes, &record)) break;
    // A record must continue the data file exactly where the previous frame ended, move forward
    // on the timeline, and point at bytes that are there.
    const bool continues = record.offset == valid_data_size() && record.size > 0 &&
                           (records_.empty() || record.pts_us >= records_.back().pts_us);
    if (!continues || record.end_offset() > data_size) break;
    records_.push_back(record);
    ++added;
  }
  return added;
}

bool RawStreamReader::ReadFrame(size_t index, std::vector<uint8_t>* out) const {
  if (index >= records_.size()) return false;
  const RawIndexRecord& record = records_[index];
  out->resize(record.size);
  return PreadAll(data_fd_, out->data(), record.size, record.offset);
}

}  // namespace kvp::av
