#include "data/cupones.h"

#include <array>
#include <vector>

#include "automation/conversions.h"

namespace halvora {

namespace {

using sdk::Field;
using enum sdk::FieldType;

// Item, property position, type: the pieces of a coupon look-up.
constexpr std::array<Field, 7> kCouponFields{{
    {1, 0, u"", Long},
    {2, 5, u"", String},
    {3, 6, u"", Date},
    {4, 1, u"", Double},
    {5, 2, u"", Double},
    {6, 3, u"", Double},
    {7, 4, u"", Double},
}};

// The same for a coupon type.
constexpr std::array<Field, 4> kTypeFields{{
    {1, 0, u"", Long},
    {2, 1, u"", String},
    {3, 3, u"", Double},
    {4, 2, u"", String},
}};

}  // namespace

std::span<const sdk::Field> CUPONES::coupon_fields() {
  return kCouponFields;
}

std::span<const sdk::Field> CUPONES::type_fields() {
  return kTypeFields;
}

bool CUPONES::TelvarConectarLobix(Text pcDir, std::u16string& pcUser, std::u16string& pcPass) {
  return sdk::open(connection_, pcDir, pcUser, pcPass, [this] {
    ListaResultadoCupon = Collection::create();
    ListaResultadoTipoCupon = Collection::create();
  });
}

Variant CUPONES::TelvarDesconectar() {
  sdk::close(connection_);
  return {};
}

// Both lists are filled from the coupon list: that is the answer hosts have always read coupon
// types from.
ArrayOf<std::u16string> CUPONES::list(ObjectRef& into) {
  CollectionRef items = sdk::fresh_list(into);
  std::u16string text = sdk::call_text(connection_, u"ListarCupones");
  sdk::add_entries(*items, text, sdk::Entries::KeepAll);
  return {};
}

ArrayOf<std::u16string> CUPONES::GetCuponesAll() {
  return list(ListaResultadoCupon);
}

ArrayOf<std::u16string> CUPONES::GetTipoCuponAll() {
  return list(ListaResultadoTipoCupon);
}

// A look-up fills its record from the pieces it cut itself, and only then lists them: a fill that
// fails leaves the list empty, and an answer of one piece lists it beside a blank record.
Variant CUPONES::look_up(ObjectRef& into, ObjectRef& record, std::u16string_view record_class,
                         std::span<const sdk::Field> fields, std::u16string_view operation,
                         std::initializer_list<Variant> args) {
  CollectionRef list = sdk::fresh_list(into);
  std::u16string text = sdk::call_text(connection_, operation, args);
  std::vector<std::u16string_view> pieces = sdk::cut(text, sdk::kFieldSeparator);
  sdk::fill_from_pieces(record, record_class, pieces, fields);
  sdk::add_pieces(*list, pieces, sdk::Entries::KeepAll);
  return {};
}

Variant CUPONES::GetCuponesByNumHuest(double NumHuest, Text Estatus) {
  return look_up(ListaResultadoCupon, Cupones_Sdk_Info, kCouponClass, kCouponFields,
                 u"CuponesPorHuesped", {Variant(NumHuest), Variant(Estatus)});
}

Variant CUPONES::GetCuponesByNumHab(double NumHab, Text Estatus) {
  return look_up(ListaResultadoCupon, Cupones_Sdk_Info, kCouponClass, kCouponFields,
                 u"CuponesPorHabitacion", {Variant(NumHab), Variant(Estatus)});
}

// The coupon goes as the host left it; the SDK's Long answer is narrowed as hosts store it.
int16_t CUPONES::DbCupones_Save() {
  Variant coupon = sdk::record_argument(Cupones_Sdk_Info, kCouponClass);
  return to_integer(sdk::call(connection_, u"GuardarCupon", {coupon}));
}

Variant CUPONES::GetTipoCuponByClaveCup(Text ClaveCup) {
  return look_up(ListaResultadoTipoCupon, Tipocupon_Sdk_Info, kTypeClass, kTypeFields,
                 u"TipoCuponPorClave", {Variant(ClaveCup)});
}

Variant CUPONES::GetTipoCuponByNombreCup(Text NombreCup) {
  return look_up(ListaResultadoTipoCupon, Tipocupon_Sdk_Info, kTypeClass, kTypeFields,
                 u"TipoCuponPorNombre", {Variant(NombreCup)});
}

const MemberTable& CUPONES::member_table() {
  static const MemberTable table{
      data<&CUPONES::Cupones_Sdk_Info>(u"Cupones_Sdk_Info"),
      data<&CUPONES::Tipocupon_Sdk_Info>(u"Tipocupon_Sdk_Info"),
      data<&CUPONES::ListaResultadoCupon>(u"ListaResultadoCupon", takes_list),
      data<&CUPONES::ListaResultadoTipoCupon>(u"ListaResultadoTipoCupon", takes_list),
      method<&CUPONES::TelvarConectarLobix>(u"TelvarConectarLobix",
                                            {u"pcDir", u"pcUser", u"pcPass"}),
      method<&CUPONES::TelvarDesconectar>(u"TelvarDesconectar"),
      method<&CUPONES::GetCuponesAll>(u"GetCuponesAll"),
      method<&CUPONES::GetCuponesByNumHuest>(u"GetCuponesByNumHuest", {u"NumHuest", u"Estatus"}),
      method<&CUPONES::GetCuponesByNumHab>(u"GetCuponesByNumHab", {u"NumHab", u"Estatus"}),
      method<&CUPONES::DbCupones_Save>(u"DbCupones_Save"),
      method<&CUPONES::GetTipoCuponAll>(u"GetTipoCuponAll"),
      method<&CUPONES::GetTipoCuponByClaveCup>(u"GetTipoCuponByClaveCup", {u"ClaveCup"}),
      method<&CUPONES::GetTipoCuponByNombreCup>(u"GetTipoCuponByNombreCup", {u"NombreCup"}),
  };
  return table;
}

}  // namespace halvora
