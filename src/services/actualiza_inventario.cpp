#include "services/actualiza_inventario.h"

#include "frame/probes.h"
#include "services/channel_updates.h"

namespace halvora {

namespace {
constexpr channel::Transport kTransport = channel::Transport::kPlain;
}

bool ActualizaInventario::UpdateInventory(double H_code, Text fha_ini, Text fha_fin, Text tipohab,
                                          Text Wsdl) {
  return channel::update_inventory(kTransport, H_code, fha_ini, fha_fin, tipohab, Wsdl);
}

bool ActualizaInventario::RestrictionOpenClose_Date(double H_code, Text fha_ini, Text fha_fin,
                                                    Text tipohab, Text Wsdl, Text Estatus) {
  return channel::update_restriction(kTransport, H_code, fha_ini, fha_fin, tipohab, Wsdl, Estatus);
}

std::u16string ActualizaInventario::Enhancements(Text Wsdl, double numregda_CRS) {
  return channel::enhancements(kTransport, Wsdl, numregda_CRS);
}

bool ActualizaInventario::InvokeWebService(Text strSoap, Text strSOAPAction, Text strURL,
                                           Variant& xmlResponse) {
  return channel::invoke_web_service(kTransport, strSoap, strSOAPAction, strURL, xmlResponse);
}

bool ActualizaInventario::Online() {
  return probe_online();
}

const MemberTable& ActualizaInventario::member_table() {
  static const MemberTable table{
      method<&ActualizaInventario::UpdateInventory>(
          u"ActualizaInventario", {u"H_code", u"fha_ini", u"fha_fin", u"tipohab", u"Wsdl"}),
      method<&ActualizaInventario::RestrictionOpenClose_Date>(
          u"RestrictionOpenClose_Date",
          {u"H_code", u"fha_ini", u"fha_fin", u"tipohab", u"Wsdl", u"Estatus"}),
      method<&ActualizaInventario::Enhancements>(u"Enhancements", {u"Wsdl", u"numregda_CRS"}),
      method<&ActualizaInventario::InvokeWebService>(
          u"InvokeWebService", {u"strSoap", u"strSOAPAction", u"strURL", u"xmlResponse"}),
      method<&ActualizaInventario::Online>(u"Online"),
  };
  return table;
}

}  // namespace halvora
