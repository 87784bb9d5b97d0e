// XmlStanza::Parse on any text (push stanzas arrive from the network); an accepted stanza must
// print to XML that parses again to the same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "host/base/xml/xml_stanza.h"

namespace {

void Walk(const base::xml::XmlStanza& element, int depth) {
  if (depth > 64) return;
  element.Name();
  element.Xmlns();
  element.CData();
  element.FindAttribute("xmlns");
  element.FindChildCData("body");
  for (const auto& child : element.Children()) {
    if (element.FindChild(child.Name()).IsNull()) std::abort();
    Walk(child, depth + 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const base::xml::XmlStanza stanza = base::xml::XmlStanza::Parse(text);
  if (stanza.IsNull()) return 0;
  Walk(stanza, 0);
  const std::string printed = stanza.ToString();
  const base::xml::XmlStanza again = base::xml::XmlStanza::Parse(printed);
  if (again.IsNull() || again.ToString() != printed) std::abort();
  return 0;
}
