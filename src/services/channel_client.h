// ActualizaInventario and eRevMax: one set of members, two transports. The classes differ only
// in the headers their InvokeWebService sends.
#pragma once

#include <string>

#include "automation/members.h"
#include "automation/object.h"
#include "services/channel_updates.h"

namespace halvora {

template <channel::Transport kTransport>
class ChannelClient : public Object {
 public:
  using Text = const std::u16string&;

  // Published as ActualizaInventario: C++ keeps a class's own name for its constructor.
  bool UpdateInventory(double H_code, Text fha_ini, Text fha_fin, Text tipohab, Text Wsdl);
  bool RestrictionOpenClose_Date(double H_code, Text fha_ini, Text fha_fin, Text tipohab, Text Wsdl,
                                 Text Estatus);
  std::u16string Enhancements(Text Wsdl, double numregda_CRS);
  // xmlResponse receives the parsed reply (a DomDocument). Failures reach the caller.
  bool InvokeWebService(Text strSoap, Text strSOAPAction, Text strURL, Variant& xmlResponse);
  bool Online();

  static const MemberTable& member_table();
  const MemberTable& members() const override { return member_table(); }
  std::u16string type_name() const override;
};

extern template class ChannelClient<channel::Transport::kPlain>;
extern template class ChannelClient<channel::Transport::kCompressed>;

}  // namespace halvora
