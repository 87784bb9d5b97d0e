#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "host/media/stream/raw_stream_format.h"

namespace kvp::av {

// Reads a raw stream (data file and index) while it may still be growing, in this or another
// process. Only what the index lists counts: a frame becomes visible once its record is complete,
// checks out and points at bytes the data file holds. A torn or half-written record at the end is
// not an error; it is read again on the next Refresh. Not thread-safe.
class RawStreamReader {
 public:
  RawStreamReader() = default;
  ~RawStreamReader();
  RawStreamReader(const RawStreamReader&) = delete;
  RawStreamReader& operator=(const RawStreamReader&) = delete;

  // Opens "<data_path>" and "<data_path>idx" and reads what is there. False when either file cannot
  // be opened.
  bool Open(const std::string& data_path);
  // The same with an index kept under another name (a copy or an older naming scheme).
  bool Open(const std::string& data_path, const std::string& index_path);
  void Close();
  bool is_open() const { return data_fd_ >= 0; }

  // Picks up what was appended since the last call; returns how many frames became readable.
  size_t Refresh();

  bool has_header() const { return has_header_; }
  const RawIndexHeader& header() const { return header_; }
  const std::vector<RawIndexRecord>& records() const { return records_; }
  // Where the next record starts in the index file, and where the next frame starts in the data
  // file: everything beyond is not (yet) part of the stream.
  uint64_t valid_index_size() const;
  uint64_t valid_data_size() const;

  // The bytes of frame `index`; false when it is out of range or cannot be read.
  bool ReadFrame(size_t index, std::vector<uint8_t>* out) const;
  // The end of the last frame on the recording timeline; 0 without frames.
  int64_t EndUs() const { return records_.empty() ? 0 : records_.back().end_us(); }

 private:
  bool ReadHeader();

  int data_fd_ = -1;
  int index_fd_ = -1;
  bool has_header_ = false;
  RawIndexHeader header_;
  std::vector<RawIndexRecord> records_;
};

}  // namespace kvp::av
