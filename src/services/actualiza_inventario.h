// Channel-manager updates: room inventory and date restrictions of the hotel, and the
// enhancements of a registration, posted as plain SOAP 1.1.
#pragma once

#include <cstdint>
#include <string>

#include "frame/members.h"
#include "frame/object.h"

namespace halvora {

class ActualizaInventario : public Object {
 public:
  using Text = const std::u16string&;

  // Published as ActualizaInventario: C++ keeps the class's own name for its constructor.
  bool UpdateInventory(double H_code, Text fha_ini, Text fha_fin, Text tipohab, Text Wsdl);
  bool RestrictionOpenClose_Date(double H_code, Text fha_ini, Text fha_fin, Text tipohab, Text Wsdl,
                                 Text Estatus);
  std::u16string Enhancements(Text Wsdl, double numregda_CRS);
  // xmlResponse receives the parsed reply (an XmlDocumentObject). Failures reach the caller.
  bool InvokeWebService(Text strSoap, Text strSOAPAction, Text strURL, Variant& xmlResponse);
  bool Online();

  static const MemberTable& member_table();
  const MemberTable& members() const override { return member_table(); }
  std::u16string type_name() const override { return u"ActualizaInventario"; }
};

}  // namespace halvora
