#include "frame/soap.h"

#include <array>
#include <new>
#include <span>

#include "frame/conversions.h"
#include "frame/text.h"
#include "platform/config.h"
#include "platform/http.h"
#include "platform/ui.h"
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

namespace {

// One envelope line: its indent and its text, where {0}..{4} stand for the inserted values
// (hotel code, start, end, room type, status).
struct Line {
  int indent;
  std::u16string_view text;
};

constexpr Line kOpening[] = {
    {0,
     u"<soapenv:Envelope xmlns:soapenv=\"http://schemas.xmlsoap.org/soap/envelope/\" "
     u"xmlns:tem=\"{ns}\">"},
    {3, u"<soapenv:Header/>"},
    {3, u"<soapenv:Body>"},
};

constexpr Line kSaveHead[] = {
    {6, u"<tem:Save>"},
    {9, u"<!--Optional:-->"},
    {9, u"<tem:HotelCode>{0}</tem:HotelCode>"},
};

constexpr Line kInventoryBody[] = {
    {9, u"<!--Optional:-->"}, {9, u"<tem:UniqueID></tem:UniqueID>"},
    {9, u"<!--Optional:-->"}, {9, u"<tem:MessageId></tem:MessageId>"},
    {9, u"<!--Optional:-->"}, {9, u"<tem:Version></tem:Version>"},
    {9, u"<!--Optional:-->"}, {9, u"<tem:Target>Production</tem:Target>"},
    {9, u"<!--Optional:-->"}, {9, u"<tem:Start>{1}</tem:Start>"},
    {9, u"<!--Optional:-->"}, {9, u"<tem:Endd>{2}</tem:Endd>"},
    {9, u"<!--Optional:-->"}, {9, u"<tem:InvTypeCode>{3}</tem:InvTypeCode>"},
    {9, u"<!--Optional:-->"}, {9, u"<tem:Count4>0</tem:Count4>"},
    {9, u"<!--Optional:-->"}, {9, u"<tem:Estatus>1</tem:Estatus>"},
    {9, u"<!--Optional:-->"}, {9, u"<tem:MultiId>0</tem:MultiId>"},
};

constexpr Line kRestrictionBody[] = {
    {9, u"<!--Optional:-->"}, {9, u"<tem:MessageContentCode>1</tem:MessageContentCode>"},
    {9, u"<!--Optional:-->"}, {9, u"<tem:RatePlanCode></tem:RatePlanCode>"},
    {9, u"<!--Optional:-->"}, {9, u"<tem:InvTypeCode>{3}</tem:InvTypeCode>"},
    {9, u"<!--Optional:-->"}, {9, u"<tem:Restriction>Master</tem:Restriction>"},
    {9, u"<!--Optional:-->"}, {9, u"<tem:Status>{4}</tem:Status>"},
    {9, u"<!--Optional:-->"}, {9, u"<tem:Start>{1}</tem:Start>"},
    {9, u"<!--Optional:-->"}, {9, u"<tem:Endd>{2}</tem:Endd>"},
    {9, u"<!--Optional:-->"}, {9, u"<tem:Mon>1</tem:Mon>"},
    {9, u"<!--Optional:-->"}, {9, u"<tem:Tue>1</tem:Tue>"},
    {9, u"<!--Optional:-->"}, {9, u"<tem:Weds>1</tem:Weds>"},
    {9, u"<!--Optional:-->"}, {9, u"<tem:Thur>1</tem:Thur>"},
    {9, u"<!--Optional:-->"}, {9, u"<tem:Fri>1</tem:Fri>"},
    {9, u"<!--Optional:-->"}, {9, u"<tem:Sat>1</tem:Sat>"},
    {9, u"<!--Optional:-->"}, {9, u"<tem:Sun>1</tem:Sun>"},
};

constexpr Line kSaveTail[] = {
    {6, u"</tem:Save>"},
};

constexpr Line kGetListBody[] = {
    {6, u"<tem:GetList>"},
    {9, u"<!--Optional:-->"},
    {9, u"<tem:uniqueID>{0}</tem:uniqueID>"},
    {6, u"</tem:GetList>"},
};

constexpr Line kClosing[] = {
    {3, u"</soapenv:Body>"},
    {0, u"</soapenv:Envelope>"},
};

// Writes the lines, each value escaped: a guest or room text holding "&" or "<" must neither
// break the message nor add elements to it.
class EnvelopeWriter {
 public:
  explicit EnvelopeWriter(std::span<const std::u16string> values) : values_(values) {}

  EnvelopeWriter& add(std::span<const Line> lines) {
    for (const Line& line : lines) {
      if (!out_.empty()) out_ += u"\r\n";
      out_.append(static_cast<std::size_t>(line.indent), u' ');
      expand(line.text);
    }
    return *this;
  }
  std::u16string take() { return std::move(out_); }

 private:
  void expand(std::u16string_view text) {
    while (!text.empty()) {
      std::size_t open = text.find(u'{');
      std::size_t close = open == std::u16string_view::npos ? open : text.find(u'}', open);
      if (close == std::u16string_view::npos) {
        out_.append(text);
        return;
      }
      out_.append(text.substr(0, open));
      std::u16string_view key = text.substr(open + 1, close - open - 1);
      if (key == u"ns")
        out_ += xml_escape(config::channel_namespace());
      else
        out_ += xml_escape(values_[static_cast<std::size_t>(key[0] - u'0')]);
      text.remove_prefix(close + 1);
    }
  }

  std::span<const std::u16string> values_;
  std::u16string out_;
};

std::u16string number_text(double value) {
  return double_to_text(value, regional());
}

}  // namespace

std::u16string ArmarSaveInventario(double hotelCode, std::u16string_view start,
                                   std::u16string_view end, std::u16string_view invTypeCode) {
  const std::array<std::u16string, 5> values{number_text(hotelCode), std::u16string(start),
                                             std::u16string(end), std::u16string(invTypeCode), u""};
  return EnvelopeWriter(values)
      .add(kOpening)
      .add(kSaveHead)
      .add(kInventoryBody)
      .add(kSaveTail)
      .add(kClosing)
      .take();
}

std::u16string ArmarSaveRestriccion(double hotelCode, std::u16string_view start,
                                    std::u16string_view end, std::u16string_view invTypeCode,
                                    std::u16string_view status) {
  const std::array<std::u16string, 5> values{number_text(hotelCode), std::u16string(start),
                                             std::u16string(end), std::u16string(invTypeCode),
                                             std::u16string(status)};
  return EnvelopeWriter(values)
      .add(kOpening)
      .add(kSaveHead)
      .add(kRestrictionBody)
      .add(kSaveTail)
      .add(kClosing)
      .take();
}

std::u16string ArmarGetList(double uniqueId) {
  const std::array<std::u16string, 1> values{number_text(uniqueId)};
  return EnvelopeWriter(values).add(kOpening).add(kGetListBody).add(kClosing).take();
}

Error as_error(std::exception_ptr failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const Error& e) {
    return e;
  } catch (const std::bad_alloc&) {
    return Error(7, u"Out of memory");
  } catch (const std::exception& e) {
    return Error(51, u"Internal error: " + utf8_to_utf16(e.what()));
  } catch (...) {
    return Error(51, u"Internal error");
  }
}

void show_failure_report(const Error& failure, std::u16string_view title) {
  std::u16string text = u"ERROR: " + utf8_to_utf16(std::to_string(failure.number())) + u" " +
                        failure.description() + u"\r\n" + failure.source();
  platform::ui().msg_box(text, platform::kStyleCritical, title);
}

}  // namespace halvora
