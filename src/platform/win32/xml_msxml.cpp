// XmlDocument on the version-independent MSXML DOM document.
//
// Paths go to selectSingleNode unchanged. That class's default selection language is the XSL
// pattern language, which compares a step's prefix with the element's prefix as written and
// resolves no namespaces: exactly what the callers expect, since the services' replies use
// whatever prefix they like and the callers write the prefix they know. The XPath language
// (the default of the 6.0 class) would require every prefix to be declared to the document
// first, so that class and that language are not used.
//
// xml() is what the object gives. Windows's MSXML writes the declaration without its encoding
// attribute (<?xml version="1.0"?>) because its text is UTF-16; Wine's keeps the attribute and
// indents the elements. Neither does harm: the callers send the text as UTF-8 bytes, which is
// what a declaration without an encoding means, and the peers ignore white space between
// elements.
#include <msxml2.h>

#include <string>

#include "platform/win32/com_support.h"
#include "platform/xml.h"

namespace halvora::platform {

namespace {

using win32::Bstr;
using win32::ComPtr;

// MSXML2.DOMDocument (version-independent) and IXMLDOMDocument.
constexpr CLSID kDomDocument = {
    0xf6d90f11, 0x9c73, 0x11d3, {0xb3, 0x2e, 0x00, 0xc0, 0x4f, 0x99, 0x0b, 0xb4}};
constexpr IID kIidXmlDomDocument = {
    0x2933bf81, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};

std::u16string trim_white(std::u16string_view s) {
  constexpr std::u16string_view kWhite = u" \t\r\n";
  std::size_t b = s.find_first_not_of(kWhite);
  if (b == std::u16string_view::npos) return {};
  return std::u16string(s.substr(b, s.find_last_not_of(kWhite) - b + 1));
}

// Absolute paths with no empty step only, as on POSIX: "//x" means something else entirely to
// the pattern language, and a relative path would depend on a context the callers never set.
bool plain_path(std::u16string_view path) {
  if (path.size() < 2 || path.front() != u'/' || path.back() == u'/') return false;
  return path.find(u"//") == std::u16string_view::npos;
}

class MsxmlDocument final : public XmlDocument {
 public:
  bool load_xml(std::u16string_view text) override {
    ComPtr<IXMLDOMDocument> doc = create();
    if (!doc) return false;
    VARIANT_BOOL ok = VARIANT_FALSE;
    Bstr source(text);
    // A failed load leaves the object empty, which is what the callers want of it.
    if (FAILED(doc->loadXML(source.get(), &ok)) || ok != VARIANT_TRUE) {
      doc_ = std::move(doc);
      return false;
    }
    ComPtr<IXMLDOMElement> root;
    bool has_root = SUCCEEDED(doc->get_documentElement(root.put())) && root;
    doc_ = std::move(doc);
    return has_root;
  }

  std::optional<std::u16string> select_text(std::u16string_view path) const override {
    ComPtr<IXMLDOMNode> node = locate(path);
    if (!node) return std::nullopt;
    Bstr text;
    if (FAILED(node->get_text(text.put()))) return std::nullopt;
    // The object trims already in its default white-space mode; the contract does not rely on it.
    return trim_white(text.text());
  }

  bool set_text(std::u16string_view path, std::u16string_view text) override {
    ComPtr<IXMLDOMNode> node = locate(path);
    if (!node) return false;
    Bstr value(text);
    return SUCCEEDED(node->put_text(value.get()));
  }

  std::u16string xml() const override {
    if (!doc_) return {};
    Bstr text;
    if (FAILED(doc_->get_xml(text.put()))) return {};
    return text.text();
  }

 private:
  static ComPtr<IXMLDOMDocument> create() {
    win32::join_apartment();
    ComPtr<IXMLDOMDocument> doc;
    if (FAILED(CoCreateInstance(kDomDocument, nullptr, CLSCTX_INPROC_SERVER, kIidXmlDomDocument,
                                reinterpret_cast<void**>(doc.put()))))
      return {};
    // Replies come from the network: no DTD or entity fetched on their behalf.
    doc->put_resolveExternals(VARIANT_FALSE);
    doc->put_validateOnParse(VARIANT_FALSE);
    return doc;
  }

  ComPtr<IXMLDOMNode> locate(std::u16string_view path) const {
    ComPtr<IXMLDOMNode> node;
    if (!doc_ || !plain_path(path)) return node;
    Bstr query(path);
    // S_FALSE and a null node: nothing matches.
    if (doc_->selectSingleNode(query.get(), node.put()) != S_OK) node.reset();
    return node;
  }

  ComPtr<IXMLDOMDocument> doc_;
};

}  // namespace

std::unique_ptr<XmlDocument> create_xml_document() {
  return std::make_unique<MsxmlDocument>();
}

}  // namespace halvora::platform
