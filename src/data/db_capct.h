// Charges: post a charge to a guest's account and read posted charges back through the hotel
// database SDK.
#pragma once

#include <string>

#include "automation/collection.h"
#include "automation/members.h"
#include "automation/object.h"
#include "data/sdk_conventions.h"

namespace halvora {

class DB_CAPCT : public Object {
 public:
  using Text = const std::u16string&;

  ObjectRef ListaResultados;    // one charge text per item
  ObjectRef Resultados;         // the fields of one charge
  ObjectRef Db_CapCt_Sdk_Info;  // a RegistroCargo: the charge to post, or the search example

  bool TelvarConectarLobix(Text pcDir, std::u16string& pcUser, std::u16string& pcPass);
  Variant TelvarDesconectar();
  Variant GeneraObjects();
  double GenerarCargo();
  double CapCt_Findby();
  ArrayOf<CollectionRef> GetListCargos(double nHabitacion, double nHuesped, double nCheque,
                                       double Cuenta, Text OmitirGrupos);
  CollectionRef GetListaResultados(Text StringDbCapCt, Text Simbolo);
  Variant GetEntityObject();

  static const MemberTable& member_table();
  const MemberTable& members() const override { return member_table(); }
  std::u16string type_name() const override { return u"DB_CAPCT"; }

  static constexpr char16_t kRecordClass[] = u"RegistroCargo";
  // Which field of a charge text goes into which property of the charge record.
  static std::span<const sdk::Field> field_table();

 private:
  void fresh_objects();

  sdk::Connection connection_;
  std::u16string list_text_;  // the last charge list as the SDK gave it
};

}  // namespace halvora
