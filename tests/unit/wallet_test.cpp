// The electronic-wallet client against a loopback wallet service.
#include "services/dinero_electonico.h"

#include <gtest/gtest.h>

#include <functional>

#include "automation/conversions.h"
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

constexpr char16_t kCargo[] = u"Dinero Electrónico - Cargo a Saldo";
constexpr char16_t kAbono[] = u"Dinero Electrónico - Abono a saldo";
constexpr char16_t kSaldo[] = u"Dinero Electrónico - Saldo";

std::string soap_reply(const std::string& operation, const std::string& result) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope "
         "xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\"><soap:Body><" +
         operation + "Response xmlns=\"http://tempuri.org/\"><" + operation + "Result>" + result +
         "</" + operation + "Result></" + operation + "Response></soap:Body></soap:Envelope>";
}

std::string request_body(const std::string& operation, const std::string& parameters) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?><soap12:Envelope "
         "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
         "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
         "xmlns:soap12=\"http://www.w3.org/2003/05/soap-envelope\"><soap12:Body><" +
         operation + " xmlns=\"urn:monedero\">" + parameters + "</" + operation +
         "></soap12:Body></soap12:Envelope>";
}

class WalletTest : public ::testing::Test {
 protected:
  HttpServer server;
  ScopedEnv host{"HALVORA_WALLET_HOST", server.authority().c_str()};
  ScopedEnv ns{"HALVORA_WALLET_NS", "urn:monedero"};
  ScopedEnv online{"HALVORA_NETSTATE", "online,lan"};
  UiScope scope;
  DineroElectonico wallet;

  void answer(const std::string& operation, const std::string& result) {
    CannedResponse r;
    r.content_type = "application/soap+xml; charset=utf-8";
    r.body = soap_reply(operation, result);
    server.respond(r);
  }
  test::RecordingUi& ui() { return scope.ui(); }
};

TEST_F(WalletTest, BalanceGoesToTheDefaultPathWithTheFixedActionPath) {
  answer("MonederoBalance", "1520.75");
  EXPECT_EQ(wallet.MonederoBalance(u"AAA010101AAA", u"5001"), 1520.75);

  auto r = server.last_request();
  EXPECT_EQ(r.method, "POST");
  EXPECT_EQ(r.target, "/PlutoNETservice/MonederoService.asmx");
  std::vector<std::pair<std::string, std::string>> expected{
      {"Host", server.authority()},
      {"Content-Type", "application/soap+xml; charset=utf-8"},
      {"Content-length", std::to_string(r.body.size())},
      {"SOAPAction",
       "http://" + server.authority() + "/MonederoService/MonederoService.asmx/MonederoBalance"},
  };
  EXPECT_EQ(r.headers, expected);
  EXPECT_EQ(r.body,
            request_body("MonederoBalance",
                         "<EmpresaRfc>AAA010101AAA</EmpresaRfc><NoTarjeta>5001</NoTarjeta>"));
  EXPECT_TRUE(ui().boxes.empty());
}

TEST_F(WalletTest, EachMovementFillsItsParametersInOrder) {
  struct Case {
    std::string operation;
    std::function<int16_t()> call;
    std::string parameters;
  };
  const Case cases[] = {
      {"MonederoCargoEx", [&] { return wallet.MonederoCargoEx(u"R&1", u"5001", u"BAR", 77, 150); },
       "<EmpresaRfc>R&amp;1</EmpresaRfc><NoTarjeta>5001</NoTarjeta><ClaveCentroConsumo>BAR</"
       "ClaveCentroConsumo><NoCheque>77</NoCheque><ImporteCargo>150</ImporteCargo>"},
      {"MonederoCargo", [&] { return wallet.MonederoCargo(u"R", u"5001", 12.5); },
       "<EmpresaRfc>R</EmpresaRfc><NoTarjeta>5001</NoTarjeta><ImporteCargo>12.5</ImporteCargo>"},
      {"MonederoAbonoEx",
       [&] { return wallet.MonederoAbonoEx(u"R", u" 5001 ", u"<Spa>", 1234567, 0.25); },
       "<EmpresaRfc>R</EmpresaRfc><NoTarjeta> 5001 </NoTarjeta><ClaveCentroConsumo>&lt;Spa&gt;</"
       "ClaveCentroConsumo><NoCheque>1234567</NoCheque><ImporteAbono>0.25</ImporteAbono>"},
  };
  for (const Case& c : cases) {
    answer(c.operation, "3");
    EXPECT_EQ(c.call(), 3) << c.operation;
    auto r = server.last_request();
    EXPECT_EQ(r.body, request_body(c.operation, c.parameters));
    EXPECT_EQ(r.header("SOAPAction"), "http://" + server.authority() +
                                          "/MonederoService/MonederoService.asmx/" + c.operation);
  }
  EXPECT_TRUE(ui().boxes.empty());
}

TEST_F(WalletTest, AmountsUseTheRegionalDecimalSeparator) {
  RegionalSettings saved = regional();
  RegionalSettings comma;
  comma.decimal = u',';
  comma.thousands = u'.';
  set_regional(comma);
  answer("MonederoCargo", "0");
  wallet.MonederoCargo(u"R", u"5001", 1512.5);
  set_regional(saved);
  EXPECT_NE(server.last_request().body.find("<ImporteCargo>1512,5</ImporteCargo>"),
            std::string::npos);
}

TEST_F(WalletTest, HostAndPathPropertiesAndTheirBlankDefaults) {
  ScopedEnv unused_default{"HALVORA_WALLET_HOST",
                           ("127.0.0.1:" + std::to_string(test::refused_port())).c_str()};
  struct Case {
    std::u16string host, path;
    std::string target;
  };
  const std::u16string own = utf8_to_utf16(server.authority());
  const Case cases[] = {
      {own, u"", "/PlutoNETservice/MonederoService.asmx"},
      {own, u"  ", "/PlutoNETservice/MonederoService.asmx"},
      {own, u"/otro/Monedero.asmx", "/otro/Monedero.asmx"},
  };
  for (const Case& c : cases) {
    wallet.HostMoney = c.host;
    wallet.UrlMoney = c.path;
    answer("MonederoBalance", "1");
    EXPECT_EQ(wallet.MonederoBalance(u"R", u"1"), 1);
    auto r = server.last_request();
    EXPECT_EQ(r.target, c.target);
    EXPECT_EQ(r.header("SOAPAction"), "http://" + server.authority() +
                                          "/MonederoService/MonederoService.asmx/MonederoBalance");
  }
  EXPECT_TRUE(ui().boxes.empty());

  // Three blanks mean the default host, here the refusing one.
  wallet.HostMoney = u"   ";
  wallet.UrlMoney = u"";
  EXPECT_EQ(wallet.MonederoBalance(u"R", u"1"), 0);
  ASSERT_EQ(ui().boxes.size(), 1u);
  EXPECT_EQ(ui().boxes[0].title, kSaldo);
}

TEST_F(WalletTest, AnswerCodesAreFlooredAndMustFitSixteenBits) {
  struct Case {
    const char* text;
    int16_t code;
    bool overflow;
  };
  const Case cases[] = {
      {"3", 3, false},           {"-1", -1, false},       {"2.7", 2, false},
      {"-0.5", -1, false},       {"32767", 32767, false}, {"-32768", -32768, false},
      {"32767.9", 32767, false}, {"32768", 0, true},      {"-32769", 0, true},
      {"-32768.5", 0, true},     {"40000", 0, true},      {"1e400", 0, true},
      {"letras", 0, false},      {"", 0, false},          {" 12abc", 12, false},
  };
  for (const Case& c : cases) {
    ui().boxes.clear();
    answer("MonederoAbonoEx", c.text);
    EXPECT_EQ(wallet.MonederoAbonoEx(u"R", u"1", u"C", 1, 1), c.code) << c.text;
    if (c.overflow) {
      ASSERT_EQ(ui().boxes.size(), 1u) << c.text;
      EXPECT_EQ(ui().boxes[0].text, u"ERROR: 6 Overflow\r\nHALVORA");
      EXPECT_EQ(ui().boxes[0].style, 16);
      EXPECT_EQ(ui().boxes[0].title, kAbono);
    } else {
      EXPECT_TRUE(ui().boxes.empty()) << c.text;
    }
  }
}

TEST_F(WalletTest, OffLineOrWithoutCardNothingIsSent) {
  {
    ScopedEnv offline{"HALVORA_NETSTATE", "lan"};
    EXPECT_EQ(wallet.MonederoBalance(u"R", u"1"), 0);
    EXPECT_EQ(wallet.MonederoCargo(u"R", u"1", 5), 0);
  }
  EXPECT_EQ(wallet.MonederoCargoEx(u"R", u"   ", u"C", 1, 5), 0);
  EXPECT_EQ(wallet.MonederoAbonoEx(u"R", u"", u"C", 1, 5), 0);
  EXPECT_TRUE(server.requests().empty());

  const char16_t* texts[] = {u"No hay conexión a Internet", u"No hay conexión a Internet",
                             u"No se ha capturado un número tarjeta",
                             u"No se ha capturado un número tarjeta"};
  ASSERT_EQ(ui().boxes.size(), 4u);
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(ui().boxes[i].kind, "msg");
    EXPECT_EQ(ui().boxes[i].text, texts[i]);
    EXPECT_EQ(ui().boxes[i].title, u"Dinero Electrónico");
    EXPECT_EQ(ui().boxes[i].style, 64);
  }
}

TEST_F(WalletTest, UnreachableOrOddRepliesByOperation) {
  // Faults and replies without the elements give 0 silently.
  CannedResponse fault;
  fault.status = 500;
  fault.body =
      "<soap:Envelope xmlns:soap=\"x\"><soap:Body><soap:Fault/></soap:Body></soap:Envelope>";
  server.respond(fault);
  EXPECT_EQ(wallet.MonederoCargo(u"R", u"1", 1), 0);
  EXPECT_TRUE(ui().boxes.empty());

  ScopedEnv unreachable{"HALVORA_WALLET_HOST",
                        ("127.0.0.1:" + std::to_string(test::refused_port())).c_str()};
  EXPECT_EQ(wallet.MonederoBalance(u"R", u"1"), 0);
  EXPECT_EQ(wallet.MonederoCargoEx(u"R", u"1", u"C", 1, 1), 0);
  EXPECT_EQ(wallet.MonederoCargo(u"R", u"1", 1), 0);
  EXPECT_EQ(wallet.MonederoAbonoEx(u"R", u"1", u"C", 1, 1), 0);
  const char16_t* titles[] = {kSaldo, kCargo, kCargo, kAbono};
  ASSERT_EQ(ui().boxes.size(), 4u);
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(ui().boxes[i].text,
              u"ERROR: -2146697211 The system cannot locate the resource specified.\r\nmsxml6.dll");
    EXPECT_EQ(ui().boxes[i].title, titles[i]);
  }
}

TEST(WalletClass, IsPublishedWithItsMembersInInterfaceOrder) {
  ObjectRef obj = create_object(u"HALVORA.DineroElectonico");
  std::vector<std::u16string> names;
  for (const Member& m : obj->members().members()) names.push_back(m.name);
  std::vector<std::u16string> expected{
      u"HostMoney",       u"UrlMoney",      u"DllMain",         u"MonederoBalance",
      u"MonederoCargoEx", u"MonederoCargo", u"MonederoAbonoEx", u"Lan",
      u"Modem",           u"Proxy",         u"Online"};
  EXPECT_EQ(names, expected);
  EXPECT_EQ(obj->members().find(u"MonederoCargoEx")->result, VarType::Integer);
}

}  // namespace
}  // namespace halvora
