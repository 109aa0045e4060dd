// The hotel's state tables of one table type, and one state as a record, through the hotel
// database SDK.
#pragma once

#include <span>
#include <string>

#include "automation/collection.h"
#include "automation/members.h"
#include "automation/object.h"
#include "data/sdk_conventions.h"

namespace halvora {

class TAB_EST : public Object {
 public:
  using Text = const std::u16string&;

  ObjectRef Tab_Est_Sdk_Info;  // a RegistroTablaEstado
  ObjectRef Lista_Resultados;  // one entry per state of the type last asked for
  ObjectRef Resultados;        // the fields of one state

  bool TelvarConectarLobix(Text pcDir, std::u16string& pcUser, std::u16string& pcPass);
  Variant TelvarDesconectar();
  Variant GetTabEstByTypTab(Text Typtab);
  CollectionRef GetListaResultados(Text StringTabConf, Text Separador);
  Variant GetEntityObject();

  static const MemberTable& member_table();
  const MemberTable& members() const override { return member_table(); }
  std::u16string type_name() const override { return u"TAB_EST"; }

  static constexpr char16_t kRecordClass[] = u"RegistroTablaEstado";
  // Which field of a state entry goes into which property of the record.
  static std::span<const sdk::Field> field_table();

 private:
  sdk::Connection connection_;
};

}  // namespace halvora
