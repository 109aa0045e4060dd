// A guest's registration handed to the e-invoicing server: one record of the component, written
// member by member (201 of them), then saved; the server also captures the guest's signature for
// the registration card and prints the card.
#pragma once

#include <span>
#include <string>
#include <utility>

#include "automation/members.h"
#include "automation/object.h"
#include "invoicing/server_connection.h"

namespace halvora {

class Clientes : public Object {
 public:
  using Text = const std::u16string&;

  bool TelvarConectar(Text pcDir, std::u16string& pcUser, std::u16string& pcPass);
  Variant TelvarDesconectar();
  Variant SaveRegistroHuesped();
  Variant PerformCapturaFirmaRegistroHuesped(Text lNumHues);
  Variant PerformReporteRegistroHuesped(Text lNumHues);

  static const MemberTable& member_table();
  const MemberTable& members() const override { return member_table(); }
  std::u16string type_name() const override { return u"Clientes"; }

  // The write-only properties, in interface order: the registration record's members under
  // their own names (letter case included) and types.
  static std::span<const invoicing::RecordField> registration_fields();

 private:
  template <std::size_t... P>
  static MemberTable make_table(std::index_sequence<P...>);

  invoicing::ServerConnection connection_;
  ObjectRef record_;  // a RegistroHuesped
};

}  // namespace halvora
