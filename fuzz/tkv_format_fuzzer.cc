// The key-value store's file decoders on any bytes: the value-file header, a record with its CRC,
// and the key-file index, which must encode back to what it decoded.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "host/base/tkv/tkv_file_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  namespace format = base::tkv::format;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  format::ValueHeader value_header;
  format::DecodeValueHeader(bytes, &value_header);

  // Walks the bytes as a record log, the way an open without a usable index does.
  std::string_view log = bytes;
  format::RecordHeader record;
  while (format::DecodeRecordHeader(log, &record) && record.total_size() <= log.size()) {
    format::VerifyRecord(log.substr(0, record.total_size()), record);
    log.remove_prefix(record.total_size());
  }

  format::Index index;
  if (format::DecodeIndex(bytes, &index)) {
    format::Index again;
    if (!format::DecodeIndex(format::EncodeIndex(index), &again) || again.entries.size() != index.entries.size() ||
        again.generation != index.generation || again.covered_size != index.covered_size) {
      std::abort();
    }
  }
  return 0;
}
