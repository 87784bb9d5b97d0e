#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "host/media/media_errors.h"
#include "host/media/stream/raw_stream_format.h"

namespace kvp::av {

// Writes one raw stream: each frame's bytes go to the data file first and its index record after
// them, so that a reader (or a process killed at any moment) never sees a record without its
// bytes. Not thread-safe; one writer per stream.
class RawStreamWriter {
 public:
  struct OpenResult {
    int32_t code = kOk;
    // The files held a stream of the same kind that is continued after its last indexed frame.
    bool appended = false;
    // The header in force: the existing one when appending (its size or rate wins over the
    // requested one, since a stream keeps its format).
    RawIndexHeader header;
    uint64_t frames = 0;
    int64_t end_us = 0;
  };

  RawStreamWriter() = default;
  ~RawStreamWriter();
  RawStreamWriter(const RawStreamWriter&) = delete;
  RawStreamWriter& operator=(const RawStreamWriter&) = delete;

  // Opens "<data_path>" and its index. Files that hold a valid header of the same kind are
  // continued: bytes after the last indexed frame and a partial record are cut off. Files of
  // another kind are refused (kErrFileFormat); anything else unreadable is started afresh.
  OpenResult Open(const std::string& data_path, const RawIndexHeader& header);
  // Appends a frame. Returns kOk, kErrNoSpace or kErrWriteFailed. After a failure the writer
  // writes nothing more and every later call returns that failure; what was indexed stays
  // readable.
  int32_t Write(const uint8_t* data, size_t size, int64_t pts_us, uint32_t duration_us, uint32_t flags);
  // Pushes both files to the disk (fdatasync).
  int32_t Sync();
  void Close();

  bool is_open() const { return data_fd_ >= 0; }
  int32_t failure() const { return failure_; }
  uint64_t frames() const { return frames_; }
  int64_t end_us() const { return end_us_; }
  const std::string& data_path() const { return data_path_; }

 private:
  int32_t Fail(int error);

  std::string data_path_;
  int data_fd_ = -1;
  int index_fd_ = -1;
  uint64_t data_size_ = 0;
  uint64_t index_size_ = 0;
  uint64_t frames_ = 0;
  int64_t end_us_ = 0;
  int32_t failure_ = kOk;
};

}  // namespace kvp::av
