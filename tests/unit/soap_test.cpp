// The shared SOAP routine and the channel-manager envelopes.
#include "web/soap.h"
#include "services/channel_envelopes.h"
#include "web/failure_report.h"

#include <gtest/gtest.h>

#include "automation/conversions.h"
#include "automation/text.h"
#include "support/http_server.h"
#include "support/test_env.h"

namespace halvora {
namespace {

using test::HttpServer;
using test::ScopedEnv;

std::vector<std::u16string> lines_of(const std::u16string& text) {
  std::vector<std::u16string> out;
  std::size_t start = 0;
  for (;;) {
    std::size_t at = text.find(u"\r\n", start);
    out.push_back(text.substr(start, at == std::u16string::npos ? at : at - start));
    if (at == std::u16string::npos) return out;
    start = at + 2;
  }
}

const std::u16string kEnvelopeLine =
    u"<soapenv:Envelope xmlns:soapenv=\"http://schemas.xmlsoap.org/soap/envelope/\" "
    u"xmlns:tem=\"http://tempuri.org/\">";

TEST(Envelopes, InventoryIsTheExactTwentyNineLines) {
  ScopedEnv ns{"HALVORA_CHANNEL_NS", nullptr};
  std::u16string text = ArmarSaveInventario(262500, u"2026-12-01", u"2026-12-31", u"DBL");
  EXPECT_EQ(text.substr(text.size() - 19), u"</soapenv:Envelope>");  // no line end after it
  auto lines = lines_of(text);
  ASSERT_EQ(lines.size(), 29u);
  EXPECT_EQ(lines[0], kEnvelopeLine);
  EXPECT_EQ(lines[1], u"   <soapenv:Header/>");
  EXPECT_EQ(lines[3], u"      <tem:Save>");
  EXPECT_EQ(lines[4], u"         <!--Optional:-->");
  EXPECT_EQ(lines[5], u"         <tem:HotelCode>262500</tem:HotelCode>");
  EXPECT_EQ(lines[15], u"         <tem:Start>2026-12-01</tem:Start>");
  EXPECT_EQ(lines[17], u"         <tem:Endd>2026-12-31</tem:Endd>");
  EXPECT_EQ(lines[19], u"         <tem:InvTypeCode>DBL</tem:InvTypeCode>");
  EXPECT_EQ(lines[25], u"         <tem:MultiId>0</tem:MultiId>");
  EXPECT_EQ(lines[26], u"      </tem:Save>");
  EXPECT_EQ(lines[27], u"   </soapenv:Body>");
  EXPECT_EQ(lines[28], u"</soapenv:Envelope>");
}

TEST(Envelopes, RestrictionAndGetList) {
  ScopedEnv ns{"HALVORA_CHANNEL_NS", "urn:channel"};
  auto r = lines_of(ArmarSaveRestriccion(12, u"a", u"b", u"SGL", u"Close"));
  ASSERT_EQ(r.size(), 37u);
  EXPECT_EQ(r[0].find(u"xmlns:tem=\"urn:channel\">"), r[0].size() - 24);
  EXPECT_EQ(r[5], u"         <tem:HotelCode>12</tem:HotelCode>");
  EXPECT_EQ(r[7], u"         <tem:MessageContentCode>1</tem:MessageContentCode>");
  EXPECT_EQ(r[15], u"         <tem:Status>Close</tem:Status>");
  EXPECT_EQ(r[25], u"         <tem:Weds>1</tem:Weds>");
  EXPECT_EQ(r[33], u"         <tem:Sun>1</tem:Sun>");
  EXPECT_EQ(r[34], u"      </tem:Save>");

  auto g = lines_of(ArmarGetList(7));
  ASSERT_EQ(g.size(), 9u);
  EXPECT_EQ(g[5], u"         <tem:uniqueID>7</tem:uniqueID>");
  EXPECT_EQ(g[6], u"      </tem:GetList>");
}

TEST(Envelopes, InsertedValuesAreEscapedAndNumbersUseTheRegionalSeparator) {
  auto lines = lines_of(ArmarSaveRestriccion(1, u"<a>", u"x&y", u"\"q\"", u"it's</tem:Status>"));
  EXPECT_EQ(lines[17], u"         <tem:Start>&lt;a&gt;</tem:Start>");
  EXPECT_EQ(lines[19], u"         <tem:Endd>x&amp;y</tem:Endd>");
  EXPECT_EQ(lines[11], u"         <tem:InvTypeCode>&quot;q&quot;</tem:InvTypeCode>");
  EXPECT_EQ(lines[15], u"         <tem:Status>it&apos;s&lt;/tem:Status&gt;</tem:Status>");

  RegionalSettings saved = regional(), comma = saved;
  comma.decimal = u',';
  set_regional(comma);
  EXPECT_EQ(lines_of(ArmarGetList(2.5))[5], u"         <tem:uniqueID>2,5</tem:uniqueID>");
  set_regional(saved);
}

TEST(UrlAuthority, IsTheHostWithItsPort) {
  const std::pair<const char16_t*, const char16_t*> cases[] = {
      {u"http://fidelidad.hotel.example/server1/service.asmx", u"fidelidad.hotel.example"},
      {u"http://127.0.0.1:8080/x", u"127.0.0.1:8080"},
      {u"http://user:pw@host:81?q", u"host:81"},
      {u"http://host", u"host"},
  };
  for (const auto& [url, host] : cases) EXPECT_EQ(url_authority(url), host);
}

class EnviarSoapTest : public ::testing::Test {
 protected:
  HttpServer server;
  std::u16string url = utf8_to_utf16(server.url("/server1/service.asmx"));
  std::u16string send(const std::string& reply, int status = 200) {
    test::CannedResponse r;
    r.status = status;
    r.body = reply;
    server.respond(r);
    return EnviarSoap(url, u"<e>ñ</e>", u"urn:act", u"OpResponse", u"OpResult");
  }
};

TEST_F(EnviarSoapTest, ReadsTheResultUnderThePrefixedEnvelope) {
  EXPECT_EQ(send("<soap:Envelope xmlns:soap=\"u\"><soap:Body><OpResponse><OpResult> 150.5 "
                 "<b>x</b></OpResult></OpResponse></soap:Body></soap:Envelope>"),
            u"150.5 x");
  auto r = server.last_request();
  EXPECT_EQ(r.body, "<e>\xC3\xB1</e>");
  EXPECT_EQ(r.header("Content-length"), "9");  // bytes, not characters
  EXPECT_EQ(r.header("SOAPAction"), "urn:act");
  EXPECT_EQ(r.header("Expect"), "");
}

TEST_F(EnviarSoapTest, AnythingWrongWithTheReplyIsAnEmptyText) {
  const char* replies[] = {
      "<env:Envelope xmlns:env=\"u\"><env:Body><OpResponse><OpResult>1</OpResult>"
      "</OpResponse></env:Body></env:Envelope>",
      "<soap:Envelope xmlns:soap=\"u\"><soap:Body><soap:Fault><faultstring>no</faultstring>"
      "</soap:Fault></soap:Body></soap:Envelope>",
      "<soap:Envelope xmlns:soap=\"u\"><soap:Body><OpResponse/></soap:Body></soap:Envelope>",
      "<html><body>Error 500</body></html>",
      "<soap:Envelope><unclosed>",
      "",
  };
  for (const char* reply : replies) {
    EXPECT_EQ(send(reply, 500), u"") << reply;
    EXPECT_EQ(send(reply, 200), u"") << reply;
  }
}

// Any service, or anyone on a plain-http path, can send a result nested deeper than a stack
// holds: the text is still gathered, and the host lives on.
TEST_F(EnviarSoapTest, ADeeplyNestedResultIsReadNotACrash) {
  constexpr int kDepth = 150000;
  std::string nested;
  for (int i = 0; i < kDepth; ++i) nested += "<a>";
  nested += "42";
  for (int i = 0; i < kDepth; ++i) nested += "</a>";
  EXPECT_EQ(send("<soap:Envelope xmlns:soap=\"u\"><soap:Body><OpResponse><OpResult>" + nested +
                 "</OpResult></OpResponse></soap:Body></soap:Envelope>"),
            u"42");
}

TEST(EnviarSoap, UnreachableHostsFailWithThePlatformError) {
  ScopedEnv timeout{"HALVORA_HTTP_TIMEOUT_MS", "3000"};
  for (std::string url : {std::string("http://no-such-host.invalid/s"),
                          "http://127.0.0.1:" + std::to_string(test::refused_port()) + "/s"}) {
    try {
      EnviarSoap(utf8_to_utf16(url), u"<e/>", u"a", u"R", u"S");
      ADD_FAILURE() << url;
    } catch (const Error& e) {
      EXPECT_EQ(e.number(), -2146697211) << url;
      EXPECT_EQ(e.description(), u"The system cannot locate the resource specified.");
      EXPECT_EQ(e.source(), u"msxml6.dll");
    }
  }
}

TEST(FailureReport, ShowsNumberDescriptionAndSourceAsCriticalBox) {
  test::UiScope ui;
  reporting_failures(u"Título", [] { throw Error(-5, u"Falla", u"comp.dll"); });
  reporting_failures(u"T2", [] { throw std::runtime_error("boom"); });
  ASSERT_EQ(ui.ui().boxes.size(), 2u);
  EXPECT_EQ(ui.ui().boxes[0].text, u"ERROR: -5 Falla\r\ncomp.dll");
  EXPECT_EQ(ui.ui().boxes[0].title, u"Título");
  EXPECT_EQ(ui.ui().boxes[0].style, 16);
  EXPECT_EQ(ui.ui().boxes[1].text.substr(0, 10), u"ERROR: 51 ");
}

}  // namespace
}  // namespace halvora
