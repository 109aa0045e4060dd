#include "services/document.h"

#include <cmath>
#include <initializer_list>
#include <utility>
#include <vector>

#include "automation/conversions.h"
#include "automation/text.h"
#include "platform/config.h"
#include "platform/ui.h"
#include "web/failure_report.h"
#include "web/probes.h"
#include "web/soap.h"
#include "web/soap_request.h"

namespace halvora {

namespace {

constexpr char16_t kTitle[] = u"Cliente VIP";
constexpr char16_t kTitleOnline[] = u"Cliente Tarjeta On Line";
constexpr char16_t kReportSaldo[] = u"Cliente VIP - Saldo";
constexpr char16_t kReportTarjeta[] = u"Cliente VIP - Tarjeta On Line";
constexpr char16_t kReportAplicar[] = u"Cliente VIP - Aplicar Saldo";

constexpr char16_t kOffline[] = u"No hay conexión a Internet";
constexpr char16_t kAskCard[] = u"Capture el número de tarjeta";
constexpr char16_t kNoCard[] = u"No se ha capturado un número tarjeta";
constexpr char16_t kAskBalance[] = u"Capture el saldo que desea aplicar manualmente";
constexpr char16_t kZeroBalance[] = u"No se ha capturado un saldo, para aplicar manualmente";
constexpr char16_t kNegativeBalance[] = u"¿Saldo negativo?";

// What AplicarSaldo answers off line: the platform's "resource not found" code.
constexpr double kOfflineMovement = -2146697211.0;

void inform(std::u16string_view text, std::u16string_view title) {
  platform::ui().msg_box(text, platform::kStyleInformation, title);
}

std::u16string ask(std::u16string_view prompt) {
  return platform::ui().input_box(prompt, kTitle, u"").value_or(u"");
}

std::u16string loyalty_base() {
  return u"http://" + config::loyalty_host() + u"/server1/";
}

// The request of one operation: the template's parameter elements in order, each with the value
// it receives.
using Parameters = std::initializer_list<std::pair<std::u16string_view, std::u16string_view>>;

std::u16string build_request(std::u16string_view operation, Parameters parameters) {
  // Every parameter of the loyalty templates carries the placeholder "string".
  std::vector<SoapParameter> filled;
  filled.reserve(parameters.size());
  for (const auto& [element, value] : parameters) filled.push_back({element, u"string", value});
  return build_soap12_request(operation, loyalty_base(), filled);
}

std::u16string call_service(std::u16string_view operation, Parameters parameters) {
  std::u16string op(operation);
  return EnviarSoap(Document::service_url(), build_request(operation, parameters),
                    Document::service_url() + u"/" + op, op + u"Response", op + u"Result");
}

}  // namespace

std::u16string Document::service_url() {
  return loyalty_base() + u"service.asmx";
}

bool Document::DllMain(int32_t&, int32_t& fdwReason, int32_t&) {
  return dll_main_answer(fdwReason);
}

std::u16string Document::PedirTarjeta(Text cHost, Text cDataBase, Text cUserName, Text cPassword,
                                      Text cSocio) {
  std::u16string answer;
  if (Online()) answer = TarjetaOnline(cHost, cDataBase, cUserName, cPassword, cSocio);
  if (trim_spaces(answer).empty()) answer = ask(kAskCard);
  if (trim_spaces(answer).empty())
    inform(kNoCard, kTitle);
  else
    TarjetaVIP = answer;
  return answer;
}

double Document::Saldo(Text cHost, Text cDataBase, Text cUserName, Text cPassword, Text cCliente) {
  double result = 0;
  reporting_failures(kReportSaldo, [&] {
    if (!Online()) {
      inform(kOffline, kTitle);
      return;
    }
    std::u16string card = cCliente;
    if (trim_spaces(card).empty()) card = ask(kAskCard);
    if (trim_spaces(card).empty()) {
      inform(kNoCard, kTitle);
      return;
    }
    TarjetaVIP = card;
    result = leading_number(call_service(u"SOC_Saldo", {{u"Host", cHost},
                                                        {u"DatabaseName", cDataBase},
                                                        {u"UserName", cUserName},
                                                        {u"Password", cPassword},
                                                        {u"cveCliente", card}}));
  });
  return result;
}

std::u16string Document::TarjetaOnline(Text cHost, Text cDataBase, Text cUserName, Text cPassword,
                                       Text cSocio) {
  std::u16string result;
  reporting_failures(kReportTarjeta, [&] {
    if (!Online()) {
      inform(kOffline, kTitleOnline);
      return;
    }
    if (trim_spaces(cSocio).empty()) return;
    result = call_service(u"SOC_Tarjeta", {{u"Host", cHost},
                                           {u"DatabaseName", cDataBase},
                                           {u"UserName", cUserName},
                                           {u"Password", cPassword},
                                           {u"cveCliente", cSocio}});
  });
  return result;
}

double Document::AplicarSaldo(Text cHost, Text cDataBase, Text cUserName, Text cPassword,
                              Text cCliente, Text cHotel, Text cConcepto, Text cMovimiento,
                              Text cMonto, Text cReferencia) {
  double result = 0;
  reporting_failures(kReportAplicar, [&] {
    if (!Online()) {
      inform(kOffline, kTitle);
      result = kOfflineMovement;
      return;
    }
    std::u16string answer = call_service(u"SOC_Movimiento", {{u"Host", cHost},
                                                             {u"DatabaseName", cDataBase},
                                                             {u"UserName", cUserName},
                                                             {u"Password", cPassword},
                                                             {u"cveCliente", cCliente},
                                                             {u"idHotel", cHotel},
                                                             {u"Concepto", cConcepto},
                                                             {u"TipoMovimiento", cMovimiento},
                                                             {u"Monto", cMonto},
                                                             {u"Referencia", cReferencia}});
    result = std::floor(leading_number(answer));
  });
  return result;
}

double Document::PedirSaldo() {
  double result = 0;
  reporting_failures(kReportSaldo, [&] {
    double typed = to_double(Variant(ask(kAskBalance)));
    if (typed == 0) {
      inform(kZeroBalance, kTitle);
    } else if (typed < 0) {
      inform(kNegativeBalance, kTitle);
    } else {
      result = typed;
    }
  });
  return result;
}

bool Document::Lan() {
  return probe_lan();
}
bool Document::Modem() {
  return probe_modem();
}
bool Document::Proxy() {
  return probe_proxy();
}
bool Document::Online() {
  return probe_online();
}

const MemberTable& Document::member_table() {
  static const MemberTable table{
      data<&Document::TarjetaVIP>(u"TarjetaVIP"),
      data<&Document::SocioVIP>(u"SocioVIP"),
      method<&Document::DllMain>(u"DllMain", {u"hInst", u"fdwReason", u"lpvReserved"}),
      method<&Document::PedirTarjeta>(u"PedirTarjeta", {u"cHost", u"cDataBase", u"cUserName",
                                                        u"cPassword", opt(u"cSocio", u"")}),
      method<&Document::Saldo>(
          u"Saldo", {u"cHost", u"cDataBase", u"cUserName", u"cPassword", opt(u"cCliente", u"")}),
      method<&Document::TarjetaOnline>(u"TarjetaOnline", {u"cHost", u"cDataBase", u"cUserName",
                                                          u"cPassword", opt(u"cSocio", u"")}),
      method<&Document::AplicarSaldo>(
          u"AplicarSaldo", {u"cHost", u"cDataBase", u"cUserName", u"cPassword", u"cCliente",
                            u"cHotel", u"cConcepto", u"cMovimiento", u"cMonto", u"cReferencia"}),
      method<&Document::PedirSaldo>(u"PedirSaldo"),
      method<&Document::Lan>(u"Lan"),
      method<&Document::Modem>(u"Modem"),
      method<&Document::Proxy>(u"Proxy"),
      method<&Document::Online>(u"Online"),
  };
  return table;
}

}  // namespace halvora
