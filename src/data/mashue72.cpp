#include "data/mashue72.h"

#include <array>

namespace halvora {

namespace {

using sdk::Field;
using enum sdk::FieldType;

// Item, property position, type: the eight fields of a guest master entry.
constexpr std::array<Field, 8> kFields{{
    {1, 6, u"", String},
    {2, 1, u"", Double},
    {3, 0, u"", Long},
    {4, 5, u"", Double},
    {5, 3, u"", Double},
    {6, 2, u"", Double},
    {7, 4, u"", String},
    {8, 7, u"", String},
}};

}  // namespace

std::span<const sdk::Field> MASHUE72::field_table() {
  return kFields;
}

bool MASHUE72::TelvarConectarLobix(Text pcDir, std::u16string& pcUser, std::u16string& pcPass) {
  return sdk::open(connection_, pcDir, pcUser, pcPass, [this] {
    MASHUE72_SDK_Info = sdk::new_record(kRecordClass);
    Lista_Resultados = Collection::create();
    fields_ = Collection::create();
  });
}

Variant MASHUE72::TelvarDesconectar() {
  sdk::close(connection_);
  return {};
}

Variant MASHUE72::getDataMASHUE72() {
  CollectionRef list = sdk::fresh_list(Lista_Resultados);
  std::u16string text = sdk::call_text(connection_, u"ListarMaestroHuespedes");
  sdk::add_entries(*list, text, sdk::Entries::SkipBlank);
  return {};
}

Variant MASHUE72::MASHUE72_FindBy() {
  CollectionRef list = sdk::fresh_list(Lista_Resultados);
  Variant example = sdk::record_argument(MASHUE72_SDK_Info, kRecordClass);
  std::u16string text = sdk::call_text(connection_, u"BuscarMaestroHuespedes", {example});
  sdk::add_entries(*list, text, sdk::Entries::SkipBlank);
  return {};
}

CollectionRef MASHUE72::GetListaResultados(Text StringTabConf, Text Separador) {
  fields_ = Collection::create();
  sdk::add_fields(*fields_, StringTabConf, Separador);
  return nullptr;
}

Variant MASHUE72::GetEntityObject() {
  sdk::fill_record(MASHUE72_SDK_Info, kRecordClass, fields_, kFields);
  return {};
}

const MemberTable& MASHUE72::member_table() {
  static const MemberTable table{
      data<&MASHUE72::MASHUE72_SDK_Info>(u"MASHUE72_SDK_Info"),
      data<&MASHUE72::Lista_Resultados>(u"Lista_Resultados", takes_list),
      method<&MASHUE72::TelvarConectarLobix>(u"TelvarConectarLobix",
                                             {u"pcDir", u"pcUser", u"pcPass"}),
      method<&MASHUE72::TelvarDesconectar>(u"TelvarDesconectar"),
      method<&MASHUE72::getDataMASHUE72>(u"getDataMASHUE72"),
      method<&MASHUE72::MASHUE72_FindBy>(u"MASHUE72_FindBy"),
      method<&MASHUE72::GetListaResultados>(u"GetListaResultados",
                                            {u"StringTabConf", u"Separador"}),
      method<&MASHUE72::GetEntityObject>(u"GetEntityObject"),
  };
  return table;
}

}  // namespace halvora
