#include "services/dinero_electonico.h"

#include <cmath>
#include <initializer_list>

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

constexpr char16_t kTitle[] = u"Dinero Electrónico";
constexpr char16_t kReportSaldo[] = u"Dinero Electrónico - Saldo";
constexpr char16_t kReportCargo[] = u"Dinero Electrónico - Cargo a Saldo";
constexpr char16_t kReportAbono[] = u"Dinero Electrónico - Abono a saldo";

constexpr char16_t kOffline[] = u"No hay conexión a Internet";
constexpr char16_t kNoCard[] = u"No se ha capturado un número tarjeta";

constexpr char16_t kDefaultPath[] = u"/PlutoNETservice/MonederoService.asmx";
// The service publishes its actions under this path whatever path it is reached at.
constexpr char16_t kActionPath[] = u"/MonederoService/MonederoService.asmx/";

void inform(std::u16string_view text) {
  platform::ui().msg_box(text, platform::kStyleInformation, kTitle);
}

// The steps every operation shares up to the request: the connection and the card number are
// checked before anything is sent. Nothing when the operation must stop with its result 0.
bool may_send(DineroElectonico& wallet, std::u16string_view card) {
  if (!wallet.Online()) {
    inform(kOffline);
    return false;
  }
  if (trim_spaces(card).empty()) {
    inform(kNoCard);
    return false;
  }
  return true;
}

std::u16string call_service(const DineroElectonico& wallet, std::u16string_view operation,
                            std::initializer_list<SoapParameter> parameters) {
  std::u16string op(operation);
  return EnviarSoap(wallet.service_url(),
                    build_soap12_request(operation, config::wallet_namespace(), parameters),
                    wallet.soap_action(operation), op + u"Response", op + u"Result");
}

// The service's answer code: the greatest whole number not above the answer, which must fit a
// 16-bit integer (6 otherwise, reported by the caller).
int16_t answer_code(std::u16string_view answer) {
  return to_integer(Variant(std::floor(leading_number(answer))));
}

std::u16string amount_text(double value) {
  return double_to_text(value, regional());
}

}  // namespace

std::u16string DineroElectonico::service_url() const {
  std::u16string host = trim_spaces(HostMoney).empty() ? config::wallet_host() : HostMoney;
  return u"http://" + host +
         (trim_spaces(UrlMoney).empty() ? std::u16string(kDefaultPath) : UrlMoney);
}

std::u16string DineroElectonico::soap_action(std::u16string_view operation) const {
  std::u16string host = trim_spaces(HostMoney).empty() ? config::wallet_host() : HostMoney;
  return u"http://" + host + kActionPath + std::u16string(operation);
}

bool DineroElectonico::DllMain(int32_t&, int32_t& fdwReason, int32_t&) {
  return dll_main_answer(fdwReason);
}

double DineroElectonico::MonederoBalance(Text cRFCEmpresa, Text cTarjeta) {
  double result = 0;
  reporting_failures(kReportSaldo, [&] {
    if (!may_send(*this, cTarjeta)) return;
    result = leading_number(call_service(
        *this, u"MonederoBalance",
        {{u"EmpresaRfc", u"string", cRFCEmpresa}, {u"NoTarjeta", u"string", cTarjeta}}));
  });
  return result;
}

int16_t DineroElectonico::MonederoCargoEx(Text cRFCEmpresa, Text cTarjeta, Text cCentroConsumo,
                                          double nCheque, double nCantidad) {
  int16_t result = 0;
  reporting_failures(kReportCargo, [&] {
    if (!may_send(*this, cTarjeta)) return;
    result = answer_code(call_service(*this, u"MonederoCargoEx",
                                      {{u"EmpresaRfc", u"string", cRFCEmpresa},
                                       {u"NoTarjeta", u"string", cTarjeta},
                                       {u"ClaveCentroConsumo", u"string", cCentroConsumo},
                                       {u"NoCheque", u"double", amount_text(nCheque)},
                                       {u"ImporteCargo", u"double", amount_text(nCantidad)}}));
  });
  return result;
}

int16_t DineroElectonico::MonederoCargo(Text cRFCEmpresa, Text cTarjeta, double nCantidad) {
  int16_t result = 0;
  reporting_failures(kReportCargo, [&] {
    if (!may_send(*this, cTarjeta)) return;
    result = answer_code(call_service(*this, u"MonederoCargo",
                                      {{u"EmpresaRfc", u"string", cRFCEmpresa},
                                       {u"NoTarjeta", u"string", cTarjeta},
                                       {u"ImporteCargo", u"double", amount_text(nCantidad)}}));
  });
  return result;
}

int16_t DineroElectonico::MonederoAbonoEx(Text cRFCEmpresa, Text cTarjeta, Text cCentroConsumo,
                                          double nCheque, double nCantidad) {
  int16_t result = 0;
  reporting_failures(kReportAbono, [&] {
    if (!may_send(*this, cTarjeta)) return;
    result = answer_code(call_service(*this, u"MonederoAbonoEx",
                                      {{u"EmpresaRfc", u"string", cRFCEmpresa},
                                       {u"NoTarjeta", u"string", cTarjeta},
                                       {u"ClaveCentroConsumo", u"string", cCentroConsumo},
                                       {u"NoCheque", u"double", amount_text(nCheque)},
                                       {u"ImporteAbono", u"double", amount_text(nCantidad)}}));
  });
  return result;
}

bool DineroElectonico::Lan() {
  return probe_lan();
}
bool DineroElectonico::Modem() {
  return probe_modem();
}
bool DineroElectonico::Proxy() {
  return probe_proxy();
}
bool DineroElectonico::Online() {
  return probe_online();
}

const MemberTable& DineroElectonico::member_table() {
  static const MemberTable table{
      data<&DineroElectonico::HostMoney>(u"HostMoney"),
      data<&DineroElectonico::UrlMoney>(u"UrlMoney"),
      method<&DineroElectonico::DllMain>(u"DllMain", {u"hInst", u"fdwReason", u"lpvReserved"}),
      method<&DineroElectonico::MonederoBalance>(u"MonederoBalance", {u"cRFCEmpresa", u"cTarjeta"}),
      method<&DineroElectonico::MonederoCargoEx>(
          u"MonederoCargoEx",
          {u"cRFCEmpresa", u"cTarjeta", u"cCentroConsumo", u"nCheque", u"nCantidad"}),
      method<&DineroElectonico::MonederoCargo>(u"MonederoCargo",
                                               {u"cRFCEmpresa", u"cTarjeta", u"nCantidad"}),
      method<&DineroElectonico::MonederoAbonoEx>(
          u"MonederoAbonoEx",
          {u"cRFCEmpresa", u"cTarjeta", u"cCentroConsumo", u"nCheque", u"nCantidad"}),
      method<&DineroElectonico::Lan>(u"Lan"),
      method<&DineroElectonico::Modem>(u"Modem"),
      method<&DineroElectonico::Proxy>(u"Proxy"),
      method<&DineroElectonico::Online>(u"Online"),
  };
  return table;
}

}  // namespace halvora
