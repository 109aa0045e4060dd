#include "services/channel_client.h"

#include "web/probes.h"

namespace halvora {

template <channel::Transport kTransport>
bool ChannelClient<kTransport>::UpdateInventory(double H_code, Text fha_ini, Text fha_fin,
                                                Text tipohab, Text Wsdl) {
  return channel::update_inventory(kTransport, H_code, fha_ini, fha_fin, tipohab, Wsdl);
}

template <channel::Transport kTransport>
bool ChannelClient<kTransport>::RestrictionOpenClose_Date(double H_code, Text fha_ini, Text fha_fin,
                                                          Text tipohab, Text Wsdl, Text Estatus) {
  return channel::update_restriction(kTransport, H_code, fha_ini, fha_fin, tipohab, Wsdl, Estatus);
}

template <channel::Transport kTransport>
std::u16string ChannelClient<kTransport>::Enhancements(Text Wsdl, double numregda_CRS) {
  return channel::enhancements(kTransport, Wsdl, numregda_CRS);
}

template <channel::Transport kTransport>
bool ChannelClient<kTransport>::InvokeWebService(Text strSoap, Text strSOAPAction, Text strURL,
                                                 Variant& xmlResponse) {
  return channel::invoke_web_service(kTransport, strSoap, strSOAPAction, strURL, xmlResponse);
}

template <channel::Transport kTransport>
bool ChannelClient<kTransport>::Online() {
  return probe_online();
}

template <channel::Transport kTransport>
std::u16string ChannelClient<kTransport>::type_name() const {
  return kTransport == channel::Transport::kPlain ? u"ActualizaInventario" : u"eRevMax";
}

template <channel::Transport kTransport>
const MemberTable& ChannelClient<kTransport>::member_table() {
  using C = ChannelClient<kTransport>;
  static const MemberTable table{
      method<&C::UpdateInventory>(u"ActualizaInventario",
                                  {u"H_code", u"fha_ini", u"fha_fin", u"tipohab", u"Wsdl"}),
      method<&C::RestrictionOpenClose_Date>(
          u"RestrictionOpenClose_Date",
          {u"H_code", u"fha_ini", u"fha_fin", u"tipohab", u"Wsdl", u"Estatus"}),
      method<&C::Enhancements>(u"Enhancements", {u"Wsdl", u"numregda_CRS"}),
      method<&C::InvokeWebService>(u"InvokeWebService",
                                   {u"strSoap", u"strSOAPAction", u"strURL", u"xmlResponse"}),
      method<&C::Online>(u"Online"),
  };
  return table;
}

template class ChannelClient<channel::Transport::kPlain>;
template class ChannelClient<channel::Transport::kCompressed>;

}  // namespace halvora
