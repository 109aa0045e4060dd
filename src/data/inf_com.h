// Guests' commercial information: the records of one guest, and one of them as a record, through
// the hotel database SDK. Published as INFCOM.
#pragma once

#include <span>
#include <string>

#include "automation/collection.h"
#include "automation/members.h"
#include "automation/object.h"
#include "data/sdk_conventions.h"

namespace halvora {

class InfCom : public Object {
 public:
  using Text = const std::u16string&;

  ObjectRef INFCOM_SDK_Info;       // a RegistroInfComercial
  ObjectRef ListaResultadoInfCom;  // one entry per record of the guest
  ObjectRef ResultadoInfCom;       // the fields of one record

  bool TelvarConectarLobix(Text pcDir, std::u16string& pcUser, std::u16string& pcPass);
  Variant TelvarDesconectar();
  Variant GetInfConfByNumHuest(double NumHuest, Text staHue);
  CollectionRef GetListaResultados(Text StringInfCom, Text Simbolo);
  Variant GetEntityObject();

  static const MemberTable& member_table();
  const MemberTable& members() const override { return member_table(); }
  std::u16string type_name() const override { return u"INFCOM"; }

  static constexpr char16_t kRecordClass[] = u"RegistroInfComercial";
  // Which field of an entry goes into which property of the record.
  static std::span<const sdk::Field> field_table();

 private:
  sdk::Connection connection_;
};

}  // namespace halvora
