#include "host/base/xml/xml_stanza.h"

#include <pugixml.hpp>

#include <sstream>

namespace base::xml {

namespace detail {
struct XmlDocument {
  pugi::xml_document document;
};
}  // namespace detail

namespace {

pugi::xml_node Node(void* node) { return pugi::xml_node(static_cast<pugi::xml_node_struct*>(node)); }

}  // namespace

XmlStanza XmlStanza::Parse(std::string_view text) {
  auto doc = std::make_shared<detail::XmlDocument>();
  // Fragment mode keeps text outside the element, so that it can be refused below.
  const pugi::xml_parse_result parsed = doc->document.load_buffer(
      text.data(), text.size(), pugi::parse_default | pugi::parse_fragment, pugi::encoding_utf8);
  if (!parsed) return {};
  pugi::xml_node root;
  for (pugi::xml_node node : doc->document.children()) {
    if (node.type() == pugi::node_element) {
      if (root) return {};  // a second top-level element
      root = node;
    } else if ((node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata) &&
               std::string_view(node.value()).find_first_not_of(" \t\r\n") != std::string_view::npos) {
      return {};
    }
  }
  if (!root) return {};
  return XmlStanza(std::move(doc), root.internal_object());
}

std::string XmlStanza::Name() const { return IsNull() ? std::string() : Node(node_).name(); }

XmlStanza XmlStanza::FindChild(std::string_view name) const {
  if (IsNull()) return {};
  pugi::xml_node child = Node(node_).find_child(
      [name](pugi::xml_node node) { return node.type() == pugi::node_element && name == node.name(); });
  return child ? XmlStanza(doc_, child.internal_object()) : XmlStanza();
}

std::string XmlStanza::FindChildCData(std::string_view name) const { return FindChild(name).CData(); }

std::string XmlStanza::FindAttribute(std::string_view name) const {
  return IsNull() ? std::string() : Node(node_).attribute(std::string(name).c_str()).value();
}

bool XmlStanza::HasAttribute(std::string_view name) const {
  return !IsNull() && Node(node_).attribute(std::string(name).c_str());
}

std::string XmlStanza::Xmlns() const {
  for (pugi::xml_node node = IsNull() ? pugi::xml_node() : Node(node_); node && node.type() == pugi::node_element;
       node = node.parent()) {
    if (pugi::xml_attribute xmlns = node.attribute("xmlns")) return xmlns.value();
  }
  return {};
}

std::string XmlStanza::CData() const {
  if (IsNull()) return {};
  std::string text;
  for (pugi::xml_node child = Node(node_).first_child(); child; child = child.next_sibling()) {
    if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) text += child.value();
  }
  return text;
}

XmlStanza XmlStanza::FirstChild() const {
  if (IsNull()) return {};
  pugi::xml_node child =
      Node(node_).find_child([](pugi::xml_node node) { return node.type() == pugi::node_element; });
  return child ? XmlStanza(doc_, child.internal_object()) : XmlStanza();
}

std::vector<XmlStanza> XmlStanza::Children() const {
  std::vector<XmlStanza> children;
  if (IsNull()) return children;
  for (pugi::xml_node child = Node(node_).first_child(); child; child = child.next_sibling()) {
    if (child.type() == pugi::node_element) children.push_back(XmlStanza(doc_, child.internal_object()));
  }
  return children;
}

std::string XmlStanza::ToString() const {
  if (IsNull()) return {};
  std::ostringstream out;
  Node(node_).print(out, "", pugi::format_raw);
  return out.str();
}

}  // namespace base::xml
