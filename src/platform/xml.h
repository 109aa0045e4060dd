// The XML document the web-service classes use: parse text, select by a literal path of
// qualified names, read and write element text, serialize.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace halvora::platform {

class XmlDocument {
 public:
  virtual ~XmlDocument() = default;

  // Text that does not parse leaves the document empty and answers false; not a failure.
  virtual bool load_xml(std::u16string_view text) = 0;

  // Paths are "/a:Envelope/a:Body/Name/Child": each step matches an element's qualified name
  // exactly as written (prefix included, no namespace resolution); the first match in document
  // order wins. The text is the character data of the element and its descendants with
  // leading and trailing white space removed. Nothing when no element matches.
  virtual std::optional<std::u16string> select_text(std::u16string_view path) const = 0;

  // Replaces the element's content with the text; false when no element matches.
  virtual bool set_text(std::u16string_view path, std::u16string_view text) = 0;

  // The document as text, with its XML declaration when it had one; empty when empty.
  virtual std::u16string xml() const = 0;
};

std::unique_ptr<XmlDocument> create_xml_document();

}  // namespace halvora::platform
