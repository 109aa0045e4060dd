#include "services/e_rev_max.h"

#include "frame/probes.h"
#include "services/channel_updates.h"

namespace halvora {

namespace {
constexpr channel::Transport kTransport = channel::Transport::kCompressed;
}

bool eRevMax::UpdateInventory(double H_code, Text fha_ini, Text fha_fin, Text tipohab, Text Wsdl) {
  return channel::update_inventory(kTransport, H_code, fha_ini, fha_fin, tipohab, Wsdl);
}

bool eRevMax::RestrictionOpenClose_Date(double H_code, Text fha_ini, Text fha_fin, Text tipohab,
                                        Text Wsdl, Text Estatus) {
  return channel::update_restriction(kTransport, H_code, fha_ini, fha_fin, tipohab, Wsdl, Estatus);
}

std::u16string eRevMax::Enhancements(Text Wsdl, double numregda_CRS) {
  return channel::enhancements(kTransport, Wsdl, numregda_CRS);
}

bool eRevMax::InvokeWebService(Text strSoap, Text strSOAPAction, Text strURL,
                               Variant& xmlResponse) {
  return channel::invoke_web_service(kTransport, strSoap, strSOAPAction, strURL, xmlResponse);
}

bool eRevMax::Online() {
  return probe_online();
}

const MemberTable& eRevMax::member_table() {
  static const MemberTable table{
      method<&eRevMax::UpdateInventory>(u"ActualizaInventario",
                                        {u"H_code", u"fha_ini", u"fha_fin", u"tipohab", u"Wsdl"}),
      method<&eRevMax::RestrictionOpenClose_Date>(
          u"RestrictionOpenClose_Date",
          {u"H_code", u"fha_ini", u"fha_fin", u"tipohab", u"Wsdl", u"Estatus"}),
      method<&eRevMax::Enhancements>(u"Enhancements", {u"Wsdl", u"numregda_CRS"}),
      method<&eRevMax::InvokeWebService>(u"InvokeWebService",
                                         {u"strSoap", u"strSOAPAction", u"strURL", u"xmlResponse"}),
      method<&eRevMax::Online>(u"Online"),
  };
  return table;
}

}  // namespace halvora
