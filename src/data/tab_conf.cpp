#include "data/tab_conf.h"

#include <array>

namespace halvora {

namespace {

using sdk::Field;
using enum sdk::FieldType;

// Item, property position, type: the 16 fields of a catalogue entry.
constexpr std::array<Field, 16> kFields{{
    {1, 13, u"", Long},
    {2, 9, u"", Boolean},
    {3, 6, u"", String},
    {4, 15, u"", String},
    {5, 11, u"", Boolean},
    {6, 8, u"", String},
    {7, 10, u"", String},
    {8, 1, u"", String},
    {9, 5, u"", Boolean},
    {10, 0, u"", Long},
    {11, 14, u"", Boolean},
    {12, 12, u"", Boolean},
    {13, 4, u"", String},
    {14, 2, u"", String},
    {15, 7, u"", String},
    {16, 3, u"", String},
}};

}  // namespace

std::span<const sdk::Field> TabConf::field_table() {
  return kFields;
}

bool TabConf::TelvarConectarLobix(Text pcDir, std::u16string& pcUser, std::u16string& pcPass) {
  return sdk::open(connection_, pcDir, pcUser, pcPass,
                   [this] { ListaResultadosTabConf = Collection::create(); });
}

Variant TabConf::TelvarDesconectar() {
  sdk::close(connection_);
  return {};
}

ArrayOf<std::u16string> TabConf::GetListTabConf() {
  CollectionRef list = sdk::fresh_list(ListaResultadosTabConf);
  std::u16string text = sdk::call_text(connection_, u"ListarTablasConfiguracion");
  sdk::add_entries(*list, text, sdk::Entries::KeepAll);
  return {};
}

std::u16string TabConf::GetCvetabByTipo(Text Tipo) {
  return sdk::call_text(connection_, u"ClaveTablaPorTipo", {Variant(Tipo)});
}

std::u16string TabConf::GetTipoByCvetab(Text Cvetab) {
  return sdk::call_text(connection_, u"TipoPorClaveTabla", {Variant(Cvetab)});
}

CollectionRef TabConf::GetListaResultadosTabConf(Text StringInfCom, Text Simbolo) {
  fields_ = Collection::create();
  sdk::add_fields(*fields_, StringInfCom, Simbolo);
  return nullptr;
}

Variant TabConf::GetEntityObject() {
  sdk::fill_record(TABCONF_SDK_Info, kRecordClass, fields_, kFields);
  return {};
}

const MemberTable& TabConf::member_table() {
  static const MemberTable table{
      data<&TabConf::ListaResultadosTabConf>(u"ListaResultadosTabConf", takes_list),
      data<&TabConf::TABCONF_SDK_Info>(u"TABCONF_SDK_Info"),
      method<&TabConf::TelvarConectarLobix>(u"TelvarConectarLobix",
                                            {u"pcDir", u"pcUser", u"pcPass"}),
      method<&TabConf::TelvarDesconectar>(u"TelvarDesconectar"),
      method<&TabConf::GetListTabConf>(u"GetListTabConf"),
      method<&TabConf::GetCvetabByTipo>(u"GetCvetabByTipo", {u"Tipo"}),
      method<&TabConf::GetTipoByCvetab>(u"GetTipoByCvetab", {u"Cvetab"}),
      method<&TabConf::GetListaResultadosTabConf>(u"GetListaResultadosTabConf",
                                                  {u"StringInfCom", u"Simbolo"}),
      method<&TabConf::GetEntityObject>(u"GetEntityObject"),
  };
  return table;
}

}  // namespace halvora
