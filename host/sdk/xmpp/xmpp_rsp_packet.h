#pragma once

#include <cstdlib>
#include <string>

#include "host/base/xml/xml_stanza.h"
#include "host/base/xmpp/stanza.h"

namespace KOVANI_XMPP {

// Base of a push packet type that reads itself from a stanza (CRTP). `Packet` provides
//   static constexpr char kNamespace[] = "halvard:kovani:...";  // its payload's xmlns
//   bool ReadPayload(const base::xml::XmlStanza& payload);     // false: unusable payload
// A packet is accepted only when the stanza's first payload element is in kNamespace and carries
// no <error/> child; an error's "code" (attribute, or character data of a <code/> child) is kept.
template <typename Packet>
class XmppRspPacket {
 public:
  // True when the packet was accepted and read.
  bool ReadFrom(const base::xmpp::Stanza& stanza) {
    id_ = stanza.Id();
    type_ = stanza.Type();
    error_code_ = 0;
    const base::xml::XmlStanza payload = stanza.Payload();
    if (payload.IsNull() || payload.Xmlns() != Packet::kNamespace) return false;
    const base::xml::XmlStanza error = payload.FindChild("error");
    if (!error.IsNull()) {
      std::string code = error.FindAttribute("code");
      if (code.empty()) code = error.FindChildCData("code");
      error_code_ = std::atoi(code.c_str());
      has_error_ = true;
      return false;
    }
    has_error_ = false;
    return static_cast<Packet*>(this)->ReadPayload(payload);
  }

  const std::string& id() const { return id_; }
  const std::string& type() const { return type_; }
  bool has_error() const { return has_error_; }
  int error_code() const { return error_code_; }

 private:
  std::string id_;
  std::string type_;
  bool has_error_ = false;
  int error_code_ = 0;
};

}  // namespace KOVANI_XMPP
