#include "data/db_capct.h"

#include <array>

namespace halvora {

namespace {

using sdk::Field;
using enum sdk::FieldType;

// Item, property position, type: every one of the charge record's 29 properties, in the order
// the SDK writes a charge. None has a column name of its own.
constexpr std::array<Field, 29> kFields{{
    {1, 12, u"", String},  {2, 23, u"", Double},  {3, 6, u"", Double},   {4, 7, u"", Double},
    {5, 4, u"", Double},   {6, 5, u"", Double},   {7, 13, u"", Double},  {8, 9, u"", Date},
    {9, 20, u"", Double},  {10, 1, u"", Double},  {11, 17, u"", Double}, {12, 15, u"", String},
    {13, 18, u"", Double}, {14, 2, u"", Double},  {15, 14, u"", Double}, {16, 24, u"", Boolean},
    {17, 19, u"", String}, {18, 11, u"", String}, {19, 10, u"", String}, {20, 16, u"", Double},
    {21, 3, u"", Double},  {22, 25, u"", String}, {23, 8, u"", Double},  {24, 21, u"", String},
    {25, 22, u"", String}, {26, 28, u"", String}, {27, 0, u"", Double},  {28, 26, u"", Double},
    {29, 27, u"", Long},
}};

}  // namespace

std::span<const sdk::Field> DB_CAPCT::field_table() {
  return kFields;
}

void DB_CAPCT::fresh_objects() {
  Db_CapCt_Sdk_Info = sdk::new_record(kRecordClass);
  ListaResultados = Collection::create();
}

bool DB_CAPCT::TelvarConectarLobix(Text pcDir, std::u16string& pcUser, std::u16string& pcPass) {
  return sdk::open(connection_, pcDir, pcUser, pcPass, [this] { fresh_objects(); });
}

Variant DB_CAPCT::TelvarDesconectar() {
  sdk::close(connection_);
  return {};
}

Variant DB_CAPCT::GeneraObjects() {
  fresh_objects();
  return {};
}

// The record goes as the host left it: no check and no default, the charge is the SDK's.
double DB_CAPCT::GenerarCargo() {
  Variant record = sdk::record_argument(Db_CapCt_Sdk_Info, kRecordClass);
  return to_double(sdk::call(connection_, u"RegistrarCargo", {record}));
}

double DB_CAPCT::CapCt_Findby() {
  CollectionRef list = sdk::fresh_list(ListaResultados);
  Variant example = sdk::record_argument(Db_CapCt_Sdk_Info, kRecordClass);
  list_text_ = sdk::call_text(connection_, u"BuscarCargos", {example});
  sdk::add_entries(*list, list_text_, sdk::Entries::SkipBlank);
  return 0;
}

ArrayOf<CollectionRef> DB_CAPCT::GetListCargos(double nHabitacion, double nHuesped, double nCheque,
                                               double Cuenta, Text OmitirGrupos) {
  CollectionRef list = sdk::fresh_list(ListaResultados);
  list_text_ = sdk::call_text(connection_, u"ListarCargos",
                              {nHabitacion, nHuesped, nCheque, Cuenta, OmitirGrupos});
  // Every piece keeps its place, so entry n is the n-th charge the SDK wrote.
  sdk::add_entries(*list, list_text_, sdk::Entries::KeepAll);
  return {};
}

CollectionRef DB_CAPCT::GetListaResultados(Text StringDbCapCt, Text Simbolo) {
  CollectionRef list = sdk::fresh_list(Resultados);
  sdk::add_fields(*list, StringDbCapCt, Simbolo);
  return nullptr;
}

Variant DB_CAPCT::GetEntityObject() {
  sdk::fill_record(Db_CapCt_Sdk_Info, kRecordClass, Resultados, kFields);
  return {};
}

const MemberTable& DB_CAPCT::member_table() {
  static const MemberTable table{
      data<&DB_CAPCT::ListaResultados>(u"ListaResultados", takes_list),
      data<&DB_CAPCT::Resultados>(u"Resultados", takes_list),
      data<&DB_CAPCT::Db_CapCt_Sdk_Info>(u"Db_CapCt_Sdk_Info"),
      method<&DB_CAPCT::TelvarConectarLobix>(u"TelvarConectarLobix",
                                             {u"pcDir", u"pcUser", u"pcPass"}),
      method<&DB_CAPCT::TelvarDesconectar>(u"TelvarDesconectar"),
      method<&DB_CAPCT::GeneraObjects>(u"GeneraObjects"),
      method<&DB_CAPCT::GenerarCargo>(u"GenerarCargo"),
      method<&DB_CAPCT::CapCt_Findby>(u"CapCt_Findby"),
      method<&DB_CAPCT::GetListCargos>(
          u"GetListCargos", {u"nHabitacion", u"nHuesped", u"nCheque", u"Cuenta", u"OmitirGrupos"}),
      method<&DB_CAPCT::GetListaResultados>(u"GetListaResultados", {u"StringDbCapCt", u"Simbolo"}),
      method<&DB_CAPCT::GetEntityObject>(u"GetEntityObject"),
  };
  return table;
}

}  // namespace halvora
