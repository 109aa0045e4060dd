#include "web/xml_object.h"

#include <span>

#include "platform/xml.h"

namespace halvora {

XmlDocumentObject::XmlDocumentObject() : document_(platform::create_xml_document()) {}
XmlDocumentObject::~XmlDocumentObject() = default;

std::u16string XmlDocumentObject::xml() const {
  return document_->xml();
}

bool XmlDocumentObject::loadXML(const std::u16string& text) {
  return document_->load_xml(text);
}

namespace {

// `xml` is a read-only property, which the binding helpers do not cover: one get, no let.
Member xml_property() {
  Member m;
  m.name = u"xml";
  m.kind = MemberKind::Property;
  m.access = kGet;
  m.result = VarType::String;
  m.call = [](Object& target, std::span<Variant>) -> Variant {
    return static_cast<XmlDocumentObject&>(target).xml();
  };
  return m;
}

}  // namespace

const MemberTable& XmlDocumentObject::members() const {
  static const MemberTable table{
      xml_property(),
      method<&XmlDocumentObject::loadXML>(u"loadXML", {u"bstrXML"}),
  };
  return table;
}

}  // namespace halvora
