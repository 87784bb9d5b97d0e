// The push line decoder on any push stream: the stanzas, heartbeats and dropped lines it finds
// must not depend on how the bytes were cut into chunks.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "host/base/logging/logger.h"
#include "host/sdk/xmpp/push_line_decoder.h"

namespace {

struct Totals {
  size_t stanzas = 0;
  int heartbeats = 0;
  int dropped = 0;
  void Add(const KOVANI_SIGNAL::PushLineDecoder::Decoded& decoded) {
    for (const auto& stanza : decoded.stanzas) {
      if (stanza.IsNull()) std::abort();
      stanza.Id();
      stanza.Payload().CData();
      stanza.CustomTagForName("push").FindChildCData("content");
    }
    stanzas += decoded.stanzas.size();
    heartbeats += decoded.heartbeats;
    dropped += decoded.dropped;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Dropped lines are logged; millions of them would only slow the run down.
  static const bool quiet = (base::logging::SetLevel(0), true);
  (void)quiet;
  if (size == 0) return 0;
  const size_t piece = 1 + data[0] % 64;
  const std::string_view stream(reinterpret_cast<const char*>(data + 1), size - 1);

  KOVANI_SIGNAL::PushLineDecoder whole;
  Totals at_once;
  at_once.Add(whole.Feed(stream));

  KOVANI_SIGNAL::PushLineDecoder chunked;
  Totals in_pieces;
  for (size_t at = 0; at < stream.size(); at += piece) in_pieces.Add(chunked.Feed(stream.substr(at, piece)));

  if (at_once.stanzas != in_pieces.stanzas || at_once.heartbeats != in_pieces.heartbeats ||
      at_once.dropped != in_pieces.dropped) {
    std::abort();
  }
  return 0;
}
