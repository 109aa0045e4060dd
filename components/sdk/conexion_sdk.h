// ConexionSdk: the connection class of the hotel database SDK, over a SQLite file.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "automation/members.h"
#include "automation/object.h"
#include "sdk/database.h"
#include "sdk/records.h"

namespace halvora::sdk {

// Answers of Conectar. A database that is there but cannot be read (held by another process past
// the busy time-out, damaged, not a database, unreadable) is no answer: Conectar raises the
// database error (3146) with the reason.
inline constexpr int32_t kConnected = 1;
inline constexpr int32_t kWrongCredentials = 2;  // unknown user or wrong password
inline constexpr int32_t kNoDatabase = 3;  // nothing at the location, or a database without users

class ConexionSdk : public Object {
 public:
  ConexionSdk();
  ~ConexionSdk() override;

  // The host's members, in interface order.
  std::u16string CadenaPrueba();
  std::u16string Version();
  int32_t Conectar(std::u16string location, std::u16string user, std::u16string password);
  std::u16string ListarHuespedesEnCasa();
  std::u16string HuespedPorHabitacion(std::u16string room, std::u16string status);
  std::u16string HuespedPorNumero(std::u16string number, std::u16string status);
  std::u16string HuespedPorNombre(std::u16string name, std::u16string status);
  double RegistrarCargo(ObjectRef charge);
  std::u16string ListarCargos(double room, double guest, double check, double account,
                              std::u16string omit_groups);
  std::u16string BuscarCargos(ObjectRef example);
  std::u16string LeerConfiguracion();
  std::u16string LeerTablaHotel();
  int32_t FolioPorOperacion(int32_t operation);
  std::u16string ListarMaestroHuespedes();
  std::u16string BuscarMaestroHuespedes(ObjectRef example);
  std::u16string ListarCupones();
  std::u16string CuponesPorHuesped(double guest, std::u16string status);
  std::u16string CuponesPorHabitacion(double room, std::u16string status);
  int32_t GuardarCupon(ObjectRef coupon);
  void Desconectar();
  std::u16string TipoCuponPorClave(std::u16string key);
  std::u16string TipoCuponPorNombre(std::u16string name);
  std::u16string ListarTablasConfiguracion();
  std::u16string ClaveTablaPorTipo(std::u16string type);
  std::u16string TipoPorClaveTabla(std::u16string key);
  std::u16string TablasEstadoPorTipo(std::u16string type);
  std::u16string InfComercialPorHuesped(double guest, std::u16string status);

  // The open database; throws when Conectar has not succeeded.
  Database& database();

  static const MemberTable& member_table();
  const MemberTable& members() const override { return member_table(); }
  std::u16string type_name() const override { return u"ConexionSdk"; }

 private:
  std::u16string guest_where(std::u16string_view condition, const Variant& key,
                             const std::u16string& status);

  // The answer of the first matching row of a layout's table, "" when none matches.
  std::u16string first_answer(const RecordLayout& layout, std::u16string_view where,
                              std::span<const Variant> params);
  // The answers of every matching row, joined by "*".
  std::u16string all_answers(const RecordLayout& layout, std::u16string_view where,
                             std::span<const Variant> params);
  // The answer of the first row, in storage order, among those that `where` keeps, whose text
  // field holds `text` (Part) or is it (Whole), letter case aside; "" when none does.
  enum class TextMatch { Part, Whole };
  std::u16string first_by_text(const RecordLayout& layout, std::size_t field,
                               std::u16string_view text, TextMatch match, std::u16string_view where,
                               std::span<const Variant> params);
  // One field of the configuration table whose other field holds the value; "" when none does.
  std::u16string translate(std::size_t from, std::size_t to, const std::u16string& value);

  std::unique_ptr<Database> db_;
  std::u16string location_;
};

}  // namespace halvora::sdk

namespace halvora::sdk {
// The bundled substitute's classes by name: ConexionSdk and the record classes it has; null for
// any other name.
ObjectRef create_substitute(std::u16string_view class_name);
}  // namespace halvora::sdk
