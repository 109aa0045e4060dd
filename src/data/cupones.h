// Coupons and coupon types: the coupon list, the coupon of a guest or of a room, saving a coupon,
// and a coupon type by its key or its name, through the hotel database SDK.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "automation/collection.h"
#include "automation/members.h"
#include "automation/object.h"
#include "data/sdk_conventions.h"

namespace halvora {

class CUPONES : public Object {
 public:
  using Text = const std::u16string&;

  ObjectRef Cupones_Sdk_Info;         // a RegistroCupon: the one looked up, or one to save
  ObjectRef Tipocupon_Sdk_Info;       // a RegistroTipoCupon
  ObjectRef ListaResultadoCupon;      // every coupon, or the fields of the one looked up
  ObjectRef ListaResultadoTipoCupon;  // the same for coupon types

  bool TelvarConectarLobix(Text pcDir, std::u16string& pcUser, std::u16string& pcPass);
  Variant TelvarDesconectar();
  ArrayOf<std::u16string> GetCuponesAll();
  Variant GetCuponesByNumHuest(double NumHuest, Text Estatus);
  Variant GetCuponesByNumHab(double NumHab, Text Estatus);
  int16_t DbCupones_Save();
  ArrayOf<std::u16string> GetTipoCuponAll();
  Variant GetTipoCuponByClaveCup(Text ClaveCup);
  Variant GetTipoCuponByNombreCup(Text NombreCup);

  static const MemberTable& member_table();
  const MemberTable& members() const override { return member_table(); }
  std::u16string type_name() const override { return u"CUPONES"; }

  static constexpr char16_t kCouponClass[] = u"RegistroCupon";
  static constexpr char16_t kTypeClass[] = u"RegistroTipoCupon";
  // Which piece of a look-up's answer goes into which property of each record.
  static std::span<const sdk::Field> coupon_fields();
  static std::span<const sdk::Field> type_fields();

 private:
  ArrayOf<std::u16string> list(ObjectRef& into);
  Variant look_up(ObjectRef& into, ObjectRef& record, std::u16string_view record_class,
                  std::span<const sdk::Field> fields, std::u16string_view operation,
                  std::initializer_list<Variant> args);

  sdk::Connection connection_;
};

}  // namespace halvora
