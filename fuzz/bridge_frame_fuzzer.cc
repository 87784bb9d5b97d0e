// The bridge frame reader on a byte stream that arrives in pieces: whatever it cuts out must be a
// valid frame that encodes back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "host/sdk/bridge/bridge_frame.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using kovanisdk::bridge::BridgeFrame;
  using kovanisdk::bridge::BridgeFrameReader;
  if (size == 0) return 0;
  // The first byte picks the piece size, so splits at every position get tried.
  const size_t piece = 1 + data[0] % 64;
  const char* bytes = reinterpret_cast<const char*>(data + 1);
  const size_t length = size - 1;
  BridgeFrameReader reader;
  BridgeFrame frame;
  for (size_t at = 0; at < length; at += piece) {
    reader.Append(bytes + at, std::min(piece, length - at));
    BridgeFrameReader::Status status;
    while ((status = reader.Next(&frame)) == BridgeFrameReader::Status::kFrame) {
      if (!kovanisdk::bridge::IsValidFrame(frame.name, frame.text)) std::abort();
      BridgeFrameReader again;
      const std::string encoded = kovanisdk::bridge::EncodeFrame(frame.name, frame.text);
      again.Append(encoded.data(), encoded.size());
      BridgeFrame copy;
      if (again.Next(&copy) != BridgeFrameReader::Status::kFrame || copy.name != frame.name ||
          copy.text != frame.text || again.buffered() != 0) {
        std::abort();
      }
    }
    if (status == BridgeFrameReader::Status::kError) break;
  }
  return 0;
}
