#include "services/channel_envelopes.h"

#include <array>
#include <span>

#include "automation/conversions.h"
#include "platform/config.h"
#include "web/soap.h"

namespace halvora {

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

}  // namespace halvora
