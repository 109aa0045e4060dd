// The hotel table, the record that describes the hotel, and the folio counters of its operation
// types, through the hotel database SDK.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "automation/collection.h"
#include "automation/members.h"
#include "automation/object.h"
#include "data/sdk_conventions.h"

namespace halvora {

class Tab_ht : public Object {
 public:
  using Text = const std::u16string&;

  ObjectRef Tab_Ht_SDK_Info;  // a RegistroTablaHotel
  ObjectRef ListaResultados;  // the fields of the last hotel text

  bool TelvarConectarLobix(Text pcDir, std::u16string& pcUser, std::u16string& pcPass);
  Variant TelvarDesconectar();
  Variant GetTabHtConfig();
  int16_t GetFolioTab_Ht(int16_t TipoOperacion);

  static const MemberTable& member_table();
  const MemberTable& members() const override { return member_table(); }
  std::u16string type_name() const override { return u"Tab_ht"; }

  static constexpr char16_t kRecordClass[] = u"RegistroTablaHotel";
  // Which field of the hotel text goes into which property of the record.
  static std::span<const sdk::Field> field_table();

 private:
  sdk::Connection connection_;
};

}  // namespace halvora
