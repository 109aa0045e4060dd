// The XML document the web-service classes use: parse text, select by a literal path of
// qualified names, read and write element text, serialize; and, for the reply document handed
// to hosts, read the parsed tree node by node.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halvora::platform {

// A node of a loaded document, as a handle. It is valid while the document that gave it lives
// and until that document is loaded again or edited with set_text; callers that hand nodes out
// keep the document alive and never reload it (they load into a new document instead). The
// null handle stands for no node.
struct XmlNode {
  std::uintptr_t id = 0;
  explicit operator bool() const { return id != 0; }
  bool operator==(const XmlNode&) const = default;
};

// Node types, numbered as the platform's DOM numbers them (nodeType).
enum class XmlNodeType : int32_t {
  kElement = 1,
  kText = 3,
  kCData = 4,
  kProcessingInstruction = 7,  // the XML declaration included, as the target "xml"
  kComment = 8,
  kDocument = 9,
  kDocumentType = 10,
};

class XmlDocument {
 public:
  virtual ~XmlDocument() = default;

  // Text that does not parse leaves the document empty and answers false; not a failure. What
  // does not parse is what the platform's parser refuses: besides broken markup, an undeclared
  // namespace prefix, a second root element, character data outside the root element, a
  // reference to an entity other than the five predefined ones (or a character reference to a
  // character XML does not allow), a repeated attribute, a misplaced or malformed declaration,
  // a name or a character XML does not allow, "--" in a comment, "]]>" in text.
  virtual bool load_xml(std::u16string_view text) = 0;

  // Why the last load_xml failed, in a few words; empty when it parsed.
  virtual std::u16string parse_error() const = 0;

  // Paths are "/a:Envelope/a:Body/Name/Child": each step matches an element's qualified name
  // exactly as written (prefix included, no namespace resolution); the first match in document
  // order wins. The text is the character data of the element and its descendants with
  // leading and trailing white space removed. Nothing when no element matches.
  virtual std::optional<std::u16string> select_text(std::u16string_view path) const = 0;

  // Replaces the element's content with the text; false when no element matches.
  virtual bool set_text(std::u16string_view path, std::u16string_view text) = 0;

  // The document as text, with its XML declaration when it had one; empty when empty.
  virtual std::u16string xml() const = 0;

  // ---- The tree, node by node -------------------------------------------------------------
  // Every walk here (text, serialization, selection) runs in a loop, not by recursion, so a
  // deeply nested document cannot exhaust the stack.

  // The document node; null when nothing was ever loaded. A document whose load failed has a
  // document node and no children.
  virtual XmlNode root() const = 0;
  // The one element at the top; null for an empty document.
  virtual XmlNode document_element() const = 0;
  // Children in document order: comments, processing instructions, the declaration and the
  // document type count as children; white space alone between elements is not kept.
  virtual XmlNode first_child(XmlNode node) const = 0;
  virtual XmlNode next_sibling(XmlNode node) const = 0;
  virtual XmlNodeType type(XmlNode node) const = 0;
  // The qualified name of an element, the target of a processing instruction, the name of the
  // document type; "#text", "#cdata-section", "#comment", "#document" for the others.
  virtual std::u16string name(XmlNode node) const = 0;
  // An attribute of an element by its qualified name, as written; nothing when it has none.
  virtual std::optional<std::u16string> attribute(XmlNode element,
                                                  std::u16string_view name) const = 0;
  // For the document and elements, the character data of the node and its descendants; for
  // the others, their own content. Leading and trailing white space removed either way.
  virtual std::u16string text(XmlNode node) const = 0;
  // The node and its descendants as markup; the document node gives xml().
  virtual std::u16string xml(XmlNode node) const = 0;
  // Selection by a literal path, as select_text: an absolute path ("/a/b") starts at the
  // document whatever the context; a relative one ("b/c") starts at the context node's
  // children. Steps are qualified names only (no wildcards, no "." or ".."). select_node gives
  // the first match in document order (null for none), select_nodes every match in order.
  virtual XmlNode select_node(XmlNode context, std::u16string_view path) const = 0;
  virtual std::vector<XmlNode> select_nodes(XmlNode context, std::u16string_view path) const = 0;

  // The platform's own automation object for this document, where the platform has a DOM of
  // its own that hosts can talk to directly (Windows: MSXML's document, as an IDispatch*, not
  // AddRef'd: it lives as long as this document holds it); null elsewhere.
  virtual void* foreign_dispatch() const { return nullptr; }
};

std::unique_ptr<XmlDocument> create_xml_document();

}  // namespace halvora::platform
