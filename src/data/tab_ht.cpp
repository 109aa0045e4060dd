#include "data/tab_ht.h"

#include <array>

#include "automation/conversions.h"

namespace halvora {

namespace {

using sdk::Field;
using enum sdk::FieldType;

// Item, property position, type: all 80 fields of the hotel text in the order the SDK writes
// them.
constexpr std::array<Field, 80> kFields{{
    {1, 33, u"", Double},  {2, 47, u"", Double},  {3, 28, u"", String},   {4, 37, u"", Boolean},
    {5, 8, u"", String},   {6, 60, u"", Double},  {7, 57, u"", Double},   {8, 45, u"", Double},
    {9, 42, u"", Double},  {10, 39, u"", Double}, {11, 38, u"", Double},  {12, 41, u"", Double},
    {13, 40, u"", Double}, {14, 58, u"", Double}, {15, 56, u"", Double},  {16, 66, u"", Double},
    {17, 52, u"", Double}, {18, 54, u"", Double}, {19, 53, u"", Double},  {20, 61, u"", Double},
    {21, 27, u"", String}, {22, 48, u"", String}, {23, 63, u"", Double},  {24, 62, u"", Double},
    {25, 64, u"", Double}, {26, 68, u"", Double}, {27, 65, u"", Double},  {28, 4, u"", String},
    {29, 79, u"", Double}, {30, 78, u"", Double}, {31, 34, u"", Boolean}, {32, 20, u"", Date},
    {33, 19, u"", Date},   {34, 18, u"", Date},   {35, 55, u"", Double},  {36, 16, u"", Double},
    {37, 17, u"", Double}, {38, 0, u"", Long},    {39, 11, u"", Double},  {40, 51, u"", Double},
    {41, 46, u"", Double}, {42, 70, u"", Double}, {43, 14, u"", Double},  {44, 44, u"", Double},
    {45, 72, u"", Double}, {46, 21, u"", Double}, {47, 67, u"", Double},  {48, 13, u"", Double},
    {49, 12, u"", Double}, {50, 74, u"", Double}, {51, 10, u"", Double},  {52, 50, u"", Double},
    {53, 23, u"", Double}, {54, 22, u"", Double}, {55, 69, u"", Double},  {56, 15, u"", Double},
    {57, 75, u"", Double}, {58, 49, u"", Double}, {59, 59, u"", Double},  {60, 3, u"", String},
    {61, 35, u"", Double}, {62, 30, u"", String}, {63, 31, u"", String},  {64, 32, u"", String},
    {65, 9, u"", String},  {66, 43, u"", Double}, {67, 71, u"", Double},  {68, 24, u"", Double},
    {69, 25, u"", String}, {70, 77, u"", String}, {71, 26, u"", String},  {72, 73, u"", Double},
    {73, 76, u"", Double}, {74, 1, u"", Date},    {75, 5, u"", String},   {76, 6, u"", String},
    {77, 7, u"", String},  {78, 29, u"", String}, {79, 36, u"", Double},  {80, 2, u"", String},
}};

}  // namespace

std::span<const sdk::Field> Tab_ht::field_table() {
  return kFields;
}

bool Tab_ht::TelvarConectarLobix(Text pcDir, std::u16string& pcUser, std::u16string& pcPass) {
  return sdk::open(connection_, pcDir, pcUser, pcPass,
                   [this] { ListaResultados = Collection::create(); });
}

Variant Tab_ht::TelvarDesconectar() {
  sdk::close(connection_);
  return {};
}

// The record is replaced before the SDK is asked, so a failed read leaves a blank one; the list
// keeps the last text's fields until a new text arrives.
Variant Tab_ht::GetTabHtConfig() {
  Tab_Ht_SDK_Info = sdk::new_record(kRecordClass);
  std::u16string text = sdk::call_text(connection_, u"LeerTablaHotel");
  CollectionRef list = sdk::fresh_list(ListaResultados);
  sdk::add_fields(*list, text, sdk::kFieldSeparator);
  sdk::fill_record(Tab_Ht_SDK_Info, kRecordClass, ListaResultados, kFields);
  return {};
}

// The SDK's counters are Longs; hosts keep the folio in an Integer, so a folio past 32,767 is an
// overflow rather than a wrapped number.
int16_t Tab_ht::GetFolioTab_Ht(int16_t TipoOperacion) {
  return to_integer(
      sdk::call(connection_, u"FolioPorOperacion", {Variant(int32_t{TipoOperacion})}));
}

const MemberTable& Tab_ht::member_table() {
  static const MemberTable table{
      data<&Tab_ht::Tab_Ht_SDK_Info>(u"Tab_Ht_SDK_Info"),
      data<&Tab_ht::ListaResultados>(u"ListaResultados", takes_list),
      method<&Tab_ht::TelvarConectarLobix>(u"TelvarConectarLobix",
                                           {u"pcDir", u"pcUser", u"pcPass"}),
      method<&Tab_ht::TelvarDesconectar>(u"TelvarDesconectar"),
      method<&Tab_ht::GetTabHtConfig>(u"GetTabHtConfig"),
      method<&Tab_ht::GetFolioTab_Ht>(u"GetFolioTab_Ht", {u"TipoOperacion"}),
  };
  return table;
}

}  // namespace halvora
