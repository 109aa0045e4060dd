#include "data/inf_com.h"

#include <array>

namespace halvora {

namespace {

using sdk::Field;
using enum sdk::FieldType;

// Item, property position, type: the 18 fields of a commercial-information entry.
constexpr std::array<Field, 18> kFields{{
    {1, 7, u"", String},
    {2, 3, u"", String},
    {3, 5, u"", String},
    {4, 6, u"", String},
    {5, 2, u"", String},
    {6, 17, u"", String},
    {7, 16, u"", Boolean},
    {8, 0, u"", Long},
    {9, 15, u"", String},
    {10, 11, u"", Double},
    {11, 1, u"", String},
    {12, 13, u"", String},
    {13, 12, u"", Double},
    {14, 10, u"", Double},
    {15, 9, u"", String},
    {16, 8, u"", String},
    {17, 4, u"", String},
    {18, 14, u"", String},
}};

}  // namespace

std::span<const sdk::Field> InfCom::field_table() {
  return kFields;
}

bool InfCom::TelvarConectarLobix(Text pcDir, std::u16string& pcUser, std::u16string& pcPass) {
  return sdk::open(connection_, pcDir, pcUser, pcPass,
                   [this] { ListaResultadoInfCom = Collection::create(); });
}

Variant InfCom::TelvarDesconectar() {
  sdk::close(connection_);
  return {};
}

Variant InfCom::GetInfConfByNumHuest(double NumHuest, Text staHue) {
  CollectionRef list = sdk::fresh_list(ListaResultadoInfCom);
  std::u16string text =
      sdk::call_text(connection_, u"InfComercialPorHuesped", {Variant(NumHuest), Variant(staHue)});
  sdk::add_entries(*list, text, sdk::Entries::SkipBlank);
  return {};
}

CollectionRef InfCom::GetListaResultados(Text StringInfCom, Text Simbolo) {
  CollectionRef list = sdk::fresh_list(ResultadoInfCom);
  sdk::add_fields(*list, StringInfCom, Simbolo);
  return nullptr;
}

Variant InfCom::GetEntityObject() {
  sdk::fill_record(INFCOM_SDK_Info, kRecordClass, ResultadoInfCom, kFields);
  return {};
}

const MemberTable& InfCom::member_table() {
  static const MemberTable table{
      data<&InfCom::INFCOM_SDK_Info>(u"INFCOM_SDK_Info"),
      data<&InfCom::ListaResultadoInfCom>(u"ListaResultadoInfCom", takes_list),
      data<&InfCom::ResultadoInfCom>(u"ResultadoInfCom", takes_list),
      method<&InfCom::TelvarConectarLobix>(u"TelvarConectarLobix",
                                           {u"pcDir", u"pcUser", u"pcPass"}),
      method<&InfCom::TelvarDesconectar>(u"TelvarDesconectar"),
      method<&InfCom::GetInfConfByNumHuest>(u"GetInfConfByNumHuest", {u"NumHuest", u"staHue"}),
      method<&InfCom::GetListaResultados>(u"GetListaResultados", {u"StringInfCom", u"Simbolo"}),
      method<&InfCom::GetEntityObject>(u"GetEntityObject"),
  };
  return table;
}

}  // namespace halvora
