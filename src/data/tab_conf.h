// The catalogue of configuration tables, one catalogue record, and the translation between a
// table's type and its key, through the hotel database SDK. Published as TABCONF.
#pragma once

#include <span>
#include <string>

#include "automation/collection.h"
#include "automation/members.h"
#include "automation/object.h"
#include "data/sdk_conventions.h"

namespace halvora {

class TabConf : public Object {
 public:
  using Text = const std::u16string&;

  ObjectRef ListaResultadosTabConf;  // one entry per catalogue record
  ObjectRef TABCONF_SDK_Info;        // a RegistroTablaConfiguracion

  bool TelvarConectarLobix(Text pcDir, std::u16string& pcUser, std::u16string& pcPass);
  Variant TelvarDesconectar();
  ArrayOf<std::u16string> GetListTabConf();
  std::u16string GetCvetabByTipo(Text Tipo);
  std::u16string GetTipoByCvetab(Text Cvetab);
  CollectionRef GetListaResultadosTabConf(Text StringInfCom, Text Simbolo);
  Variant GetEntityObject();

  static const MemberTable& member_table();
  const MemberTable& members() const override { return member_table(); }
  std::u16string type_name() const override { return u"TABCONF"; }

  static constexpr char16_t kRecordClass[] = u"RegistroTablaConfiguracion";
  // Which field of a catalogue entry goes into which property of the record.
  static std::span<const sdk::Field> field_table();

 private:
  sdk::Connection connection_;
  CollectionRef fields_;  // the fields of one record; hosts read it only through the record
};

}  // namespace halvora
