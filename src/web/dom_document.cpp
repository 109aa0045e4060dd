#include "web/dom_document.h"

#include <utility>

namespace halvora {

namespace {

using platform::XmlNode;
using platform::XmlNodeType;

ObjectRef node_object(const XmlTree& tree, XmlNode node) {
  if (!node) return nullptr;
  return std::make_shared<DomNode>(tree, node);
}

}  // namespace

// ---- DomNode -------------------------------------------------------------------------------

DomNode::DomNode(XmlTree tree, XmlNode node) : tree_(std::move(tree)), node_(node) {}

std::u16string DomNode::nodeName() const {
  return node_ ? tree_->name(node_) : u"#document";
}

int32_t DomNode::nodeType() const {
  return static_cast<int32_t>(node_ ? tree_->type(node_) : XmlNodeType::kDocument);
}

ObjectRef DomNode::childNodes() const {
  std::vector<XmlNode> children;
  if (node_)
    for (XmlNode child = tree_->first_child(node_); child; child = tree_->next_sibling(child))
      children.push_back(child);
  return std::make_shared<DomNodeList>(tree_, std::move(children), false);
}

ObjectRef DomNode::firstChild() const {
  return node_ ? node_object(tree_, tree_->first_child(node_)) : nullptr;
}

ObjectRef DomNode::nextSibling() const {
  return node_ ? node_object(tree_, tree_->next_sibling(node_)) : nullptr;
}

std::u16string DomNode::text() const {
  return node_ ? tree_->text(node_) : u"";
}

std::u16string DomNode::xml() const {
  return node_ ? tree_->xml(node_) : u"";
}

ObjectRef DomNode::selectSingleNode(const std::u16string& queryString) const {
  return node_ ? node_object(tree_, tree_->select_node(node_, queryString)) : nullptr;
}

ObjectRef DomNode::selectNodes(const std::u16string& queryString) const {
  std::vector<XmlNode> found;
  if (node_) found = tree_->select_nodes(node_, queryString);
  return std::make_shared<DomNodeList>(tree_, std::move(found), true);
}

Variant DomNode::getAttribute(const std::u16string& name) const {
  std::optional<std::u16string> value = tree_->attribute(node_, name);
  return value ? Variant(std::move(*value)) : Variant(Null{});
}

std::u16string DomNode::type_name() const {
  switch (tree_->type(node_)) {
    case XmlNodeType::kElement:
      return u"IXMLDOMElement";
    case XmlNodeType::kText:
      return u"IXMLDOMText";
    case XmlNodeType::kCData:
      return u"IXMLDOMCDATASection";
    case XmlNodeType::kProcessingInstruction:
      return u"IXMLDOMProcessingInstruction";
    case XmlNodeType::kComment:
      return u"IXMLDOMComment";
    case XmlNodeType::kDocumentType:
      return u"IXMLDOMDocumentType";
    case XmlNodeType::kDocument:
      break;
  }
  return u"IXMLDOMNode";
}

// In the platform's order: the node's own properties, then selection; getAttribute is an
// element's only, so that calling it on any other node is 438 as with the platform's DOM. The
// document's table begins with the same members.
const MemberTable& DomNode::members() const {
  static const MemberTable node{
      read_only<&DomNode::nodeName>(u"nodeName"),
      read_only<&DomNode::nodeType>(u"nodeType"),
      read_only<&DomNode::childNodes>(u"childNodes"),
      read_only<&DomNode::firstChild>(u"firstChild"),
      read_only<&DomNode::nextSibling>(u"nextSibling"),
      read_only<&DomNode::text>(u"text"),
      read_only<&DomNode::xml>(u"xml"),
      method<&DomNode::selectNodes>(u"selectNodes", {u"queryString"}),
      method<&DomNode::selectSingleNode>(u"selectSingleNode", {u"queryString"}),
  };
  static const MemberTable element{
      read_only<&DomNode::nodeName>(u"nodeName"),
      read_only<&DomNode::nodeType>(u"nodeType"),
      read_only<&DomNode::childNodes>(u"childNodes"),
      read_only<&DomNode::firstChild>(u"firstChild"),
      read_only<&DomNode::nextSibling>(u"nextSibling"),
      read_only<&DomNode::text>(u"text"),
      read_only<&DomNode::xml>(u"xml"),
      method<&DomNode::selectNodes>(u"selectNodes", {u"queryString"}),
      method<&DomNode::selectSingleNode>(u"selectSingleNode", {u"queryString"}),
      method<&DomNode::getAttribute>(u"getAttribute", {u"name"}),
  };
  return node_ && tree_->type(node_) == XmlNodeType::kElement ? element : node;
}

// ---- DomDocument ---------------------------------------------------------------------------

DomDocument::DomDocument() : DomNode(platform::create_xml_document(), {}) {
  node_ = tree_->root();
}

bool DomDocument::loadXML(const std::u16string& text) {
  XmlTree fresh = platform::create_xml_document();
  bool parsed = fresh->load_xml(text);
  tree_ = std::move(fresh);
  node_ = tree_->root();
  error_code_ = parsed ? 0 : kParseFailed;
  reason_ = parsed ? u"" : tree_->parse_error();
  return parsed;
}

ObjectRef DomDocument::documentElement() const {
  return node_object(tree_, tree_->document_element());
}

ObjectRef DomDocument::parseError() const {
  return std::make_shared<DomParseError>(error_code_, reason_);
}

const MemberTable& DomDocument::members() const {
  static const MemberTable table{
      read_only<&DomNode::nodeName>(u"nodeName"),
      read_only<&DomNode::nodeType>(u"nodeType"),
      read_only<&DomNode::childNodes>(u"childNodes"),
      read_only<&DomNode::firstChild>(u"firstChild"),
      read_only<&DomNode::nextSibling>(u"nextSibling"),
      read_only<&DomNode::text>(u"text"),
      read_only<&DomNode::xml>(u"xml"),
      method<&DomNode::selectNodes>(u"selectNodes", {u"queryString"}),
      method<&DomNode::selectSingleNode>(u"selectSingleNode", {u"queryString"}),
      read_only<&DomDocument::documentElement>(u"documentElement"),
      read_only<&DomDocument::parseError>(u"parseError"),
      method<&DomDocument::loadXML>(u"loadXML", {u"bstrXML"}),
  };
  return table;
}

// ---- DomNodeList ---------------------------------------------------------------------------

DomNodeList::DomNodeList(XmlTree tree, std::vector<XmlNode> nodes, bool selection)
    : tree_(std::move(tree)), nodes_(std::move(nodes)), selection_(selection) {}

int32_t DomNodeList::length() const {
  return static_cast<int32_t>(nodes_.size());
}

ObjectRef DomNodeList::item(int32_t index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= nodes_.size()) return nullptr;
  return node_object(tree_, nodes_[static_cast<std::size_t>(index)]);
}

std::u16string DomNodeList::type_name() const {
  return selection_ ? u"IXMLDOMSelection" : u"IXMLDOMNodeList";
}

const MemberTable& DomNodeList::members() const {
  static const MemberTable table{
      method<&DomNodeList::item>(u"item", {u"index"}),
      read_only<&DomNodeList::length>(u"length"),
  };
  return table;
}

// ---- DomParseError -------------------------------------------------------------------------

DomParseError::DomParseError(int32_t code, std::u16string reason)
    : code_(code), reason_(std::move(reason)) {}

const MemberTable& DomParseError::members() const {
  static const MemberTable table{
      read_only<&DomParseError::errorCode>(u"errorCode"),
      read_only<&DomParseError::reason>(u"reason"),
  };
  return table;
}

}  // namespace halvora
