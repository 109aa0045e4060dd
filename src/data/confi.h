// The hotel's configuration record, read through the hotel database SDK.
#pragma once

#include <span>
#include <string>

#include "automation/collection.h"
#include "automation/members.h"
#include "automation/object.h"
#include "data/sdk_conventions.h"

namespace halvora {

class Confi : public Object {
 public:
  using Text = const std::u16string&;

  ObjectRef Confi_Sdk_Info;  // a RegistroConfiguracion
  std::u16string cgcasa;     // the host's own; nothing here reads or writes it

  bool TelvarConectarLobix(Text pcDir, std::u16string& pcUser, std::u16string& pcPass);
  Variant TelvarDesconectar();
  Variant GetConfiConfig();

  static const MemberTable& member_table();
  const MemberTable& members() const override { return member_table(); }
  std::u16string type_name() const override { return u"Confi"; }

  static constexpr char16_t kRecordClass[] = u"RegistroConfiguracion";
  // Which field of the configuration text goes into which property of the record.
  static std::span<const sdk::Field> field_table();

 private:
  sdk::Connection connection_;
  CollectionRef fields_;  // the pieces of the last configuration text
};

}  // namespace halvora
