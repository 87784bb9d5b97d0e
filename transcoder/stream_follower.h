#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "host/media/stream/raw_stream_reader.h"

namespace qr_transcoder {

struct StreamFrame {
  std::vector<uint8_t> data;
  kvp::av::RawIndexRecord record;
};

// Follows one raw stream while the recorder appends to it, handing out each indexed frame once,
// in order. It sees only what the index lists (docs/raw-streams.md): a record not yet written,
// torn, or pointing past the end of the data file waits for a later Poll. Not thread-safe.
class StreamFollower {
 public:
  // False when either file cannot be opened (yet).
  bool Open(const std::string& data_path, const std::string& index_path);
  bool is_open() const { return reader_.is_open(); }

  // Picks up newly indexed frames; returns how many are waiting to be taken.
  size_t Poll();
  bool has_header() const { return reader_.has_header(); }
  const kvp::av::RawIndexHeader& header() const { return reader_.header(); }

  // The next frame not handed out yet, or null. Valid until the next call.
  const kvp::av::RawIndexRecord* Peek() const;
  // Reads the next frame; Take also moves past it. False when there is none or it cannot be read.
  bool ReadNext(StreamFrame* frame) const;
  bool Take(StreamFrame* frame);
  // The end of the last indexed frame on the timeline.
  int64_t indexed_end_us() const { return reader_.EndUs(); }
  size_t taken() const { return next_; }
  // Indexed frames not yet taken.
  size_t remaining() const { return reader_.records().size() - next_; }

 private:
  kvp::av::RawStreamReader reader_;
  size_t next_ = 0;
};

}  // namespace qr_transcoder
