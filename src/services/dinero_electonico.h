// The electronic-wallet client: read the balance of a wallet card and post charges and credits
// to it at the wallet service.
#pragma once

#include <cstdint>
#include <string>

#include "automation/members.h"
#include "automation/object.h"

namespace halvora {

class DineroElectonico : public Object {
 public:
  using Text = const std::u16string&;

  // Blank (after trimming) means the built-in default; anything else is used as it is.
  std::u16string HostMoney;  // the wallet service host
  std::u16string UrlMoney;   // the service path on that host, starting with "/"

  bool DllMain(int32_t& hInst, int32_t& fdwReason, int32_t& lpvReserved);
  double MonederoBalance(Text cRFCEmpresa, Text cTarjeta);
  int16_t MonederoCargoEx(Text cRFCEmpresa, Text cTarjeta, Text cCentroConsumo, double nCheque,
                          double nCantidad);
  int16_t MonederoCargo(Text cRFCEmpresa, Text cTarjeta, double nCantidad);
  int16_t MonederoAbonoEx(Text cRFCEmpresa, Text cTarjeta, Text cCentroConsumo, double nCheque,
                          double nCantidad);
  bool Lan();
  bool Modem();
  bool Proxy();
  bool Online();

  static const MemberTable& member_table();
  const MemberTable& members() const override { return member_table(); }
  std::u16string type_name() const override { return u"DineroElectonico"; }

  // Worked out anew on every call from the two properties and the configured default host.
  std::u16string service_url() const;
  std::u16string soap_action(std::u16string_view operation) const;
};

}  // namespace halvora
