// The database SDK substitute against real SQLite files in a temporary folder.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "automation/collection.h"
#include "automation/conversions.h"
#include "automation/error.h"
#include "automation/members.h"
#include "automation/text.h"
#include "data/db_datos.h"
#include "platform/components.h"
#include "sdk/conexion_sdk.h"
#include "sdk/store.h"

namespace halvora::sdk {
namespace {

namespace fs = std::filesystem;

std::vector<std::u16string> split(const std::u16string& text, char16_t sep) {
  std::vector<std::u16string> out;
  std::size_t start = 0;
  for (;;) {
    std::size_t at = text.find(sep, start);
    out.push_back(text.substr(start, at - start));
    if (at == std::u16string::npos) return out;
    start = at + 1;
  }
}

class SdkSubstitute : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/halvora-sdk-XXXXXX";
    dir_ = mkdtemp(pattern);
    saved_ = regional();
    set_regional(RegionalSettings{});
    auto db = Database::open(utf8_to_utf16(file()));
    create_schema(*db);
    // Few iterations: the hashing itself is checked once, with the default count.
    store_user(*db, u"recepcion", u"s3creta", 1000);
    load_demo(*db);
  }
  void TearDown() override {
    set_regional(saved_);
    fs::remove_all(dir_);
  }
  std::string file() const { return dir_ + "/hotel.db"; }
  std::u16string location() const { return utf8_to_utf16(dir_); }

  ObjectRef connected() {
    ObjectRef c = platform::create_component(u"ConexionSdk");
    Variant args[] = {Variant(location()), Variant(u"recepcion"), Variant(u"s3creta")};
    EXPECT_EQ(invoke(*c, u"Conectar", CallKind::Method, args).get<int32_t>(), kConnected);
    return c;
  }
  static Variant call_value(ObjectRef& c, std::u16string_view name, std::vector<Variant> args) {
    return invoke(*c, name, CallKind::Method, args);
  }
  static std::u16string call(ObjectRef& c, std::u16string_view name,
                             std::vector<Variant> args = {}) {
    return to_string(invoke(*c, name, CallKind::Method, args));
  }

  std::string dir_;
  RegionalSettings saved_;
};

TEST_F(SdkSubstitute, OperationsStandInTheirPositions) {
  const char16_t* expected[] = {u"CadenaPrueba",
                                u"Version",
                                u"Conectar",
                                u"ListarHuespedesEnCasa",
                                u"HuespedPorHabitacion",
                                u"HuespedPorNumero",
                                u"HuespedPorNombre",
                                u"RegistrarCargo",
                                u"ListarCargos",
                                u"BuscarCargos",
                                u"LeerConfiguracion",
                                u"LeerTablaHotel",
                                u"FolioPorOperacion",
                                u"ListarMaestroHuespedes",
                                u"BuscarMaestroHuespedes",
                                u"ListarCupones",
                                u"CuponesPorHuesped",
                                u"CuponesPorHabitacion",
                                u"GuardarCupon",
                                u"Desconectar",
                                u"TipoCuponPorClave",
                                u"TipoCuponPorNombre",
                                u"ListarTablasConfiguracion",
                                u"ClaveTablaPorTipo",
                                u"TipoPorClaveTabla",
                                u"TablasEstadoPorTipo",
                                u"InfComercialPorHuesped"};
  const auto& members = platform::create_component(u"ConexionSdk")->members().members();
  ASSERT_EQ(members.size(), std::size(expected));
  for (std::size_t i = 0; i < members.size(); ++i) EXPECT_EQ(members[i].name, expected[i]) << i;
}

TEST_F(SdkSubstitute, RecordPropertiesByPositionNameAndType) {
  struct Case {
    const char16_t* record;
    std::size_t position;
    const char16_t* name;
    VarType type;
  } cases[] = {
      {u"RegistroDatosHuesped", 0, u"Campo000", VarType::Long},
      {u"RegistroDatosHuesped", 1, u"NOMBREDA", VarType::String},
      {u"RegistroDatosHuesped", 4, u"numresda", VarType::Double},
      {u"RegistroDatosHuesped", 5, u"FHAENTDA", VarType::Date},
      {u"RegistroDatosHuesped", 8, u"NUMHABDA", VarType::Double},
      {u"RegistroDatosHuesped", 110, u"MONCREDA", VarType::Double},
      {u"RegistroDatosHuesped", 182, u"NORESMDA", VarType::String},
      {u"RegistroDatosHuesped", 183, u"Campo183", VarType::String},
      {u"RegistroDatosHuesped", 184, u"Campo184", VarType::Double},
      {u"RegistroDatosHuesped", 185, u"Campo185", VarType::String},
      {u"RegistroCargo", 0, u"Campo000", VarType::Double},
      {u"RegistroCargo", 9, u"Campo009", VarType::Date},
      {u"RegistroCargo", 24, u"Campo024", VarType::Boolean},
      {u"RegistroCargo", 27, u"Campo027", VarType::Long},
      {u"RegistroCargo", 28, u"Campo028", VarType::String},
  };
  for (const Case& c : cases) {
    ObjectRef r = platform::create_component(c.record);
    const Member& m = r->members().members().at(c.position);
    EXPECT_EQ(m.name, c.name);
    EXPECT_EQ(m.result, c.type) << utf16_to_utf8(c.name);
    Variant initial = invoke(*r, c.name, CallKind::Get);
    EXPECT_EQ(initial.type(), c.type);
  }
  EXPECT_EQ(platform::create_component(u"RegistroDatosHuesped")->members().members().size(), 186u);
  std::map<VarType, int> counts;
  for (const FieldInfo& f : charge_layout().fields) ++counts[f.type];
  EXPECT_EQ(counts[VarType::Double], 17);
  EXPECT_EQ(counts[VarType::String], 9);
  EXPECT_EQ(counts[VarType::Date], 1);
  EXPECT_EQ(counts[VarType::Boolean], 1);
  EXPECT_EQ(counts[VarType::Long], 1);
  // SQLite column names ignore letter case: no two properties may collide.
  std::set<std::string> names;
  for (const FieldInfo& f : guest_layout().fields) {
    std::string n = utf16_to_utf8(f.name);
    std::transform(n.begin(), n.end(), n.begin(), ::toupper);
    EXPECT_TRUE(names.insert(n).second) << n;
  }
}

TEST_F(SdkSubstitute, RecordPropertyWritesConvertToTheirType) {
  ObjectRef r = platform::create_component(u"RegistroCargo");
  Variant amount[] = {Variant(u"12.5")};
  invoke(*r, u"Campo005", CallKind::Let, amount);
  EXPECT_EQ(invoke(*r, u"campo005", CallKind::Get).get<double>(), 12.5);
  Variant words[] = {Variant(u"twelve")};
  EXPECT_THROW(invoke(*r, u"Campo005", CallKind::Let, words), Error);
  EXPECT_THROW(platform::create_component(u"RegistroDesconocido"), Error);
}

TEST_F(SdkSubstitute, ConectarAnswers) {
  fs::create_directory(dir_ + "/empty");
  std::ofstream(dir_ + "/empty-file.db").flush();
  Database::open(utf8_to_utf16(dir_ + "/foreign.db"))->execute(u"CREATE TABLE otra (x)");
  struct Case {
    std::u16string location;
    const char16_t* user;
    const char16_t* password;
    int32_t answer;
  } cases[] = {
      {location(), u"recepcion", u"s3creta", kConnected},
      {utf8_to_utf16(file()), u"recepcion", u"s3creta", kConnected},
      {location(), u"recepcion", u"S3creta", kWrongCredentials},
      {location(), u"recepcion", u"", kWrongCredentials},
      {location(), u"nadie", u"s3creta", kWrongCredentials},
      {location(), u"' OR '1'='1", u"' OR '1'='1", kWrongCredentials},
      {location() + u"/missing.db", u"recepcion", u"s3creta", kNoDatabase},
      {location() + u"/empty", u"recepcion", u"s3creta", kNoDatabase},
      {location() + u"/empty-file.db", u"recepcion", u"s3creta", kNoDatabase},
      {location() + u"/foreign.db", u"recepcion", u"s3creta", kNoDatabase},
      {u"", u"recepcion", u"s3creta", kNoDatabase},
  };
  for (const Case& c : cases) {
    ObjectRef conn = platform::create_component(u"ConexionSdk");
    Variant args[] = {Variant(c.location), Variant(c.user), Variant(c.password)};
    EXPECT_EQ(invoke(*conn, u"Conectar", CallKind::Method, args).get<int32_t>(), c.answer)
        << utf16_to_utf8(c.location) << " " << utf16_to_utf8(c.password);
  }
  // The driver would happily create a database; a failed Conectar must not.
  EXPECT_FALSE(fs::exists(dir_ + "/missing.db"));
  EXPECT_FALSE(fs::exists(dir_ + "/empty/hotel.db"));
}

// The busy time-out of the databases opened while it lives, put back after.
class BusyTimeoutScope {
 public:
  explicit BusyTimeoutScope(int milliseconds) : saved_(busy_timeout()) {
    set_busy_timeout(milliseconds);
  }
  ~BusyTimeoutScope() { set_busy_timeout(saved_); }

 private:
  int saved_;
};

std::string read_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A database that is there but cannot be read is no wrong password: Conectar raises the database
// error with the reason, touches nothing, and the connection stays unopened.
TEST_F(SdkSubstitute, ConectarRaisesWhyADatabaseCannotBeRead) {
  BusyTimeoutScope short_wait(50);
  const std::string intact = read_bytes(file());
  std::unique_ptr<Database> holder;
  struct Case {
    const char* name;
    std::function<void(const std::string& dir)> make;
    const char16_t* reason;
  } cases[] = {
      {"cut to half its size",
       [&](const std::string& d) {
         std::ofstream(d + "/hotel.db", std::ios::binary) << intact.substr(0, intact.size() / 2);
       },
       u"database disk image is malformed"},
      {"cut inside its header",
       [&](const std::string& d) {
         std::ofstream(d + "/hotel.db", std::ios::binary) << intact.substr(0, 10);
       },
       u"file is not a database"},
      {"garbage",
       [](const std::string& d) {
         std::ofstream out(d + "/hotel.db", std::ios::binary);
         for (int i = 0; i < 200; ++i) out << "not a hotel database " << i << "\n";
       },
       u"file is not a database"},
      {"a folder in place of the file",
       [](const std::string& d) { fs::create_directory(d + "/hotel.db"); },
       u"unable to open database file"},
      {"held by another connection",
       [&](const std::string& d) {
         std::ofstream(d + "/hotel.db", std::ios::binary) << intact;
         holder = Database::open(utf8_to_utf16(d + "/hotel.db"));
         holder->execute(u"BEGIN EXCLUSIVE");
       },
       u"database is locked"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string d = dir_ + "/" + c.name;
    fs::create_directory(d);
    c.make(d);
    const std::string before =
        fs::is_regular_file(d + "/hotel.db") ? read_bytes(d + "/hotel.db") : "";
    for (const char16_t* password : {u"s3creta", u"otra"}) {
      ObjectRef conn = platform::create_component(u"ConexionSdk");
      Variant args[] = {Variant(utf8_to_utf16(d)), Variant(u"recepcion"), Variant(password)};
      try {
        invoke(*conn, u"Conectar", CallKind::Method, args);
        ADD_FAILURE() << "answered instead of raising";
      } catch (const Error& e) {
        EXPECT_EQ(e.number(), kDatabaseError);
        EXPECT_EQ(e.source(), kSdkSource);
        EXPECT_NE(e.description().find(c.reason), std::u16string::npos)
            << utf16_to_utf8(e.description());
      }
      try {
        call(conn, u"ListarHuespedesEnCasa");
        ADD_FAILURE() << "a failed Conectar left a database open";
      } catch (const Error& e) {
        EXPECT_NE(e.description().find(u"No database is open"), std::u16string::npos);
      }
    }
    if (holder) {
      holder->rollback();
      holder.reset();
    }
    if (fs::is_regular_file(d + "/hotel.db")) {
      EXPECT_EQ(read_bytes(d + "/hotel.db"), before);
    }
  }

  // A writer at work takes no reader's lock: connecting still works, and still tells a wrong
  // password.
  holder = Database::open(utf8_to_utf16(file()));
  holder->begin_immediate();
  holder->execute(u"INSERT INTO folios (tipo, folio) VALUES (99, 1)");
  for (auto [password, answer] :
       {std::pair{u"s3creta", kConnected}, {u"otra", kWrongCredentials}}) {
    ObjectRef conn = platform::create_component(u"ConexionSdk");
    Variant args[] = {Variant(location()), Variant(u"recepcion"), Variant(password)};
    EXPECT_EQ(invoke(*conn, u"Conectar", CallKind::Method, args).get<int32_t>(), answer);
  }
  holder->rollback();
}

// The host meets the reason through the data class's connection, which catches nothing: a
// damaged database raises, a wrong password is still just False.
TEST_F(SdkSubstitute, HostsTellADamagedDatabaseFromAWrongPassword) {
  std::string damaged = dir_ + "/damaged";
  fs::create_directory(damaged);
  std::ofstream(damaged + "/hotel.db") << std::string(4096, 'x');
  Db_Datos d;
  std::vector<Variant> args{Variant(location()), Variant(u"recepcion"), Variant(u"otra")};
  EXPECT_EQ(invoke(d, u"TelvarConectarLobix", CallKind::Method, args), Variant(false));
  args[0] = Variant(utf8_to_utf16(damaged));
  args[2] = Variant(u"s3creta");
  try {
    invoke(d, u"TelvarConectarLobix", CallKind::Method, args);
    ADD_FAILURE() << "a damaged database connected or answered False";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), kDatabaseError);
    EXPECT_EQ(e.source(), kSdkSource);
    EXPECT_NE(e.description().find(u"file is not a database"), std::u16string::npos);
  }
  // What the connection does before the SDK's answer is done all the same.
  ASSERT_TRUE(d.ListaResultados && d.GetList_ListaResultados);
  EXPECT_EQ(count_of(*d.ListaResultados), 0);
}

// Without read permission the file cannot be opened; root reads it all the same, so there the
// folder in place of the file above stands for this case.
TEST_F(SdkSubstitute, ConectarRaisesForAFileItMayNotRead) {
  if (geteuid() == 0) {
    GTEST_SKIP() << "running as root, whom file permissions do not stop";
  }
  fs::permissions(file(), fs::perms::none);
  ObjectRef conn = platform::create_component(u"ConexionSdk");
  Variant args[] = {Variant(location()), Variant(u"recepcion"), Variant(u"s3creta")};
  try {
    invoke(*conn, u"Conectar", CallKind::Method, args);
    ADD_FAILURE() << "answered instead of raising";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), kDatabaseError);
    EXPECT_NE(e.description().find(u"unable to open database file"), std::u16string::npos)
        << utf16_to_utf8(e.description());
  }
  fs::permissions(file(), fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(SdkSubstitute, PasswordsAreStoredSaltedAndHashed) {
  auto db = Database::open(utf8_to_utf16(file()));
  store_user(*db, u"gerente", u"clave-larga");
  store_user(*db, u"auditor", u"clave-larga");
  const VarType types[] = {VarType::String};
  auto rows =
      db->query(u"SELECT clave FROM usuarios WHERE nombre IN ('gerente', 'auditor')", {}, types);
  ASSERT_EQ(rows.size(), 2u);
  std::u16string a = rows[0][0].get<std::u16string>(), b = rows[1][0].get<std::u16string>();
  EXPECT_NE(a, b);  // same password, different salt
  EXPECT_EQ(a.find(u"clave-larga"), std::u16string::npos);
  EXPECT_TRUE(
      a.starts_with(u"pbkdf2-sha256$" + utf8_to_utf16(std::to_string(kDefaultIterations)) + u"$"));
  EXPECT_TRUE(verify_password(u"clave-larga", a));
  EXPECT_FALSE(verify_password(u"clave-largA", a));
  for (const char16_t* bad : {u"", u"pbkdf2-sha256$0$00$00", u"md5$1$00$00",
                              u"pbkdf2-sha256$10$zz$00", u"pbkdf2-sha256$10$00$"})
    EXPECT_FALSE(verify_password(u"", bad)) << utf16_to_utf8(bad);
}

TEST_F(SdkSubstitute, GuestLookUpsAnswerInFieldOrder) {
  RegionalSettings rs;
  rs.decimal = u',';
  rs.thousands = u'.';
  rs.date_order = DateOrder::DMY;
  set_regional(rs);
  ObjectRef c = connected();
  std::u16string by_room = call(c, u"HuespedPorHabitacion", {Variant(u"101"), Variant(u"A")});
  std::vector<std::u16string> f = split(by_room, u'|');
  ASSERT_EQ(f.size(), 45u);
  EXPECT_EQ(f[0], u"1001");                         // the record's number
  EXPECT_EQ(f[1], u"ANA LOPEZ GARCIA");             // NOMBREDA
  EXPECT_EQ(f[4], u"GUADALAJARA");                  // CIUDADDA
  EXPECT_EQ(f[6], u"101");                          // NUMHABDA
  EXPECT_EQ(f[7], u"1001");                         // NUMHUESDA
  EXPECT_EQ(f[16], u"1250,5");                      // TARIFADA, regional decimal
  EXPECT_EQ(f[33], date_to_text(Date{45660}, rs));  // FHAENTDA
  EXPECT_EQ(f[44], u"A");                           // STATUSDA
  // Every item reads back as its field's type with the same settings.
  EXPECT_TRUE(text_to_double(f[16], rs));
  EXPECT_TRUE(text_to_date(f[33], rs));

  EXPECT_EQ(call(c, u"HuespedPorNumero", {Variant(u"1002"), Variant(u"")}).substr(0, 18),
            u"1002|JOHN O'BRIEN|");
  EXPECT_EQ(split(call(c, u"HuespedPorNombre", {Variant(u"o'brien"), Variant(u"A")}), u'|')[1],
            u"JOHN O'BRIEN");
  struct Miss {
    const char16_t* operation;
    const char16_t* key;
    const char16_t* status;
  } misses[] = {
      {u"HuespedPorHabitacion", u"999", u"A"},
      {u"HuespedPorHabitacion", u"103", u"A"},  // left already
      {u"HuespedPorHabitacion", u"cien", u""},
      {u"HuespedPorNumero", u"1001", u"S"},
      {u"HuespedPorNombre", u"' OR '1'='1", u""},
      {u"HuespedPorNombre", u"ANA", u"A' OR '1'='1"},
  };
  for (const Miss& m : misses)
    EXPECT_EQ(call(c, m.operation, {Variant(m.key), Variant(m.status)}), u"")
        << utf16_to_utf8(m.operation) << " " << utf16_to_utf8(m.key);

  std::vector<std::u16string> entries = split(call(c, u"ListarHuespedesEnCasa"), u'*');
  ASSERT_EQ(entries.size(), 4u);
  for (const std::u16string& e : entries) EXPECT_EQ(split(e, u'|').size(), 45u);
}

TEST_F(SdkSubstitute, ChargePostedAndListedBack) {
  ObjectRef c = connected();
  ObjectRef charge = platform::create_component(u"RegistroCargo");
  auto set = [&](const char16_t* name, Variant v) {
    Variant args[] = {std::move(v)};
    invoke(*charge, name, CallKind::Let, args);
  };
  set(u"Campo001", Variant(301.0));
  set(u"Campo002", Variant(2001.0));
  set(u"Campo005", Variant(99.75));
  set(u"Campo012", Variant(u"SPA"));
  set(u"Campo015", Variant(u"Masaje 'relajante'; DROP TABLE cargos; --"));
  set(u"Campo024", Variant(true));
  set(u"Campo027", Variant(int32_t{7}));
  Variant arg[] = {Variant(charge)};
  double number = invoke(*c, u"RegistrarCargo", CallKind::Method, arg).get<double>();
  EXPECT_EQ(number, 6);  // after the demo's five

  std::u16string listed = call(
      c, u"ListarCargos", {Variant(301.0), Variant(0.0), Variant(0.0), Variant(0.0), Variant(u"")});
  std::vector<std::u16string> f = split(listed, u'|');
  ASSERT_EQ(f.size(), 29u);
  EXPECT_EQ(f[0], u"SPA");                                         // item 1: position 12
  EXPECT_EQ(f[5], u"99.75");                                       // item 6: position 5
  EXPECT_EQ(f[9], u"301");                                         // item 10: position 1
  EXPECT_EQ(f[11], u"Masaje 'relajante'; DROP TABLE cargos; --");  // item 12: position 15
  EXPECT_EQ(f[15], u"True");                                       // item 16: position 24
  EXPECT_EQ(f[26], u"6");                                          // item 27: position 0
  EXPECT_EQ(f[28], u"7");                                          // item 29: position 27

  struct ListCase {
    double room, guest;
    const char16_t* omit;
    std::size_t entries;
  } lists[] = {
      {0, 0, u"", 6},   {101, 0, u"", 2}, {0, 1001, u"N", 2}, {201, 0, u"S", 0},
      {201, 0, u"", 1}, {0, 0, u"S", 5},  {555, 0, u"", 0},
  };
  for (const ListCase& l : lists) {
    std::u16string text =
        call(c, u"ListarCargos",
             {Variant(l.room), Variant(l.guest), Variant(0.0), Variant(0.0), Variant(l.omit)});
    EXPECT_EQ(text.empty() ? 0 : split(text, u'*').size(), l.entries) << l.room << " " << l.guest;
  }

  ObjectRef example = platform::create_component(u"RegistroCargo");
  Variant code[] = {Variant(u"HAB")};
  invoke(*example, u"Campo012", CallKind::Let, code);
  Variant by_example[] = {Variant(example)};
  std::u16string found = to_string(invoke(*c, u"BuscarCargos", CallKind::Method, by_example));
  EXPECT_EQ(split(found, u'*').size(), 2u);

  Variant not_a_charge[] = {Variant(platform::create_component(u"RegistroDatosHuesped"))};
  EXPECT_THROW(invoke(*c, u"RegistrarCargo", CallKind::Method, not_a_charge), Error);
}

TEST_F(SdkSubstitute, DelimitersInTextAreRejectedOnWrite) {
  ObjectRef c = connected();
  for (const char16_t* bad : {u"A|B", u"*", u"fin|"}) {
    ObjectRef charge = platform::create_component(u"RegistroCargo");
    Variant text[] = {Variant(bad)};
    invoke(*charge, u"Campo015", CallKind::Let, text);
    Variant arg[] = {Variant(charge)};
    try {
      invoke(*c, u"RegistrarCargo", CallKind::Method, arg);
      ADD_FAILURE() << utf16_to_utf8(bad);
    } catch (const Error& e) {
      EXPECT_EQ(e.number(), err::kInvalidCall);
      EXPECT_NE(e.description().find(u"Campo015"), std::u16string::npos);
    }
  }
  // Nothing stored, and no folio spent.
  EXPECT_EQ(split(call(c, u"ListarCargos",
                       {Variant(0.0), Variant(0.0), Variant(0.0), Variant(0.0), Variant(u"")}),
                  u'*')
                .size(),
            5u);
  auto db = Database::open(utf8_to_utf16(file()));
  Record guest(guest_layout());
  guest.set(guest::kName, Variant(u"PEREZ*LOPEZ"));
  EXPECT_THROW(insert_record(*db, guest), Error);
}

TEST_F(SdkSubstitute, UnconnectedOperationsFail) {
  ObjectRef unconnected = platform::create_component(u"ConexionSdk");
  EXPECT_THROW(call(unconnected, u"ListarHuespedesEnCasa"), Error);
  EXPECT_THROW(call(unconnected, u"LeerConfiguracion"), Error);
  EXPECT_THROW(call(unconnected, u"TablasEstadoPorTipo", {Variant(u"ESTADO")}), Error);
  EXPECT_EQ(call(unconnected, u"CadenaPrueba").substr(0, 12), u"ConexionSdk|");
}

TEST_F(SdkSubstitute, LaterRecordOperationsAnswerFromTheirTables) {
  ObjectRef c = connected();
  ObjectRef by_city = platform::create_component(u"RegistroMaestroHuesped");
  Variant city[] = {Variant(u"MONTERREY")};
  invoke(*by_city, u"Campo004", CallKind::Let, city);
  ObjectRef by_guest = platform::create_component(u"RegistroMaestroHuesped");
  Variant guest[] = {Variant(1002.0)};
  invoke(*by_guest, u"Campo001", CallKind::Let, guest);
  ObjectRef nobody = platform::create_component(u"RegistroMaestroHuesped");
  Variant none[] = {Variant(u"' OR '1'='1")};
  invoke(*nobody, u"Campo006", CallKind::Let, none);

  struct Case {
    const char16_t* operation;
    std::vector<Variant> args;
    std::size_t entries;  // 0: the empty answer
    std::size_t fields;   // per entry
    std::size_t entry;    // the entry and item that hold the known value
    std::size_t item;
    const char16_t* value;
  } cases[] = {
      {u"LeerConfiguracion", {}, 1, 221, 0, 0, u"HOTEL CASA DEL LAGO"},
      {u"LeerConfiguracion", {}, 1, 221, 0, 10, u"True"},
      {u"LeerConfiguracion", {}, 1, 221, 0, 127, u"1"},
      {u"LeerTablaHotel", {}, 1, 80, 0, 0, u"10"},
      {u"LeerTablaHotel", {}, 1, 80, 0, 37, u"1"},
      {u"LeerTablaHotel", {}, 1, 80, 0, 79, u"CHAPALA"},
      {u"ListarMaestroHuespedes", {}, 4, 8, 1, 0, u"JOHN O'BRIEN"},
      {u"ListarMaestroHuespedes", {}, 4, 8, 3, 1, u"1004"},
      {u"BuscarMaestroHuespedes", {Variant(by_city)}, 1, 8, 0, 0, u"MARIA JOSE PEREZ"},
      {u"BuscarMaestroHuespedes", {Variant(by_guest)}, 1, 8, 0, 2, u"2"},
      {u"BuscarMaestroHuespedes", {Variant(nobody)}, 0, 0, 0, 0, u""},
      {u"ListarCupones", {}, 3, 7, 2, 0, u"3"},
      {u"CuponesPorHuesped", {Variant(1003.0), Variant(u"U")}, 1, 7, 0, 0, u"3"},
      {u"CuponesPorHuesped", {Variant(1003.0), Variant(u"")}, 1, 7, 0, 5, u"99"},
      {u"CuponesPorHuesped", {Variant(1002.0), Variant(u"")}, 0, 0, 0, 0, u""},
      {u"CuponesPorHabitacion", {Variant(101.0), Variant(u"A")}, 1, 7, 0, 3, u"1001"},
      {u"CuponesPorHabitacion", {Variant(101.0), Variant(u"U")}, 0, 0, 0, 0, u""},
      {u"TipoCuponPorClave", {Variant(u"SPA")}, 1, 4, 0, 3, u"MASAJE EN SPA"},
      {u"TipoCuponPorClave", {Variant(u"' OR '1'='1")}, 0, 0, 0, 0, u""},
      {u"TipoCuponPorNombre", {Variant(u"cena para dos")}, 1, 4, 0, 1, u"CEN"},
      {u"TipoCuponPorNombre", {Variant(u"CENA")}, 0, 0, 0, 0, u""},
      {u"ListarTablasConfiguracion", {}, 3, 16, 2, 7, u"EH"},
      {u"ClaveTablaPorTipo", {Variant(u"PAGO")}, 1, 1, 0, 0, u"FP"},
      {u"ClaveTablaPorTipo", {Variant(u"NADA")}, 0, 0, 0, 0, u""},
      {u"TipoPorClaveTabla", {Variant(u"EH")}, 1, 1, 0, 0, u"ESTADO"},
      {u"TablasEstadoPorTipo", {Variant(u"ESTADO")}, 3, 55, 0, 0, u"LIMPIA"},
      {u"TablasEstadoPorTipo", {Variant(u"PAGO")}, 2, 55, 1, 9, u"TC"},
      {u"TablasEstadoPorTipo", {Variant(u"")}, 0, 0, 0, 0, u""},
      {u"InfComercialPorHuesped",
       {Variant(1001.0), Variant(u"A")},
       2,
       18,
       1,
       4,
       u"CONSULTORES LOPEZ SC"},
      {u"InfComercialPorHuesped", {Variant(1003.0), Variant(u"")}, 1, 18, 0, 1, u"ANO010101AB1"},
      {u"InfComercialPorHuesped", {Variant(1001.0), Variant(u"S")}, 0, 0, 0, 0, u""},
  };
  for (const Case& k : cases) {
    std::string what = utf16_to_utf8(k.operation) + " " + utf16_to_utf8(k.value);
    std::u16string answer = call(c, k.operation, k.args);
    if (k.entries == 0) {
      EXPECT_EQ(answer, u"") << what;
      continue;
    }
    std::vector<std::u16string> entries = split(answer, u'*');
    ASSERT_EQ(entries.size(), k.entries) << what;
    for (const std::u16string& e : entries) EXPECT_EQ(split(e, u'|').size(), k.fields) << what;
    EXPECT_EQ(split(entries[k.entry], u'|').at(k.item), k.value) << what;
  }
}

TEST_F(SdkSubstitute, CouponSavedAndReadBack) {
  ObjectRef c = connected();
  ObjectRef coupon = platform::create_component(u"RegistroCupon");
  auto set = [&](ObjectRef& r, const char16_t* name, Variant v) {
    Variant args[] = {std::move(v)};
    invoke(*r, name, CallKind::Let, args);
  };
  set(coupon, u"Campo001", Variant(2001.0));
  set(coupon, u"Campo002", Variant(301.0));
  set(coupon, u"Campo003", Variant(180.5));
  set(coupon, u"Campo005", Variant(u"A"));
  set(coupon, u"Campo006", Variant(Date{45663}));
  Variant arg[] = {Variant(coupon)};
  EXPECT_EQ(to_long(invoke(*c, u"GuardarCupon", CallKind::Method, arg)), 4);  // after the demo's 3
  EXPECT_EQ(invoke(*coupon, u"Campo000", CallKind::Get).get<int32_t>(), 4);
  std::vector<std::u16string> f =
      split(call(c, u"CuponesPorHuesped", {Variant(2001.0), Variant(u"A")}), u'|');
  ASSERT_EQ(f.size(), 7u);
  EXPECT_EQ(f[0], u"4");
  EXPECT_EQ(f[1], u"A");
  EXPECT_EQ(f[2], date_to_text(Date{45663}, regional()));
  EXPECT_EQ(f[4], u"301");
  EXPECT_EQ(f[5], u"180.5");

  // Saved again under its number: replaced, not added.
  set(coupon, u"Campo005", Variant(u"U"));
  EXPECT_EQ(to_long(invoke(*c, u"GuardarCupon", CallKind::Method, arg)), 4);
  EXPECT_EQ(split(call(c, u"ListarCupones"), u'*').size(), 4u);
  EXPECT_EQ(call(c, u"CuponesPorHuesped", {Variant(2001.0), Variant(u"A")}), u"");
  EXPECT_EQ(split(call(c, u"CuponesPorHuesped", {Variant(2001.0), Variant(u"U")}), u'|')[0], u"4");

  // SQL in a text field is data.
  ObjectRef sly = platform::create_component(u"RegistroCupon");
  const char16_t* sql = u"'; DROP TABLE cupones; --";
  set(sly, u"Campo001", Variant(2002.0));
  set(sly, u"Campo005", Variant(sql));
  Variant sly_arg[] = {Variant(sly)};
  EXPECT_EQ(to_long(invoke(*c, u"GuardarCupon", CallKind::Method, sly_arg)), 5);
  EXPECT_EQ(split(call(c, u"CuponesPorHuesped", {Variant(2002.0), Variant(sql)}), u'|')[1], sql);
  EXPECT_EQ(split(call(c, u"ListarCupones"), u'*').size(), 5u);

  // A delimiter in a text field: rejected, nothing stored, the record keeps its number.
  ObjectRef bad = platform::create_component(u"RegistroCupon");
  set(bad, u"Campo001", Variant(2003.0));
  set(bad, u"Campo005", Variant(u"A|B"));
  Variant bad_arg[] = {Variant(bad)};
  try {
    invoke(*c, u"GuardarCupon", CallKind::Method, bad_arg);
    ADD_FAILURE();
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), err::kInvalidCall);
    EXPECT_NE(e.description().find(u"Campo005"), std::u16string::npos);
  }
  EXPECT_EQ(invoke(*bad, u"Campo000", CallKind::Get).get<int32_t>(), 0);
  EXPECT_EQ(split(call(c, u"ListarCupones"), u'*').size(), 5u);

  Variant not_a_coupon[] = {Variant(platform::create_component(u"RegistroCargo"))};
  EXPECT_THROW(invoke(*c, u"GuardarCupon", CallKind::Method, not_a_coupon), Error);
  EXPECT_THROW(invoke(*c, u"BuscarMaestroHuespedes", CallKind::Method, not_a_coupon), Error);
}

TEST_F(SdkSubstitute, OlderDatabaseGetsTheMissingTables) {
  std::string older = dir_ + "/older.db";
  {
    auto db = Database::open(utf8_to_utf16(older));
    db->execute(u"CREATE TABLE usuarios (nombre TEXT PRIMARY KEY, clave TEXT NOT NULL)");
    store_user(*db, u"recepcion", u"s3creta", 1000);
  }
  ObjectRef c = platform::create_component(u"ConexionSdk");
  Variant args[] = {Variant(utf8_to_utf16(older)), Variant(u"recepcion"), Variant(u"s3creta")};
  ASSERT_EQ(invoke(*c, u"Conectar", CallKind::Method, args).get<int32_t>(), kConnected);
  EXPECT_EQ(call(c, u"ListarCupones"), u"");
  EXPECT_EQ(call(c, u"LeerConfiguracion"), u"");
  EXPECT_EQ(call(c, u"ClaveTablaPorTipo", {Variant(u"PAGO")}), u"");
}

TEST_F(SdkSubstitute, ConcurrentFoliosNeverRepeat) {
  constexpr int kPerProcess = 40;
  std::vector<std::string> outputs = {dir_ + "/a.txt", dir_ + "/b.txt"};
  std::vector<pid_t> children;
  for (const std::string& out : outputs) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      int status = 0;
      try {
        ObjectRef c = connected();
        std::ofstream o(out);
        for (int i = 0; i < kPerProcess; ++i)
          o << to_long(call_value(c, u"FolioPorOperacion", {Variant(int32_t{3})})) << "\n";
      } catch (...) {
        status = 1;
      }
      _exit(status);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  std::set<int> seen;
  for (const std::string& out : outputs) {
    std::ifstream in(out);
    for (int folio; in >> folio;) EXPECT_TRUE(seen.insert(folio).second) << folio;
  }
  EXPECT_EQ(seen.size(), 2u * kPerProcess);
  EXPECT_EQ(*seen.rbegin(), 2 * kPerProcess);
}

}  // namespace
}  // namespace halvora::sdk
