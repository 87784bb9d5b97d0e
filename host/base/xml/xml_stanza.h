#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The parsed document stays private to the .cc so that no XML library header leaks out.
namespace base::xml::detail {
struct XmlDocument;
}

namespace base::xml {

// An element of a parsed XML document. Copies are cheap and share the (immutable) document, so
// an element may be handed to another thread. Reading never throws: a missing child or attribute
// gives a null element or an empty text.
class XmlStanza {
 public:
  XmlStanza() = default;  // null

  // The one top-level element of `text`; null when the text is not XML (unbalanced tags, bad
  // syntax, no element, two top-level elements, text outside the element). Document type
  // declarations and external entities are not processed; like the underlying parser, an
  // undefined entity is kept as written and a repeated attribute is not refused.
  static XmlStanza Parse(std::string_view text);

  bool IsNull() const { return node_ == nullptr; }
  std::string Name() const;

  // The first child element named `name`; null when there is none.
  XmlStanza FindChild(std::string_view name) const;
  // The character data of that child (see CData); empty when there is none.
  std::string FindChildCData(std::string_view name) const;
  // The value of an attribute; empty when absent.
  std::string FindAttribute(std::string_view name) const;
  bool HasAttribute(std::string_view name) const;
  // The element's default namespace: its own "xmlns" attribute, else the nearest ancestor's.
  std::string Xmlns() const;
  // The text directly inside the element: its character data and CDATA sections, joined.
  std::string CData() const;

  // The first child element; null when there is none.
  XmlStanza FirstChild() const;
  std::vector<XmlStanza> Children() const;
  // The element as compact XML text.
  std::string ToString() const;

 private:
  XmlStanza(std::shared_ptr<const detail::XmlDocument> doc, void* node) : doc_(std::move(doc)), node_(node) {}

  std::shared_ptr<const detail::XmlDocument> doc_;
  void* node_ = nullptr;  // an element inside doc_
};

}  // namespace base::xml
