#include "data/tab_est.h"

#include <array>

namespace halvora {

namespace {

using sdk::Field;
using enum sdk::FieldType;

// Item, property position, type: the 55 fields of a state entry.
constexpr std::array<Field, 55> kFields{{
    {1, 43, u"", String},  {2, 1, u"", String},    {3, 17, u"", Double},  {4, 10, u"", Double},
    {5, 13, u"", Double},  {6, 18, u"", Double},   {7, 11, u"", Double},  {8, 14, u"", Double},
    {9, 42, u"", Double},  {10, 2, u"", String},   {11, 46, u"", Double}, {12, 40, u"", Double},
    {13, 38, u"", Double}, {14, 39, u"", Double},  {15, 21, u"", String}, {16, 0, u"", Long},
    {17, 51, u"", String}, {18, 50, u"", String},  {19, 52, u"", String}, {20, 53, u"", Double},
    {21, 49, u"", Double}, {22, 19, u"", Double},  {23, 41, u"", Double}, {24, 15, u"", Double},
    {25, 48, u"", Double}, {26, 47, u"", Boolean}, {27, 3, u"", String},  {28, 25, u"", String},
    {29, 26, u"", String}, {30, 27, u"", String},  {31, 28, u"", String}, {32, 29, u"", String},
    {33, 30, u"", String}, {34, 31, u"", String},  {35, 32, u"", String}, {36, 33, u"", String},
    {37, 34, u"", String}, {38, 4, u"", String},   {39, 35, u"", String}, {40, 36, u"", String},
    {41, 37, u"", String}, {42, 5, u"", String},   {43, 6, u"", Double},  {44, 7, u"", Double},
    {45, 8, u"", Double},  {46, 22, u"", String},  {47, 23, u"", String}, {48, 24, u"", String},
    {49, 54, u"", String}, {50, 20, u"", Double},  {51, 12, u"", Double}, {52, 16, u"", Double},
    {53, 9, u"", String},  {54, 45, u"", Double},  {55, 44, u"", Double},
}};

}  // namespace

std::span<const sdk::Field> TAB_EST::field_table() {
  return kFields;
}

bool TAB_EST::TelvarConectarLobix(Text pcDir, std::u16string& pcUser, std::u16string& pcPass) {
  return sdk::open(connection_, pcDir, pcUser, pcPass, [this] {
    Lista_Resultados = Collection::create();
    Resultados = Collection::create();
  });
}

Variant TAB_EST::TelvarDesconectar() {
  sdk::close(connection_);
  return {};
}

// Unlike the other lists, this one is replaced only once the SDK has answered: a failed query
// leaves the states of the previous one where the host reads them.
Variant TAB_EST::GetTabEstByTypTab(Text Typtab) {
  std::u16string text = sdk::call_text(connection_, u"TablasEstadoPorTipo", {Variant(Typtab)});
  CollectionRef list = sdk::fresh_list(Lista_Resultados);
  sdk::add_entries(*list, text, sdk::Entries::SkipBlank);
  return {};
}

CollectionRef TAB_EST::GetListaResultados(Text StringTabConf, Text Separador) {
  CollectionRef list = sdk::fresh_list(Resultados);
  sdk::add_fields(*list, StringTabConf, Separador);
  return nullptr;
}

Variant TAB_EST::GetEntityObject() {
  sdk::fill_record(Tab_Est_Sdk_Info, kRecordClass, Resultados, kFields);
  return {};
}

const MemberTable& TAB_EST::member_table() {
  static const MemberTable table{
      data<&TAB_EST::Tab_Est_Sdk_Info>(u"Tab_Est_Sdk_Info"),
      data<&TAB_EST::Lista_Resultados>(u"Lista_Resultados", takes_list),
      data<&TAB_EST::Resultados>(u"Resultados", takes_list),
      method<&TAB_EST::TelvarConectarLobix>(u"TelvarConectarLobix",
                                            {u"pcDir", u"pcUser", u"pcPass"}),
      method<&TAB_EST::TelvarDesconectar>(u"TelvarDesconectar"),
      method<&TAB_EST::GetTabEstByTypTab>(u"GetTabEstByTypTab", {u"Typtab"}),
      method<&TAB_EST::GetListaResultados>(u"GetListaResultados", {u"StringTabConf", u"Separador"}),
      method<&TAB_EST::GetEntityObject>(u"GetEntityObject"),
  };
  return table;
}

}  // namespace halvora
