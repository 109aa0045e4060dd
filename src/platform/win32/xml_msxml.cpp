// XmlDocument on the version-independent MSXML DOM document.
//
// Paths go to selectSingleNode unchanged. That class's default selection language is the XSL
// pattern language, which compares a step's prefix with the element's prefix as written and
// resolves no namespaces: exactly what the callers expect, since the services' replies use
// whatever prefix they like and the callers write the prefix they know. The XPath language
// (the default of the 6.0 class) would require every prefix to be declared to the document
// first, so that class and that language are not used.
//
// Nodes handed out as XmlNode handles are kept referenced by the document (a handle is an index
// into that list) until the next load: the object makes a new COM object for each node it gives,
// so no pointer of its own would do as a lasting handle.
//
// The document goes out to hosts as the object itself (foreign_dispatch), so a host that reads a
// reply talks to MSXML directly, as it would with a document of its own making.
//
// xml() is what the object gives. Windows's MSXML writes the declaration without its encoding
// attribute (<?xml version="1.0"?>) because its text is UTF-16; Wine's keeps the attribute and
// indents the elements. Neither does harm: the callers send the text as UTF-8 bytes, which is
// what a declaration without an encoding means, and the peers ignore white space between
// elements.
#include <msxml2.h>

#include <string>
#include <vector>

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

// Literal paths of qualified names only, as on POSIX: absolute ("/a/b") or relative ("b/c"), no
// empty step ("//x" means something else entirely to the pattern language), no "." or "..", and
// none of the pattern language's operators, which the other build would not understand.
bool plain_path(std::u16string_view path) {
  if (path.starts_with(u'/')) path.remove_prefix(1);
  if (path.empty() || path.back() == u'/') return false;
  if (path.find_first_of(u"*[]@()|=!'\"$ \t\r\n") != std::u16string_view::npos) return false;
  for (std::size_t start = 0;;) {
    std::size_t slash = path.find(u'/', start);
    std::u16string_view step = path.substr(start, slash - start);
    if (step.empty() || step == u"." || step == u"..") return false;
    if (slash == std::u16string_view::npos) return true;
    start = slash + 1;
  }
}

// A node pointer with a reference of its own, from any of the DOM's node interfaces.
template <class T>
ComPtr<IXMLDOMNode> as_node(T* p) {
  ComPtr<IXMLDOMNode> node;
  if (p) {
    p->AddRef();
    *node.put() = p;
  }
  return node;
}

class MsxmlDocument final : public XmlDocument {
 public:
  bool load_xml(std::u16string_view text) override {
    nodes_.clear();
    error_.clear();
    ComPtr<IXMLDOMDocument> doc = create();
    if (!doc) {
      doc_.reset();
      error_ = u"The XML document object could not be created";
      return false;
    }
    VARIANT_BOOL ok = VARIANT_FALSE;
    Bstr source(text);
    // A failed load leaves the object empty, which is what the callers want of it.
    if (FAILED(doc->loadXML(source.get(), &ok)) || ok != VARIANT_TRUE) {
      error_ = reason(doc.get());
      doc_ = std::move(doc);
      return false;
    }
    ComPtr<IXMLDOMElement> root;
    bool has_root = SUCCEEDED(doc->get_documentElement(root.put())) && root;
    if (!has_root) error_ = u"XML document must have a top level element";
    doc_ = std::move(doc);
    return has_root;
  }

  std::u16string parse_error() const override { return error_; }

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

  XmlNode root() const override { return keep(as_node(doc_.get())); }

  XmlNode document_element() const override {
    ComPtr<IXMLDOMElement> element;
    if (!doc_ || doc_->get_documentElement(element.put()) != S_OK) return {};
    return keep(as_node(element.get()));
  }

  XmlNode first_child(XmlNode n) const override {
    ComPtr<IXMLDOMNode> child;
    if (IXMLDOMNode* node = at(n); !node || node->get_firstChild(child.put()) != S_OK) return {};
    return keep(std::move(child));
  }

  XmlNode next_sibling(XmlNode n) const override {
    ComPtr<IXMLDOMNode> sibling;
    if (IXMLDOMNode* node = at(n); !node || node->get_nextSibling(sibling.put()) != S_OK) return {};
    return keep(std::move(sibling));
  }

  // The object's node type numbers are the ones XmlNodeType uses.
  XmlNodeType type(XmlNode n) const override {
    DOMNodeType type = NODE_INVALID;
    if (IXMLDOMNode* node = at(n)) node->get_nodeType(&type);
    return static_cast<XmlNodeType>(type);
  }

  std::u16string name(XmlNode n) const override {
    Bstr name;
    if (IXMLDOMNode* node = at(n)) node->get_nodeName(name.put());
    return name.text();
  }

  std::optional<std::u16string> attribute(XmlNode element,
                                          std::u16string_view name) const override {
    IXMLDOMNode* node = at(element);
    ComPtr<IXMLDOMNamedNodeMap> attributes;
    if (!node || node->get_attributes(attributes.put()) != S_OK || !attributes) return {};
    ComPtr<IXMLDOMNode> item;
    Bstr wanted(name);
    if (attributes->getNamedItem(wanted.get(), item.put()) != S_OK || !item) return {};
    Bstr value;
    if (FAILED(item->get_text(value.put()))) return {};
    return value.text();
  }

  std::u16string text(XmlNode n) const override {
    Bstr text;
    if (IXMLDOMNode* node = at(n)) node->get_text(text.put());
    return trim_white(text.text());
  }

  std::u16string xml(XmlNode n) const override {
    Bstr text;
    if (IXMLDOMNode* node = at(n)) node->get_xml(text.put());
    return text.text();
  }

  XmlNode select_node(XmlNode context, std::u16string_view path) const override {
    IXMLDOMNode* node = at(context);
    ComPtr<IXMLDOMNode> found;
    if (!node || !plain_path(path)) return {};
    Bstr query(path);
    if (node->selectSingleNode(query.get(), found.put()) != S_OK) return {};
    return keep(std::move(found));
  }

  std::vector<XmlNode> select_nodes(XmlNode context, std::u16string_view path) const override {
    std::vector<XmlNode> found;
    IXMLDOMNode* node = at(context);
    ComPtr<IXMLDOMNodeList> list;
    if (!node || !plain_path(path)) return found;
    Bstr query(path);
    long length = 0;
    if (node->selectNodes(query.get(), list.put()) != S_OK || !list ||
        FAILED(list->get_length(&length)))
      return found;
    for (long i = 0; i < length; ++i) {
      ComPtr<IXMLDOMNode> item;
      if (list->get_item(i, item.put()) == S_OK) found.push_back(keep(std::move(item)));
    }
    return found;
  }

  void* foreign_dispatch() const override {
    return doc_ ? static_cast<IDispatch*>(doc_.get()) : nullptr;
  }

 private:
  static std::u16string reason(IXMLDOMDocument* doc) {
    ComPtr<IXMLDOMParseError> error;
    Bstr text;
    if (SUCCEEDED(doc->get_parseError(error.put())) && error) error->get_reason(text.put());
    std::u16string reason = trim_white(text.text());
    return reason.empty() ? u"The text does not parse" : reason;
  }

  XmlNode keep(ComPtr<IXMLDOMNode> node) const {
    if (!node) return {};
    nodes_.push_back(std::move(node));
    return XmlNode{nodes_.size()};
  }

  IXMLDOMNode* at(XmlNode n) const {
    return n && n.id <= nodes_.size() ? nodes_[n.id - 1].get() : nullptr;
  }

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

  // select_text and set_text take absolute paths only: their callers name the whole path.
  ComPtr<IXMLDOMNode> locate(std::u16string_view path) const {
    ComPtr<IXMLDOMNode> node;
    if (!doc_ || !path.starts_with(u'/') || !plain_path(path)) return node;
    Bstr query(path);
    // S_FALSE and a null node: nothing matches.
    if (doc_->selectSingleNode(query.get(), node.put()) != S_OK) node.reset();
    return node;
  }

  ComPtr<IXMLDOMDocument> doc_;
  std::u16string error_;
  // Every node handed out since the last load; a handle is its position + 1.
  mutable std::vector<ComPtr<IXMLDOMNode>> nodes_;
};

}  // namespace

std::unique_ptr<XmlDocument> create_xml_document() {
  return std::make_unique<MsxmlDocument>();
}

}  // namespace halvora::platform
