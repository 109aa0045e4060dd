// The parsed reply a channel-manager call hands back by reference: a small XML document object
// that hosts can hold, read as text and reload. Not creatable by name (like Collection), so it
// is not in the class registry.
#pragma once

#include <memory>
#include <string>

#include "automation/members.h"
#include "automation/object.h"

namespace halvora {
namespace platform {
class XmlDocument;
}

class XmlDocumentObject : public Object {
 public:
  XmlDocumentObject();
  ~XmlDocumentObject() override;

  // The host's members: `xml` (read only) is the document serialized, empty for an empty
  // document; `loadXML` replaces the document and answers whether the text parsed (text that
  // does not parse leaves the document empty).
  std::u16string xml() const;
  bool loadXML(const std::u16string& text);

  const MemberTable& members() const override;
  std::u16string type_name() const override { return u"DOMDocument"; }

 private:
  std::unique_ptr<platform::XmlDocument> document_;
};

}  // namespace halvora
