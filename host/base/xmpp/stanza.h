#pragma once

#include <string>
#include <string_view>

#include "host/base/xml/xml_stanza.h"

namespace base::xmpp {

// One XMPP-style stanza ("message", "iq", "presence") of the push stream, for example
//   <message id="17" type="push" to="alice"><push xmlns="halvard:kovani:meetlog_push">...</push></message>
class Stanza {
 public:
  Stanza() = default;  // null
  explicit Stanza(xml::XmlStanza root) : root_(std::move(root)) {}
  // Null when `text` is not well-formed XML.
  static Stanza Parse(std::string_view text) { return Stanza(xml::XmlStanza::Parse(text)); }

  bool IsNull() const { return root_.IsNull(); }
  std::string Name() const { return root_.Name(); }
  std::string Id() const { return root_.FindAttribute("id"); }
  std::string Type() const { return root_.FindAttribute("type"); }
  std::string From() const { return root_.FindAttribute("from"); }
  std::string To() const { return root_.FindAttribute("to"); }
  // The payload element named `name` (for example "push"); null when the stanza has none.
  xml::XmlStanza CustomTagForName(std::string_view name) const { return root_.FindChild(name); }
  // The first payload element, whatever its name; null when there is none.
  xml::XmlStanza Payload() const { return root_.FirstChild(); }
  const xml::XmlStanza& root() const { return root_; }
  std::string ToString() const { return root_.ToString(); }

 private:
  xml::XmlStanza root_;
};

}  // namespace base::xmpp
