#include "sdk/conexion_sdk.h"

#include "automation/conversions.h"
#include "automation/error.h"
#include "automation/text.h"
#include "sdk/os.h"
#include "sdk/record_argument.h"
#include "sdk/store.h"

namespace halvora::sdk {

namespace {

// The omit-groups switch of the charge list: yes in the host's usual spellings.
bool says_yes(std::u16string_view text) {
  std::u16string t = trim_spaces(text);
  return iequals(t, u"S") || iequals(t, u"SI") || iequals(t, u"Y") || iequals(t, u"YES") ||
         iequals(t, u"True") || t == u"1" || t == u"-1";
}

std::u16string column(const RecordLayout& layout, std::size_t position) {
  return u"\"" + layout.fields.at(position).name + u"\"";
}

// A key field that must match, and a status field that must match unless the status is empty.
std::u16string keyed_with_status(const RecordLayout& layout, std::size_t key, std::size_t status) {
  return column(layout, key) + u" = ? AND (? = '' OR " + column(layout, status) + u" = ?)";
}

std::vector<Variant> with_status(Variant key, const std::u16string& status) {
  return {std::move(key), Variant(status), Variant(status)};
}

// Search by example: every field that differs from its initial value must match.
std::u16string example_where(const Record& example, std::vector<Variant>& params) {
  const RecordLayout& layout = example.layout();
  std::u16string where = u"1 = 1";
  for (std::size_t p = 0; p < layout.fields.size(); ++p) {
    const Variant& v = example.value(p);
    if (v == initial_value(layout.fields[p].type)) continue;
    where += u" AND " + column(layout, p) + u" = ?";
    params.push_back(v);
  }
  return where;
}

}  // namespace

ConexionSdk::ConexionSdk() = default;
ConexionSdk::~ConexionSdk() = default;

Database& ConexionSdk::database() {
  if (!db_) throw Error(kDatabaseError, u"No database is open: Conectar first", kSdkSource);
  return *db_;
}

std::u16string ConexionSdk::CadenaPrueba() {
  return u"ConexionSdk|" + Version();
}

std::u16string ConexionSdk::Version() {
  return u"1.0";
}

int32_t ConexionSdk::Conectar(std::u16string location, std::u16string user,
                              std::u16string password) {
  db_.reset();
  location_.clear();
  // Checked first: the driver would otherwise create an empty database wherever it is pointed.
  std::optional<std::u16string> file = os::database_file(location, false);
  if (!file) return kNoDatabase;
  // A database that is there but held by another process, damaged or unreadable is not a wrong
  // password: its error reaches the caller, so the staff learn that the database needs looking
  // after, and why.
  std::unique_ptr<Database> db = Database::open(*file);
  // A database without users (an empty file among them) is no hotel's.
  if (!has_table(*db, u"usuarios")) return kNoDatabase;
  const Variant key[] = {Variant(user)};
  const VarType types[] = {VarType::String};
  std::vector<Row> rows = db->query(u"SELECT clave FROM usuarios WHERE nombre = ?", key, types);
  bool valid = rows.empty() ? verify_unknown_user(password)
                            : verify_password(password, rows[0][0].get<std::u16string>());
  if (!valid) return kWrongCredentials;
  // A database made by an older substitute gets the tables it lacks; one that cannot be written
  // to still answers from the tables it has.
  try {
    create_schema(*db);
  } catch (const Error&) {
  }
  db_ = std::move(db);
  location_ = std::move(location);
  return kConnected;
}

std::u16string ConexionSdk::ListarHuespedesEnCasa() {
  const Variant status[] = {Variant(std::u16string(guest::kInHouse))};
  const RecordLayout& g = guest_layout();
  return select_answers(database(), g, u"\"STATUSDA\" = ?", status);
}

std::u16string ConexionSdk::guest_where(std::u16string_view condition, const Variant& key,
                                        const std::u16string& status) {
  const RecordLayout& g = guest_layout();
  // An empty status asks for the guest whatever his status.
  std::u16string where = std::u16string(condition) + u" AND (? = '' OR \"STATUSDA\" = ?)";
  const Variant params[] = {key, Variant(status), Variant(status)};
  return select_answers(database(), g, where, params, 1);
}

std::u16string ConexionSdk::HuespedPorHabitacion(std::u16string room, std::u16string status) {
  database();
  std::optional<double> number = text_to_double(room, regional());
  if (!number) return {};  // no room has a name that is not a number
  return guest_where(u"\"NUMHABDA\" = ?", Variant(*number), status);
}

std::u16string ConexionSdk::HuespedPorNumero(std::u16string number, std::u16string status) {
  database();
  std::optional<double> value = text_to_double(number, regional());
  if (!value) return {};
  return guest_where(u"\"NUMHUESDA\" = ?", Variant(*value), status);
}

std::u16string ConexionSdk::HuespedPorNombre(std::u16string name, std::u16string status) {
  // Part of the name, letter case aside: the front desk rarely types a full name. An empty status
  // asks for the guest whatever his status.
  const RecordLayout& g = guest_layout();
  const Variant params[] = {Variant(status), Variant(status)};
  return first_by_text(g, guest::kName, name, TextMatch::Part,
                       u"(? = '' OR " + column(g, guest::kStatus) + u" = ?)", params);
}

double ConexionSdk::RegistrarCargo(ObjectRef charge) {
  if (!charge) throw Error::standard(err::kObjectNotSet);
  Database& db = database();
  RecordArgument record(charge, charge_layout());
  double number = post_charge(db, record.get());
  record.write_back(charge::kNumber);
  return number;
}

std::u16string ConexionSdk::ListarCargos(double room, double guest, double check, double account,
                                         std::u16string omit_groups) {
  // A zero leaves its field out of the filter.
  std::u16string where = u"1 = 1";
  std::vector<Variant> params;
  const std::pair<double, std::size_t> filters[] = {{room, charge::kRoom},
                                                    {guest, charge::kGuest},
                                                    {check, charge::kCheck},
                                                    {account, charge::kAccount}};
  const RecordLayout& c = charge_layout();
  for (auto [value, position] : filters) {
    if (value == 0) continue;
    where += u" AND \"" + c.fields[position].name + u"\" = ?";
    params.emplace_back(value);
  }
  if (says_yes(omit_groups)) where += u" AND \"" + c.fields[charge::kGroup].name + u"\" = ''";
  return select_answers(database(), c, where, params);
}

std::u16string ConexionSdk::BuscarCargos(ObjectRef example) {
  RecordArgument record(example, charge_layout());
  std::vector<Variant> params;
  std::u16string where = example_where(record.get(), params);
  return select_answers(database(), charge_layout(), where, params);
}

std::u16string ConexionSdk::LeerConfiguracion() {
  return first_answer(config_layout(), u"", {});
}

std::u16string ConexionSdk::LeerTablaHotel() {
  return first_answer(hotel_table_layout(), u"", {});
}

int32_t ConexionSdk::FolioPorOperacion(int32_t operation) {
  return next_folio(database(), operation);
}

std::u16string ConexionSdk::ListarMaestroHuespedes() {
  return all_answers(guest_master_layout(), u"", {});
}

std::u16string ConexionSdk::BuscarMaestroHuespedes(ObjectRef example) {
  RecordArgument record(example, guest_master_layout());
  std::vector<Variant> params;
  std::u16string where = example_where(record.get(), params);
  return all_answers(guest_master_layout(), where, params);
}

std::u16string ConexionSdk::ListarCupones() {
  return all_answers(coupon_layout(), u"", {});
}

std::u16string ConexionSdk::CuponesPorHuesped(double guest, std::u16string status) {
  return first_answer(coupon_layout(),
                      keyed_with_status(coupon_layout(), coupon::kGuest, coupon::kStatus),
                      with_status(Variant(guest), status));
}

std::u16string ConexionSdk::CuponesPorHabitacion(double room, std::u16string status) {
  return first_answer(coupon_layout(),
                      keyed_with_status(coupon_layout(), coupon::kRoom, coupon::kStatus),
                      with_status(Variant(room), status));
}

int32_t ConexionSdk::GuardarCupon(ObjectRef coupon) {
  RecordArgument record(coupon, coupon_layout());
  int32_t number = save_coupon(database(), record.get());
  record.write_back(coupon::kNumber);
  return number;
}

// The library never ends a connection; this lets other callers release the file early.
void ConexionSdk::Desconectar() {
  db_.reset();
  location_.clear();
}

std::u16string ConexionSdk::TipoCuponPorClave(std::u16string key) {
  const Variant params[] = {Variant(key)};
  return first_answer(coupon_type_layout(),
                      column(coupon_type_layout(), coupon_type::kKey) + u" = ?", params);
}

std::u16string ConexionSdk::TipoCuponPorNombre(std::u16string name) {
  // The whole name, letter case aside.
  return first_by_text(coupon_type_layout(), coupon_type::kName, name, TextMatch::Whole, u"", {});
}

std::u16string ConexionSdk::ListarTablasConfiguracion() {
  return all_answers(config_table_layout(), u"", {});
}

std::u16string ConexionSdk::ClaveTablaPorTipo(std::u16string type) {
  return translate(config_table::kType, config_table::kKey, type);
}

std::u16string ConexionSdk::TipoPorClaveTabla(std::u16string key) {
  return translate(config_table::kKey, config_table::kType, key);
}

std::u16string ConexionSdk::TablasEstadoPorTipo(std::u16string type) {
  const Variant params[] = {Variant(type)};
  return all_answers(state_table_layout(),
                     column(state_table_layout(), state_table::kType) + u" = ?", params);
}

std::u16string ConexionSdk::InfComercialPorHuesped(double guest, std::u16string status) {
  return all_answers(
      commercial_info_layout(),
      keyed_with_status(commercial_info_layout(), commercial::kGuest, commercial::kStatus),
      with_status(Variant(guest), status));
}

std::u16string ConexionSdk::first_answer(const RecordLayout& layout, std::u16string_view where,
                                         std::span<const Variant> params) {
  return select_answers(database(), layout, where, params, 1);
}

std::u16string ConexionSdk::all_answers(const RecordLayout& layout, std::u16string_view where,
                                        std::span<const Variant> params) {
  return select_answers(database(), layout, where, params);
}

// SQLite's upper() and lower() change ASCII letters only, and through ODBC no function of ours can
// be added to the SQL; so the texts are compared here, folded as the rest of the library folds
// letter case. The search reads one column of the rows that `where` keeps and only the found row
// in full.
std::u16string ConexionSdk::first_by_text(const RecordLayout& layout, std::size_t field,
                                          std::u16string_view text, TextMatch match,
                                          std::u16string_view where,
                                          std::span<const Variant> params) {
  const std::u16string wanted = lower_case(text);
  std::u16string sql =
      u"SELECT rowid, " + column(layout, field) + u" FROM " + std::u16string(layout.table);
  if (!where.empty()) sql += u" WHERE " + std::u16string(where);
  sql += u" ORDER BY rowid";
  std::optional<int64_t> found;
  std::u16string value;
  database().for_each_row(sql, params, [&](const Database::Cursor& row) {
    if (found) return;
    int64_t rowid = row.integer(0);
    value.clear();
    row.append_text(1, value);
    std::u16string folded = lower_case(value);
    if (match == TextMatch::Whole ? folded == wanted : folded.find(wanted) != std::u16string::npos)
      found = rowid;
  });
  if (!found) return {};
  // A row number is exact as a Double far beyond any table's size.
  const Variant key[] = {Variant(static_cast<double>(*found))};
  return first_answer(layout, u"rowid = ?", key);
}

std::u16string ConexionSdk::translate(std::size_t from, std::size_t to,
                                      const std::u16string& value) {
  const RecordLayout& t = config_table_layout();
  const Variant params[] = {Variant(value)};
  std::vector<Row> rows = select_records(database(), t, column(t, from) + u" = ?", params);
  return rows.empty() ? std::u16string() : answer_text(rows.front().at(to));
}

const MemberTable& ConexionSdk::member_table() {
  using C = ConexionSdk;
  static const MemberTable table{
      method<&C::CadenaPrueba>(u"CadenaPrueba"),
      method<&C::Version>(u"Version"),
      method<&C::Conectar>(u"Conectar", {u"pcDir", u"pcUser", u"pcPass"}),
      method<&C::ListarHuespedesEnCasa>(u"ListarHuespedesEnCasa"),
      method<&C::HuespedPorHabitacion>(u"HuespedPorHabitacion", {u"Habitacion", u"Status"}),
      method<&C::HuespedPorNumero>(u"HuespedPorNumero", {u"NumHuesped", u"Status"}),
      method<&C::HuespedPorNombre>(u"HuespedPorNombre", {u"Nombre", u"Status"}),
      method<&C::RegistrarCargo>(u"RegistrarCargo", {u"Cargo"}),
      method<&C::ListarCargos>(u"ListarCargos",
                               {u"Habitacion", u"Huesped", u"Cheque", u"Cuenta", u"OmitirGrupos"}),
      method<&C::BuscarCargos>(u"BuscarCargos", {u"Ejemplo"}),
      method<&C::LeerConfiguracion>(u"LeerConfiguracion"),
      method<&C::LeerTablaHotel>(u"LeerTablaHotel"),
      method<&C::FolioPorOperacion>(u"FolioPorOperacion", {u"TipoOperacion"}),
      method<&C::ListarMaestroHuespedes>(u"ListarMaestroHuespedes"),
      method<&C::BuscarMaestroHuespedes>(u"BuscarMaestroHuespedes", {u"Ejemplo"}),
      method<&C::ListarCupones>(u"ListarCupones"),
      method<&C::CuponesPorHuesped>(u"CuponesPorHuesped", {u"Huesped", u"Status"}),
      method<&C::CuponesPorHabitacion>(u"CuponesPorHabitacion", {u"Habitacion", u"Status"}),
      method<&C::GuardarCupon>(u"GuardarCupon", {u"Cupon"}),
      method<&C::Desconectar>(u"Desconectar"),
      method<&C::TipoCuponPorClave>(u"TipoCuponPorClave", {u"Clave"}),
      method<&C::TipoCuponPorNombre>(u"TipoCuponPorNombre", {u"Nombre"}),
      method<&C::ListarTablasConfiguracion>(u"ListarTablasConfiguracion"),
      method<&C::ClaveTablaPorTipo>(u"ClaveTablaPorTipo", {u"Tipo"}),
      method<&C::TipoPorClaveTabla>(u"TipoPorClaveTabla", {u"Clave"}),
      method<&C::TablasEstadoPorTipo>(u"TablasEstadoPorTipo", {u"Tipo"}),
      method<&C::InfComercialPorHuesped>(u"InfComercialPorHuesped", {u"Huesped", u"Status"}),
  };
  return table;
}

ObjectRef create_substitute(std::u16string_view class_name) {
  if (iequals(class_name, u"ConexionSdk")) return std::make_shared<ConexionSdk>();
  return create_record(class_name);
}

}  // namespace halvora::sdk
