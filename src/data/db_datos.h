// Guests in house: the list of every in-house guest, and one guest's data looked up by room,
// guest number or name, through the hotel database SDK.
#pragma once

#include <string>

#include "automation/collection.h"
#include "automation/members.h"
#include "automation/object.h"
#include "data/sdk_conventions.h"

namespace halvora {

class Db_Datos : public Object {
 public:
  using Text = const std::u16string&;

  ObjectRef Db_Datos_Sdk_Info;        // a RegistroDatosHuesped
  ObjectRef ListaResultados;          // the fields of the guest last looked up
  ObjectRef GetList_ListaResultados;  // one entry per in-house guest

  Variant PruebaString();
  bool TelvarConectarLobix(Text pcDir, std::u16string& pcUser, std::u16string& pcPass);
  Variant TelvarDesconectar();
  ArrayOf<std::u16string> GetList_HuespedesEnCasa();
  Variant GetHuespedByNumHab(Text NumHab, Text status);
  Variant GetHuespedByNumHuest(Text NumHuest, Text status);
  Variant GetHuespedByNombreHuesped(Text NombreHuesped, Text status);
  CollectionRef GetListaResultados(Text StringDatosHuespet, Text Simbolo);
  Variant GetEntityObject();

  static const MemberTable& member_table();
  const MemberTable& members() const override { return member_table(); }
  std::u16string type_name() const override { return u"Db_Datos"; }

  static constexpr char16_t kRecordClass[] = u"RegistroDatosHuesped";
  // Which list item goes into which property of the guest record.
  static std::span<const sdk::Field> field_table();

 private:
  Variant look_up(std::u16string_view operation, Text key, Text status);

  sdk::Connection connection_;
  std::u16string in_house_text_;  // the last in-house list as the SDK gave it
  std::u16string guest_text_;     // the last look-up's answer
};

}  // namespace halvora
