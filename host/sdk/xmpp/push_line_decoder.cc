#include "host/sdk/xmpp/push_line_decoder.h"

#include "host/base/logging/logger.h"

namespace KOVANI_SIGNAL {

PushLineDecoder::Decoded PushLineDecoder::Feed(std::string_view chunk) {
  Decoded decoded;
  while (!chunk.empty()) {
    const size_t newline = chunk.find('\n');
    const std::string_view piece = chunk.substr(0, newline);
    if (!skipping_) partial_.append(piece);
    if (partial_.size() > kMaxLineBytes) {
      KLOG(3) << "push: dropped a line longer than " << kMaxLineBytes << " bytes";
      ++decoded.dropped;
      partial_.clear();
      skipping_ = true;
    }
    if (newline == std::string_view::npos) break;
    if (!skipping_) DecodeLine(partial_, decoded);
    partial_.clear();
    skipping_ = false;
    chunk.remove_prefix(newline + 1);
  }
  return decoded;
}

void PushLineDecoder::DecodeLine(std::string_view line, Decoded& decoded) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (line.find_first_not_of(" \t") == std::string_view::npos) return;
  base::xmpp::Stanza stanza = base::xmpp::Stanza::Parse(line);
  if (stanza.IsNull()) {
    KLOG(3) << "push: dropped a malformed stanza: " << line.substr(0, 200);
    ++decoded.dropped;
  } else if (stanza.Name() == "ping") {
    ++decoded.heartbeats;
  } else {
    decoded.stanzas.push_back(std::move(stanza));
  }
}

}  // namespace KOVANI_SIGNAL
