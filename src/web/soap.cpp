#include "web/soap.h"

#include "automation/text.h"
#include "platform/http.h"
#include "platform/xml.h"

namespace halvora {

std::u16string url_authority(std::u16string_view url) {
  std::size_t start = url.find(u"://");
  start = start == std::u16string_view::npos ? 0 : start + 3;
  std::size_t end = url.find_first_of(u"/?#", start);
  std::u16string_view authority =
      url.substr(start, end == std::u16string_view::npos ? std::u16string_view::npos : end - start);
  if (std::size_t at = authority.rfind(u'@'); at != std::u16string_view::npos)
    authority.remove_prefix(at + 1);
  return std::u16string(authority);
}

std::u16string EnviarSoap(std::u16string_view url, std::u16string_view envelope,
                          std::u16string_view soapAction, std::u16string_view responseElement,
                          std::u16string_view resultElement) {
  auto request = platform::create_http_request();
  auto document = platform::create_xml_document();

  std::string body = utf16_to_utf8(envelope);
  request->open(u"POST", url);
  request->set_request_header(u"Host", url_authority(url));
  request->set_request_header(u"Content-Type", u"application/soap+xml; charset=utf-8");
  request->set_request_header(u"Content-length", utf8_to_utf16(std::to_string(body.size())));
  request->set_request_header(u"SOAPAction", soapAction);
  request->send(body);
  document->load_xml(request->response_text());

  // From here on nothing fails: whatever the reply is, a missing value is an empty text.
  std::u16string path = u"/soap:Envelope/soap:Body/";
  path.append(responseElement).append(u"/").append(resultElement);
  return document->select_text(path).value_or(u"");
}

std::u16string xml_escape(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (char16_t c : text) {
    switch (c) {
      case u'&':
        out += u"&amp;";
        break;
      case u'<':
        out += u"&lt;";
        break;
      case u'>':
        out += u"&gt;";
        break;
      case u'"':
        out += u"&quot;";
        break;
      case u'\'':
        out += u"&apos;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

}  // namespace halvora
