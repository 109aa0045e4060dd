// The parsed reply a channel-manager call hands back by reference: a DOM document as hosts know
// it from the platform, read-only apart from loadXML. A host reads it as it would the platform's
// own: documentElement, selectSingleNode, selectNodes, childNodes (length, item(i) from 0),
// firstChild, nextSibling, nodeName, nodeType, text, xml, getAttribute on elements,
// parseError.errorCode and parseError.reason.
//
// Where the platform has a DOM of its own that hosts can talk to (Windows: MSXML), the document
// goes out to hosts as that object itself (foreign_dispatch), and these members serve only the
// library's own reading. Elsewhere they are the DOM hosts get.
//
// Nodes and node lists hold the parsed tree they came from, so they stay valid while a host
// holds them, after the document itself is released or loaded again (a load parses into a new
// tree; the old one lives on with its nodes).
//
// Not creatable by name (like Collection), so none of these is in the class registry.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "automation/members.h"
#include "automation/object.h"
#include "platform/xml.h"

namespace halvora {

using XmlTree = std::shared_ptr<platform::XmlDocument>;

// What the document and its nodes share: navigation, text, markup and selection from a node.
class DomNode : public Object {
 public:
  DomNode(XmlTree tree, platform::XmlNode node);

  std::u16string nodeName() const;
  int32_t nodeType() const;
  // Each call gives a new list of the children as they are.
  ObjectRef childNodes() const;
  ObjectRef firstChild() const;  // Nothing when there is none
  ObjectRef nextSibling() const;
  std::u16string text() const;
  std::u16string xml() const;
  // Literal paths of qualified names, as the platform's selection language matches them without
  // namespaces: "/a:B/C" from the document, "C/D" from this node. Nothing, or an empty list,
  // when no element matches.
  ObjectRef selectSingleNode(const std::u16string& queryString) const;
  ObjectRef selectNodes(const std::u16string& queryString) const;
  // Elements only: the attribute's value, or Null when the element has no such attribute.
  Variant getAttribute(const std::u16string& name) const;

  const MemberTable& members() const override;
  std::u16string type_name() const override;

 protected:
  XmlTree tree_;
  platform::XmlNode node_;
};

class DomDocument final : public DomNode {
 public:
  // The parseError code of a text that did not parse: the platform's generic failure
  // (E_FAIL, 0x80004005), which is what its parser gives under Wine for every refused text.
  // Windows's own parser gives a code per kind of error; hosts compare with 0.
  static constexpr int32_t kParseFailed = -2147467259;

  DomDocument();

  // Replaces the document with the parsed text and answers whether it parsed (text that does
  // not parse leaves the document empty, with parseError saying why).
  bool loadXML(const std::u16string& text);
  ObjectRef documentElement() const;  // Nothing for an empty document
  ObjectRef parseError() const;

  const MemberTable& members() const override;
  std::u16string type_name() const override { return u"DOMDocument"; }
  void* foreign_dispatch() const override { return tree_->foreign_dispatch(); }

 private:
  int32_t error_code_ = 0;
  std::u16string reason_;
};

// childNodes ("IXMLDOMNodeList") and selectNodes ("IXMLDOMSelection"): length and item(i),
// 0-based; an index out of range gives Nothing.
class DomNodeList final : public Object {
 public:
  DomNodeList(XmlTree tree, std::vector<platform::XmlNode> nodes, bool selection);

  int32_t length() const;
  ObjectRef item(int32_t index) const;

  const MemberTable& members() const override;
  std::u16string type_name() const override;

 private:
  XmlTree tree_;
  std::vector<platform::XmlNode> nodes_;
  bool selection_;
};

// parseError: errorCode 0 when the last load parsed, nonzero otherwise; reason says why.
class DomParseError final : public Object {
 public:
  DomParseError(int32_t code, std::u16string reason);

  int32_t errorCode() const { return code_; }
  std::u16string reason() const { return reason_; }

  const MemberTable& members() const override;
  std::u16string type_name() const override { return u"IXMLDOMParseError"; }

 private:
  int32_t code_;
  std::u16string reason_;
};

}  // namespace halvora
