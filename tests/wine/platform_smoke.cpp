// The win32 platform layer by hand under Wine: the XML document on a SOAP reply, then one HTTP
// POST to the URL given (the simulator's service, or a port where nothing listens).
//   platform_smoke.exe URL [BODY]
#include <cstdio>
#include <string>

#include "automation/conversions.h"
#include "automation/error.h"
#include "automation/text.h"
#include "platform/http.h"
#include "platform/netstate.h"
#include "platform/regional.h"
#include "platform/xml.h"

using namespace halvora;

namespace {

constexpr char16_t kReply[] =
    u"<?xml version=\"1.0\" encoding=\"utf-8\"?>"
    u"<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\">"
    u"<soap:Body><R xmlns=\"http://tempuri.org/\"><S>\n  Saldo 1750.25 \u00e9 </S></R>"
    u"</soap:Body></soap:Envelope>";

void print(const std::string& label, std::u16string_view text) {
  std::printf("%s: %s\n", label.c_str(), utf16_to_utf8(text).c_str());
}

int xml_part() {
  auto doc = platform::create_xml_document();
  bool loaded = doc->load_xml(kReply);
  std::printf("load_xml: %s\n", loaded ? "true" : "false");
  auto text = doc->select_text(u"/soap:Envelope/soap:Body/R/S");
  print("select_text", text ? u"[" + *text + u"]" : u"(none)");
  auto missing = doc->select_text(u"/Envelope/Body/R/S");
  print("unprefixed path", missing ? *missing : u"(none)");
  doc->set_text(u"/soap:Envelope/soap:Body/R/S", u"nuevo <&>");
  print("xml", doc->xml());
  std::printf("load_xml of \"<a>\": %s\n", doc->load_xml(u"<a>") ? "true" : "false");
  print("xml after failed load", doc->xml());
  return loaded && text ? 0 : 1;
}

void machine_part() {
  platform::ConnectionState state = platform::query_connection_state();
  std::printf("connected: %s, flags: %u\n", state.connected ? "true" : "false",
              static_cast<unsigned>(state.flags));
  RegionalSettings rs = platform::regional_settings();
  std::printf(
      "regional: decimal %s thousands %s date order %d separator %s 24h %s am %s pm %s\n",
      utf16_to_utf8(std::u16string(1, rs.decimal)).c_str(),
      utf16_to_utf8(std::u16string(1, rs.thousands)).c_str(), static_cast<int>(rs.date_order),
      utf16_to_utf8(std::u16string(1, rs.date_separator)).c_str(), rs.time_24h ? "yes" : "no",
      utf16_to_utf8(rs.am).c_str(), utf16_to_utf8(rs.pm).c_str());
}

int http_part(const std::u16string& url, const std::string& body) {
  auto request = platform::create_http_request();
  try {
    request->open(u"POST", url);
    request->set_request_header(u"Content-Type", u"text/xml; charset=utf-8");
    request->set_request_header(u"SOAPAction", u"\"http://tempuri.org/Saldo\"");
    request->send(body);
    std::printf("status: %d\n", request->status());
    std::printf("body bytes: %zu\n", request->response_body().size());
    print("text", request->response_text());
  } catch (const Error& e) {
    std::printf("error %d (0x%08X) source %s: %s\n", e.number(), static_cast<unsigned>(e.number()),
                utf16_to_utf8(e.source()).c_str(), utf16_to_utf8(e.description()).c_str());
  }
  try {
    request->set_request_header(u"X-Bad", u"a\r\nInjected: 1");
    std::printf("header with a break: accepted\n");
  } catch (const Error& e) {
    std::printf("header with a break: error %d\n", e.number());
  }
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  int failed = xml_part();
  machine_part();
  if (argc > 1) {
    std::u16string url(reinterpret_cast<const char16_t*>(argv[1]));
    std::string body =
        argc > 2 ? utf16_to_utf8(reinterpret_cast<const char16_t*>(argv[2])) : std::string("<x/>");
    http_part(url, body);
  }
  std::fflush(stdout);
  return failed;
}
