#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "host/base/xmpp/stanza.h"

namespace KOVANI_SIGNAL {

// Cuts the push stream into its lines (one stanza per line, "<ping/>" as the heartbeat) however
// the bytes are split into chunks. A line that is not well-formed XML, or longer than
// kMaxLineBytes, is dropped with a log line.
class PushLineDecoder {
 public:
  static constexpr size_t kMaxLineBytes = size_t{1} << 20;

  struct Decoded {
    std::vector<base::xmpp::Stanza> stanzas;
    int heartbeats = 0;
    int dropped = 0;
  };
  Decoded Feed(std::string_view chunk);

 private:
  void DecodeLine(std::string_view line, Decoded& decoded);

  std::string partial_;
  bool skipping_ = false;  // inside an over-long line, until its end
};

}  // namespace KOVANI_SIGNAL
