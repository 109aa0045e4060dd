#include "web/soap_request.h"

#include "automation/error.h"
#include "platform/xml.h"
#include "web/soap.h"

namespace halvora {

std::u16string build_soap12_request(std::u16string_view operation,
                                    std::u16string_view namespace_uri,
                                    std::span<const SoapParameter> parameters) {
  std::u16string text =
      u"<?xml version=\"1.0\" encoding=\"utf-8\"?>"
      u"<soap12:Envelope xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
      u"xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
      u"xmlns:soap12=\"http://www.w3.org/2003/05/soap-envelope\"><soap12:Body><";
  text.append(operation).append(u" xmlns=\"").append(xml_escape(namespace_uri)).append(u"\">");
  for (const SoapParameter& p : parameters) {
    text.append(u"<").append(p.element).append(u">").append(p.placeholder);
    text.append(u"</").append(p.element).append(u">");
  }
  text.append(u"</").append(operation).append(u"></soap12:Body></soap12:Envelope>");

  auto document = platform::create_xml_document();
  document->load_xml(text);
  std::u16string prefix = u"/soap12:Envelope/soap12:Body/" + std::u16string(operation) + u"/";
  for (const SoapParameter& p : parameters) {
    if (!document->set_text(prefix + std::u16string(p.element), p.value))
      throw Error::standard(err::kObjectNotSet);
  }
  return document->xml();
}

}  // namespace halvora
