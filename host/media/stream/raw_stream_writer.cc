#include "host/media/stream/raw_stream_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "host/base/logging/logger.h"
#include "host/media/stream/file_io.h"
#include "host/media/stream/raw_stream_reader.h"

namespace kvp::av {

namespace {

// Shortens a file that is longer than `size`; other files (and devices) are left alone.
bool TruncateTo(int fd, uint64_t size) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return false;
  return static_cast<uint64_t>(st.st_size) <= size || ::ftruncate(fd, static_cast<off_t>(size)) == 0;
}

}  // namespace

RawStreamWriter::~RawStreamWriter() { Close(); }

RawStreamWriter::OpenResult RawStreamWriter::Open(const std::string& data_path, const RawIndexHeader& header) {
  Close();
  OpenResult result;
  result.header = header;
  {
    RawStreamReader existing;
    if (existing.Open(data_path) && existing.has_header()) {
      if (existing.header().kind != header.kind) {
        KLOG(1) << "raw stream " << data_path << " holds another kind of stream";
        result.code = kErrFileFormat;
        return result;
      }
      result.appended = true;
      result.header = existing.header();
      result.frames = existing.records().size();
      result.end_us = existing.EndUs();
      data_size_ = existing.valid_data_size();
      index_size_ = existing.valid_index_size();
    }
  }
  const int flags = O_WRONLY | O_CREAT | O_CLOEXEC;
  data_fd_ = ::open(data_path.c_str(), flags, 0644);
  index_fd_ = ::open(RawIndexPathFor(data_path).c_str(), flags, 0644);
  if (data_fd_ < 0 || index_fd_ < 0) {
    KLOG(1) << "cannot open raw stream " << data_path << ": " << std::strerror(errno);
    Close();
    result.code = kErrFileOpen;
    return result;
  }
  // Cut what no record lists (a frame whose record never came, half a record) so that new frames
  // continue the indexed stream; a fresh stream starts with just the header.
  if (!TruncateTo(data_fd_, data_size_) || !TruncateTo(index_fd_, index_size_)) {
    KLOG(1) << "cannot truncate raw stream " << data_path << ": " << std::strerror(errno);
    Close();
    result.code = kErrFileOpen;
    return result;
  }
  data_path_ = data_path;
  frames_ = result.frames;
  end_us_ = result.end_us;
  if (!result.appended) {
    uint8_t bytes[kRawIndexHeaderSize];
    EncodeRawIndexHeader(header, bytes);
    if (const int error = PwriteAll(index_fd_, bytes, sizeof(bytes), 0); error != 0) {
      result.code = Fail(error);
      Close();
      return result;
    }
    index_size_ = kRawIndexHeaderSize;
  }
  KLOG(6) << "raw stream " << data_path << (result.appended ? " appended after " : " created, ") << frames_ << " frames";
  return result;
}

int32_t RawStreamWriter::Write(const uint8_t* data, size_t size, int64_t pts_us, uint32_t duration_us, uint32_t flags) {
  if (failure_ != kOk) return failure_;
  if (!is_open()) return kErrInvalidState;
  if (size == 0) return kErrInvalidArgument;
  if (const int error = PwriteAll(data_fd_, data, size, data_size_); error != 0) return Fail(error);
  RawIndexRecord record{data_size_, static_cast<uint32_t>(size), flags, pts_us, duration_us};
  uint8_t bytes[kRawIndexRecordSize];
  EncodeRawIndexRecord(record, bytes);
  if (const int error = PwriteAll(index_fd_, bytes, sizeof(bytes), index_size_); error != 0) return Fail(error);
  data_size_ += size;
  index_size_ += kRawIndexRecordSize;
  ++frames_;
  end_us_ = record.end_us();
  return kOk;
}

int32_t RawStreamWriter::Sync() {
  if (failure_ != kOk) return failure_;
  if (!is_open()) return kErrInvalidState;
  if (::fdatasync(data_fd_) != 0) return Fail(errno);
  if (::fdatasync(index_fd_) != 0) return Fail(errno);
  return kOk;
}

void RawStreamWriter::Close() {
  if (data_fd_ >= 0) ::close(data_fd_);
  if (index_fd_ >= 0) ::close(index_fd_);
  data_fd_ = index_fd_ = -1;
  data_size_ = index_size_ = frames_ = 0;
  end_us_ = 0;
  failure_ = kOk;
}

int32_t RawStreamWriter::Fail(int error) {
  failure_ = WriteErrorCode(error);
  KLOG(1) << "raw stream " << data_path_ << " write failed: " << std::strerror(error) << " (" << failure_ << ")";
  return failure_;
}

}  // namespace kvp::av
