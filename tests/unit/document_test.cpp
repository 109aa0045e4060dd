// The loyalty-card client against a loopback loyalty service.
#include "services/document.h"

#include <gtest/gtest.h>

#include "automation/text.h"
#include "library/registry.h"
#include "support/http_server.h"
#include "support/test_env.h"

namespace halvora {
namespace {

using test::CannedResponse;
using test::HttpServer;
using test::ScopedEnv;
using test::UiScope;

std::string soap_reply(const std::string& operation, const std::string& result) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope "
         "xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\"><soap:Body><" +
         operation + "Response xmlns=\"http://x/server1/\"><" + operation + "Result>" + result +
         "</" + operation + "Result></" + operation + "Response></soap:Body></soap:Envelope>";
}

class DocumentTest : public ::testing::Test {
 protected:
  HttpServer server;
  ScopedEnv host{"HALVORA_LOYALTY_HOST", server.authority().c_str()};
  ScopedEnv online{"HALVORA_NETSTATE", "online,lan"};
  UiScope scope;
  Document doc;

  void answer(const std::string& operation, const std::string& result) {
    CannedResponse r;
    r.content_type = "application/soap+xml; charset=utf-8";
    r.body = soap_reply(operation, result);
    server.respond(r);
  }
  test::RecordingUi& ui() { return scope.ui(); }
};

TEST_F(DocumentTest, SaldoPostsTheFilledTemplateWithSoap12Headers) {
  answer("SOC_Saldo", "150.5");
  EXPECT_EQ(doc.Saldo(u"db.local", u"fidelidad", u"sa", u"p&ss<1>", u"123"), 150.5);
  EXPECT_EQ(doc.TarjetaVIP, u"123");

  auto r = server.last_request();
  EXPECT_EQ(r.method, "POST");
  EXPECT_EQ(r.target, "/server1/service.asmx");
  std::string base = "http://" + server.authority() + "/server1/";
  std::vector<std::pair<std::string, std::string>> expected{
      {"Host", server.authority()},
      {"Content-Type", "application/soap+xml; charset=utf-8"},
      {"Content-length", std::to_string(r.body.size())},
      {"SOAPAction", base + "service.asmx/SOC_Saldo"},
  };
  EXPECT_EQ(r.headers, expected);
  EXPECT_EQ(r.body,
            "<?xml version=\"1.0\" encoding=\"utf-8\"?><soap12:Envelope "
            "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
            "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
            "xmlns:soap12=\"http://www.w3.org/2003/05/soap-envelope\"><soap12:Body><SOC_Saldo "
            "xmlns=\"" +
                base +
                "\"><Host>db.local</Host><DatabaseName>fidelidad</DatabaseName><UserName>sa</"
                "UserName><Password>p&amp;ss&lt;1&gt;</Password><cveCliente>123</cveCliente></"
                "SOC_Saldo></soap12:Body></soap12:Envelope>");
  EXPECT_TRUE(ui().boxes.empty());
}

TEST_F(DocumentTest, ResultTextsReadAsLeadingNumbers) {
  struct Case {
    const char* text;
    double saldo;
    double aplicar;
  };
  for (const Case& c : std::initializer_list<Case>{{"1520.75", 1520.75, 1520},
                                                   {"-35", -35, -35},
                                                   {"12.9", 12.9, 12},
                                                   {"-0.5", -0.5, -1},
                                                   {"letters", 0, 0},
                                                   {"", 0, 0}}) {
    answer("SOC_Saldo", c.text);
    EXPECT_EQ(doc.Saldo(u"h", u"d", u"u", u"p", u"9"), c.saldo) << c.text;
    answer("SOC_Movimiento", c.text);
    EXPECT_EQ(doc.AplicarSaldo(u"h", u"d", u"u", u"p", u"9", u"1", u"c", u"A", u"10", u"r"),
              c.aplicar)
        << c.text;
  }
  EXPECT_TRUE(ui().boxes.empty());
}

TEST_F(DocumentTest, MovimientoSendsTheTenArgumentsUntouchedInOrder) {
  answer("SOC_Movimiento", "1");
  doc.AplicarSaldo(u" h ", u"d", u"u", u"p", u"C1", u"7", u"Cena \"VIP\" ñ", u"C", u"-10.5",
                   u"R'1");
  std::string body = server.last_request().body;
  std::size_t at = body.find("<Host>");
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(body.substr(at, body.find("</SOC_Movimiento>") - at),
            "<Host> h </Host><DatabaseName>d</DatabaseName><UserName>u</UserName><Password>p</"
            "Password><cveCliente>C1</cveCliente><idHotel>7</idHotel><Concepto>Cena \"VIP\" "
            "\xC3\xB1</Concepto><TipoMovimiento>C</TipoMovimiento><Monto>-10.5</"
            "Monto><Referencia>R'1</Referencia>");
}

TEST_F(DocumentTest, SaldoAsksForTheCardWhenBlankAndKeepsTheOldOneOnCancel) {
  doc.TarjetaVIP = u"previous";
  EXPECT_EQ(doc.Saldo(u"h", u"d", u"u", u"p", u"  "), 0);
  ASSERT_EQ(ui().boxes.size(), 2u);
  EXPECT_EQ(ui().boxes[0].kind, "input");
  EXPECT_EQ(ui().boxes[0].text, u"Capture el número de tarjeta");
  EXPECT_EQ(ui().boxes[0].title, u"Cliente VIP");
  EXPECT_EQ(ui().boxes[1].text, u"No se ha capturado un número tarjeta");
  EXPECT_EQ(ui().boxes[1].style, 64);
  EXPECT_EQ(doc.TarjetaVIP, u"previous");
  EXPECT_TRUE(server.requests().empty());

  answer("SOC_Saldo", "7");
  ui().answers.push_back(u"555");
  EXPECT_EQ(doc.Saldo(u"h", u"d", u"u", u"p", u""), 7);
  EXPECT_EQ(doc.TarjetaVIP, u"555");
}

TEST_F(DocumentTest, OfflineSendsNothingAndSaysSo) {
  ScopedEnv offline{"HALVORA_NETSTATE", "lan"};
  EXPECT_EQ(doc.Saldo(u"h", u"d", u"u", u"p", u"1"), 0);
  EXPECT_EQ(doc.TarjetaOnline(u"h", u"d", u"u", u"p", u"1"), u"");
  EXPECT_EQ(doc.AplicarSaldo(u"h", u"d", u"u", u"p", u"1", u"1", u"c", u"A", u"1", u"r"),
            -2146697211.0);
  ui().answers.push_back(u"888");
  EXPECT_EQ(doc.PedirTarjeta(u"h", u"d", u"u", u"p", u"1"), u"888");

  std::vector<std::pair<std::u16string, std::u16string>> seen;
  for (const auto& b : ui().boxes) seen.emplace_back(b.title, b.text);
  std::vector<std::pair<std::u16string, std::u16string>> expected{
      {u"Cliente VIP", u"No hay conexión a Internet"},
      {u"Cliente Tarjeta On Line", u"No hay conexión a Internet"},
      {u"Cliente VIP", u"No hay conexión a Internet"},
      {u"Cliente VIP", u"Capture el número de tarjeta"},
  };
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(doc.TarjetaVIP, u"888");
  EXPECT_TRUE(server.requests().empty());
}

TEST_F(DocumentTest, TarjetaOnlineAndPedirTarjeta) {
  EXPECT_EQ(doc.TarjetaOnline(u"h", u"d", u"u", u"p", u"   "), u"");
  EXPECT_TRUE(server.requests().empty());

  answer("SOC_Tarjeta", " 4455 ");
  EXPECT_EQ(doc.TarjetaOnline(u"h", u"d", u"u", u"p", u"M1"), u"4455");
  EXPECT_EQ(doc.PedirTarjeta(u"h", u"d", u"u", u"p", u"M1"), u"4455");
  EXPECT_EQ(doc.TarjetaVIP, u"4455");
  EXPECT_TRUE(ui().boxes.empty());

  // The service knows no card: the user types one, and it is returned untrimmed.
  answer("SOC_Tarjeta", "");
  ui().answers.push_back(u" 77 ");
  EXPECT_EQ(doc.PedirTarjeta(u"h", u"d", u"u", u"p", u"M1"), u" 77 ");
  EXPECT_EQ(doc.TarjetaVIP, u" 77 ");
}

TEST_F(DocumentTest, FailuresShowTheReportUnderTheOperationsTitle) {
  ScopedEnv unreachable{"HALVORA_LOYALTY_HOST",
                        ("127.0.0.1:" + std::to_string(test::refused_port())).c_str()};
  EXPECT_EQ(doc.Saldo(u"h", u"d", u"u", u"p", u"123"), 0);
  EXPECT_EQ(doc.TarjetaVIP, u"123");  // stored before the request failed
  EXPECT_EQ(doc.TarjetaOnline(u"h", u"d", u"u", u"p", u"1"), u"");
  EXPECT_EQ(doc.AplicarSaldo(u"h", u"d", u"u", u"p", u"1", u"1", u"c", u"A", u"1", u"r"), 0);

  const std::u16string report =
      u"ERROR: -2146697211 The system cannot locate the resource specified.\r\nmsxml6.dll";
  ASSERT_EQ(ui().boxes.size(), 3u);
  const char16_t* titles[] = {u"Cliente VIP - Saldo", u"Cliente VIP - Tarjeta On Line",
                              u"Cliente VIP - Aplicar Saldo"};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(ui().boxes[i].text, report);
    EXPECT_EQ(ui().boxes[i].style, 16);
    EXPECT_EQ(ui().boxes[i].title, titles[i]);
  }
}

TEST_F(DocumentTest, ServiceFaultsAndOddRepliesGiveEmptyResultsWithoutReport) {
  const char* bodies[] = {
      "<soap:Envelope xmlns:soap=\"x\"><soap:Body><soap:Fault>boom</soap:Fault></soap:Body>"
      "</soap:Envelope>",
      "not xml at all <<<",
      "<s:Envelope xmlns:s=\"x\"><s:Body><SOC_SaldoResponse><SOC_SaldoResult>5"
      "</SOC_SaldoResult></SOC_SaldoResponse></s:Body></s:Envelope>",
  };
  for (const char* body : bodies) {
    CannedResponse r;
    r.status = 500;
    r.body = body;
    server.respond(r);
    EXPECT_EQ(doc.Saldo(u"h", u"d", u"u", u"p", u"1"), 0) << body;
  }
  EXPECT_TRUE(ui().boxes.empty());
}

TEST_F(DocumentTest, PedirSaldoReadsTheTypedAmount) {
  struct Case {
    std::optional<std::u16string> typed;
    double result;
    const char16_t* box;  // the one box after the input box, if any
  };
  const Case cases[] = {
      {u"250.5", 250.5, nullptr},
      {u"0", 0, u"No se ha capturado un saldo, para aplicar manualmente"},
      {u"-5", 0, u"¿Saldo negativo?"},
      {u"letras", 0, u"ERROR: 13 Type mismatch\r\nHALVORA"},
      {std::nullopt, 0, u"ERROR: 13 Type mismatch\r\nHALVORA"},
  };
  for (const Case& c : cases) {
    ui().boxes.clear();
    ui().answers = {c.typed};
    EXPECT_EQ(doc.PedirSaldo(), c.result);
    ASSERT_EQ(ui().boxes.size(), c.box ? 2u : 1u);
    EXPECT_EQ(ui().boxes[0].text, u"Capture el saldo que desea aplicar manualmente");
    if (c.box) {
      EXPECT_EQ(ui().boxes[1].text, c.box);
      EXPECT_EQ(ui().boxes[1].title,
                ui().boxes[1].style == 16 ? u"Cliente VIP - Saldo" : u"Cliente VIP");
    }
  }
}

TEST(DocumentProbes, FollowTheConnectionStateOnEveryCall) {
  Document doc;
  struct Case {
    const char* state;
    bool online, lan, modem, proxy;
  };
  for (const Case& c : std::initializer_list<Case>{{"", false, false, false, false},
                                                   {"online,lan", true, true, false, false},
                                                   {"lan,proxy", false, true, false, true},
                                                   {"online,modem", true, false, true, false}}) {
    ScopedEnv env{"HALVORA_NETSTATE", c.state};
    EXPECT_EQ(doc.Online(), c.online) << c.state;
    EXPECT_EQ(doc.Lan(), c.lan) << c.state;
    EXPECT_EQ(doc.Modem(), c.modem) << c.state;
    EXPECT_EQ(doc.Proxy(), c.proxy) << c.state;
  }
}

TEST(DocumentDefaultInstance, IsOneSharedObjectCallableByName) {
  ObjectRef app = application_object();
  ASSERT_TRUE(app);
  EXPECT_EQ(app, application_object());
  Variant card(u"42");
  invoke(*app, u"TarjetaVIP", CallKind::Let, {&card, 1});
  EXPECT_EQ(invoke(*app, u"tarjetavip", CallKind::Get), Variant(u"42"));
  EXPECT_EQ(static_cast<Document&>(*app).TarjetaVIP, u"42");
}

}  // namespace
}  // namespace halvora
