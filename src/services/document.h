// The loyalty-card client: capture a guest's card number, check it on line, read its balance
// and post balance movements at the loyalty service.
#pragma once

#include <cstdint>
#include <string>

#include "automation/members.h"
#include "automation/object.h"

namespace halvora {

class Document : public Object {
 public:
  using Text = const std::u16string&;

  std::u16string TarjetaVIP;  // the card last captured or used
  std::u16string SocioVIP;    // the host's to keep; never set here

  bool DllMain(int32_t& hInst, int32_t& fdwReason, int32_t& lpvReserved);
  std::u16string PedirTarjeta(Text cHost, Text cDataBase, Text cUserName, Text cPassword,
                              Text cSocio);
  double Saldo(Text cHost, Text cDataBase, Text cUserName, Text cPassword, Text cCliente);
  std::u16string TarjetaOnline(Text cHost, Text cDataBase, Text cUserName, Text cPassword,
                               Text cSocio);
  double AplicarSaldo(Text cHost, Text cDataBase, Text cUserName, Text cPassword, Text cCliente,
                      Text cHotel, Text cConcepto, Text cMovimiento, Text cMonto, Text cReferencia);
  double PedirSaldo();
  bool Lan();
  bool Modem();
  bool Proxy();
  bool Online();

  static const MemberTable& member_table();
  const MemberTable& members() const override { return member_table(); }
  std::u16string type_name() const override { return u"Document"; }

  // The service endpoint for the configured loyalty host.
  static std::u16string service_url();
};

}  // namespace halvora
