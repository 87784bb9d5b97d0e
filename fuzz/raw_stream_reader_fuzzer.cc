// The raw stream reader on any index and data file, as another process may leave them: the index
// grows in two steps so Refresh runs on a torn tail, then every listed frame is read.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/fuzz_temp_dir.h"
#include "host/media/stream/raw_stream_reader.h"

namespace {

const std::string& DataPath() {
  static const FuzzTempDir dir("raw");
  static const std::string path = dir.File("stream.kovtv");
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Layout of an input: u16 LE index size, u16 LE first-step size, index bytes, data bytes.
  if (size < 4) return 0;
  const size_t index_size = std::min<size_t>(data[0] | (data[1] << 8), size - 4);
  const size_t first_step = std::min<size_t>(data[2] | (data[3] << 8), index_size);
  const uint8_t* index = data + 4;
  const uint8_t* stream = index + index_size;
  const std::string& data_path = DataPath();
  const std::string index_path = data_path + kvp::av::kIndexSuffix;
  WriteFuzzFile(data_path, stream, size - 4 - index_size, false);
  WriteFuzzFile(index_path, index, first_step, false);

  kvp::av::RawStreamReader reader;
  if (!reader.Open(data_path)) std::abort();
  WriteFuzzFile(index_path, index + first_step, index_size - first_step, true);
  reader.Refresh();
  if (reader.valid_index_size() > index_size || reader.valid_data_size() > size - 4 - index_size) std::abort();
  std::vector<uint8_t> frame;
  for (size_t i = 0; i < reader.records().size(); ++i) {
    if (!reader.ReadFrame(i, &frame) || frame.size() != reader.records()[i].size) std::abort();
  }
  if (reader.ReadFrame(reader.records().size(), &frame)) std::abort();
  reader.EndUs();
  return 0;
}
