// The transcoder's stream follower while the recorder's index and data files grow in uneven,
// unrelated pieces (records and frames torn at any byte): it must hand out every frame once, in
// order, with the bytes the index points at, and end where a reader of the finished files ends.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz/fuzz_temp_dir.h"
#include "host/media/stream/raw_stream_reader.h"
#include "transcoder/stream_follower.h"

namespace {

const FuzzTempDir& Dir() {
  static const FuzzTempDir dir("follower");
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Layout: index piece size, data piece size, u16 LE index size, index bytes, data bytes.
  if (size < 4) return 0;
  const size_t index_piece = 1 + data[0] % 80;
  const size_t data_piece = 1 + data[1] * 4;
  const size_t index_size = std::min<size_t>(data[2] | (data[3] << 8), size - 4);
  const uint8_t* index = data + 4;
  const uint8_t* stream = index + index_size;
  const size_t stream_size = size - 4 - index_size;
  const std::string data_path = Dir().File("rec.kovtv");
  const std::string index_path = data_path + "idx";
  WriteFuzzFile(data_path, stream, 0, false);
  WriteFuzzFile(index_path, index, 0, false);

  qr_transcoder::StreamFollower follower;
  if (!follower.Open(data_path, index_path)) std::abort();
  size_t index_written = 0, data_written = 0;
  qr_transcoder::StreamFrame frame;
  while (true) {
    const size_t index_step = std::min(index_piece, index_size - index_written);
    const size_t data_step = std::min(data_piece, stream_size - data_written);
    WriteFuzzFile(index_path, index + index_written, index_step, true);
    WriteFuzzFile(data_path, stream + data_written, data_step, true);
    index_written += index_step;
    data_written += data_step;
    const size_t waiting = follower.Poll();
    if (waiting != follower.remaining()) std::abort();
    for (size_t i = 0; i < waiting; ++i) {
      const size_t taken = follower.taken();
      if (!follower.Take(&frame) || follower.taken() != taken + 1) std::abort();
      if (frame.data.size() != frame.record.size || frame.record.offset + frame.record.size > data_written ||
          std::memcmp(frame.data.data(), stream + frame.record.offset, frame.data.size()) != 0) {
        std::abort();
      }
    }
    if (follower.Take(&frame) || follower.Peek()) std::abort();
    if (index_step == 0 && data_step == 0) break;
  }
  kvp::av::RawStreamReader whole;
  if (!whole.Open(data_path, index_path) || whole.records().size() != follower.taken() ||
      whole.EndUs() != follower.indexed_end_us()) {
    std::abort();
  }
  return 0;
}
