#include "data/db_datos.h"

#include <array>

namespace halvora {

namespace {

using sdk::Field;
using enum sdk::FieldType;

// Item, property position, column, type: the order in which the SDK writes a guest's fields.
constexpr std::array<Field, 45> kFields{{
    {1, 0, u"", Long},
    {2, 1, u"NOMBREDA", String},
    {3, 12, u"DIRDA", String},
    {4, 14, u"PAISDA", String},
    {5, 3, u"CIUDADDA", String},
    {6, 4, u"numresda", Double},
    {7, 8, u"NUMHABDA", Double},
    {8, 56, u"NUMHUESDA", Double},
    {9, 15, u"NOMCIADA", String},
    {10, 65, u"CVEESTDA1", String},
    {11, 66, u"CVEESTDA2", String},
    {12, 68, u"CVEESTDA4", String},
    {13, 70, u"CVEESTDA6", String},
    {14, 72, u"CVEESTDA8", String},
    {15, 21, u"NUMCUADA", Double},
    {16, 19, u"NUMPERDA", Double},
    {17, 20, u"TARIFADA", Double},
    {18, 57, u"TPOCAM1DA", Double},
    {19, 45, u"FOLEX1DA", String},
    {20, 58, u"TPOCAM2DA", Double},
    {21, 46, u"FOLEX2DA", String},
    {22, 59, u"TPOCAM3DA", Double},
    {23, 17, u"DEPOSIDA", Double},
    {24, 110, u"MONCREDA", Double},
    {25, 88, u"CREDITODA", String},
    {26, 16, u"FORMPADA", String},
    {27, 9, u"PLANVIDA", String},
    {28, 10, u"OBSERVDA", String},
    {29, 11, u"OBSERVDA2", String},
    {30, 13, u"TELDA", String},
    {31, 137, u"OBSERVDA4", String},
    {32, 138, u"OBSERVDA5", String},
    {33, 41, u"FHARESDA", Date},
    {34, 5, u"FHAENTDA", Date},
    {35, 6, u"FHASALDA", Date},
    {36, 7, u"FHAEXTDA", Date},
    {37, 53, u"HORAENTRAD", String},
    {38, 52, u"HORASALIDA", String},
    {39, 87, u"HORAMOVDA", String},
    {40, 86, u"INIREGDA", String},
    {41, 38, u"PASEDA", String},
    {42, 99, u"CVEGPODA", String},
    {43, 184, u"", Double},
    {44, 185, u"", String},
    {45, 2, u"STATUSDA", String},
}};

}  // namespace

std::span<const sdk::Field> Db_Datos::field_table() {
  return kFields;
}

Variant Db_Datos::PruebaString() {
  return Variant(sdk::call_text(connection_, u"CadenaPrueba"));
}

bool Db_Datos::TelvarConectarLobix(Text pcDir, std::u16string& pcUser, std::u16string& pcPass) {
  return sdk::open(connection_, pcDir, pcUser, pcPass, [this] {
    ListaResultados = Collection::create();
    GetList_ListaResultados = Collection::create();
  });
}

Variant Db_Datos::TelvarDesconectar() {
  sdk::close(connection_);
  return {};
}

ArrayOf<std::u16string> Db_Datos::GetList_HuespedesEnCasa() {
  CollectionRef list = sdk::fresh_list(GetList_ListaResultados);
  in_house_text_ = sdk::call_text(connection_, u"ListarHuespedesEnCasa");
  sdk::add_entries(*list, in_house_text_, sdk::Entries::SkipBlank);
  return {};
}

// The SDK is asked before anything is replaced, so a failed look-up leaves the last guest.
Variant Db_Datos::look_up(std::u16string_view operation, Text key, Text status) {
  guest_text_ = sdk::call_text(connection_, operation, {key, status});
  GetListaResultados(guest_text_, sdk::kFieldSeparator);
  return GetEntityObject();
}

Variant Db_Datos::GetHuespedByNumHab(Text NumHab, Text status) {
  return look_up(u"HuespedPorHabitacion", NumHab, status);
}

Variant Db_Datos::GetHuespedByNumHuest(Text NumHuest, Text status) {
  return look_up(u"HuespedPorNumero", NumHuest, status);
}

Variant Db_Datos::GetHuespedByNombreHuesped(Text NombreHuesped, Text status) {
  return look_up(u"HuespedPorNombre", NombreHuesped, status);
}

CollectionRef Db_Datos::GetListaResultados(Text StringDatosHuespet, Text Simbolo) {
  CollectionRef list = sdk::fresh_list(ListaResultados);
  sdk::add_fields(*list, StringDatosHuespet, Simbolo);
  return nullptr;
}

Variant Db_Datos::GetEntityObject() {
  sdk::fill_record(Db_Datos_Sdk_Info, kRecordClass, ListaResultados, kFields);
  return {};
}

const MemberTable& Db_Datos::member_table() {
  static const MemberTable table{
      data<&Db_Datos::Db_Datos_Sdk_Info>(u"Db_Datos_Sdk_Info"),
      data<&Db_Datos::ListaResultados>(u"ListaResultados", takes_list),
      data<&Db_Datos::GetList_ListaResultados>(u"GetList_ListaResultados", takes_list),
      method<&Db_Datos::PruebaString>(u"PruebaString"),
      method<&Db_Datos::TelvarConectarLobix>(u"TelvarConectarLobix",
                                             {u"pcDir", u"pcUser", u"pcPass"}),
      method<&Db_Datos::TelvarDesconectar>(u"TelvarDesconectar"),
      method<&Db_Datos::GetList_HuespedesEnCasa>(u"GetList_HuespedesEnCasa"),
      method<&Db_Datos::GetHuespedByNumHab>(u"GetHuespedByNumHab", {u"NumHab", u"status"}),
      method<&Db_Datos::GetHuespedByNumHuest>(u"GetHuespedByNumHuest", {u"NumHuest", u"status"}),
      method<&Db_Datos::GetHuespedByNombreHuesped>(u"GetHuespedByNombreHuesped",
                                                   {u"NombreHuesped", u"status"}),
      method<&Db_Datos::GetListaResultados>(u"GetListaResultados",
                                            {u"StringDatosHuespet", u"Simbolo"}),
      method<&Db_Datos::GetEntityObject>(u"GetEntityObject"),
  };
  return table;
}

}  // namespace halvora
