// A guest's account statement handed to the e-invoicing server: a header and its movements,
// written member by member into the component's records, then saved; the server also captures
// the guest's signature on the statement and prints it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <utility>

#include "automation/members.h"
#include "automation/object.h"
#include "invoicing/server_connection.h"

namespace halvora {

class EdoCta : public Object {
 public:
  using Text = const std::u16string&;

  bool TelvarConectar(Text pcDir, std::u16string& pcUser, std::u16string& pcPass);
  Variant TelvarDesconectar();
  Variant AgregarRenglonEdoCta();
  Variant GuardarRenglonEdoCta();
  Variant SaveEdoCuentaLobix();
  Variant PerformCapturaFirmaEstadoDeCuenta(Text lnNumHues);
  Variant PerformReporteEstadoDeCuenta(Text lnNumHues, int16_t lnFolio);

  static const MemberTable& member_table();
  const MemberTable& members() const override { return member_table(); }
  std::u16string type_name() const override { return u"EdoCta"; }

  // The write-only properties: the header's members, then a movement's, each under the record
  // member's own name and type.
  static std::span<const invoicing::RecordField> header_fields();
  static std::span<const invoicing::RecordField> movement_fields();

 private:
  template <std::size_t... H, std::size_t... M>
  static MemberTable make_table(std::index_sequence<H...>, std::index_sequence<M...>);

  invoicing::ServerConnection connection_;
  ObjectRef header_;    // an EstadoCuenta
  ObjectRef movement_;  // a MovimientoEdoCta
};

}  // namespace halvora
