// The guest master: every record, or those matching an example record, through the hotel
// database SDK.
#pragma once

#include <span>
#include <string>

#include "automation/collection.h"
#include "automation/members.h"
#include "automation/object.h"
#include "data/sdk_conventions.h"

namespace halvora {

class MASHUE72 : public Object {
 public:
  using Text = const std::u16string&;

  ObjectRef MASHUE72_SDK_Info;  // a RegistroMaestroHuesped: the example, or the record read
  ObjectRef Lista_Resultados;   // one entry per guest master record

  bool TelvarConectarLobix(Text pcDir, std::u16string& pcUser, std::u16string& pcPass);
  Variant TelvarDesconectar();
  Variant getDataMASHUE72();
  Variant MASHUE72_FindBy();
  CollectionRef GetListaResultados(Text StringTabConf, Text Separador);
  Variant GetEntityObject();

  static const MemberTable& member_table();
  const MemberTable& members() const override { return member_table(); }
  std::u16string type_name() const override { return u"MASHUE72"; }

  static constexpr char16_t kRecordClass[] = u"RegistroMaestroHuesped";
  // Which field of a guest master entry goes into which property of the record.
  static std::span<const sdk::Field> field_table();

 private:
  sdk::Connection connection_;
  CollectionRef fields_;  // the fields of one record; hosts read it only through the record
};

}  // namespace halvora
