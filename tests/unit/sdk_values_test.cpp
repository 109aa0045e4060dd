// What the database SDK substitute keeps and hands back, on both engines: numbers that
// read back as they were written, any text, names found whatever their letter case, answers that
// keep only the memory they use, folio series that stop at their end, and log-ins whose cost does
// not tell whether the user exists.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "automation/conversions.h"
#include "automation/error.h"
#include "automation/text.h"
#include "sdk/conexion_sdk.h"
#include "sdk/store.h"
#include "support/pg_server.h"
#include "support/test_env.h"

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

// Items of a charge answer, counted from 0, and the positions they carry.
constexpr std::size_t kAmountItem = 5;        // position 5
constexpr std::size_t kDescriptionItem = 11;  // position 15

class SdkValues : public ::testing::TestWithParam<Engine> {
 protected:
  void SetUp() override {
    if (GetParam() == Engine::Postgres && !test::pg_server())
      GTEST_SKIP() << "no PostgreSQL server (HALVORA_PG_SERVER)";
    hotel_ = std::make_unique<test::ScratchDatabase>(GetParam());
    db_ = hotel_->open();
    create_schema(*db_);
    store_user(*db_, u"recepcion", u"s3creta", 1000);
    load_demo(*db_);
    ASSERT_EQ(conn_.Conectar(location(), u"recepcion", u"s3creta"), kConnected);
  }
  void TearDown() override {
    conn_.Desconectar();
    db_.reset();
    hotel_.reset();
  }
  std::u16string location() const { return utf8_to_utf16(hotel_->location()); }

  // A charge to a room, straight into the table.
  void add_charge(double room, double amount, const std::u16string& description = u"Cargo") {
    Record r(charge_layout());
    r.set(charge::kRoom, Variant(room));
    r.set(charge::kAmount, Variant(amount));
    r.set(charge::kDescription, Variant(description));
    insert_record(*db_, r);
  }
  std::u16string charges_of(double room) { return conn_.ListarCargos(room, 0, 0, 0, u""); }
  int64_t folio(int32_t series) {
    int64_t value = -1;
    const Variant key[] = {Variant(series)};
    db_->for_each_row(u"SELECT folio FROM folios WHERE tipo = ?", key,
                      [&](const Database::Cursor& row) { value = row.integer(0); });
    return value;
  }

  std::unique_ptr<test::ScratchDatabase> hotel_;
  std::unique_ptr<Database> db_;
  ConexionSdk conn_;
  test::RegionalScope regional_;
};

INSTANTIATE_TEST_SUITE_P(Engines, SdkValues, ::testing::Values(Engine::Sqlite, Engine::Postgres),
                         [](const auto& info) { return test::engine_name(info.param); });

TEST_P(SdkValues, AmountsReadBackAsTheSameDouble) {
  const double max = std::numeric_limits<double>::max();
  const double amounts[] = {0.1 + 0.2,
                            1.0 / 3,
                            1234.56 + 1999,
                            max,
                            -max,
                            std::numeric_limits<double>::denorm_min(),
                            123456789012345.67,
                            9007199254740991.0,
                            1e-7 / 3};
  RegionalSettings comma;
  comma.decimal = u',';
  comma.thousands = u'.';
  comma.date_order = DateOrder::DMY;
  for (const RegionalSettings& rs : {RegionalSettings{}, comma}) {
    test::RegionalScope scope(rs);
    for (double amount : amounts) {
      double room = 900;
      db_->execute(u"DELETE FROM cargos WHERE \"Campo001\" = 900");
      add_charge(room, amount);
      std::u16string item = split(charges_of(room), u'|').at(kAmountItem);
      std::optional<double> read = text_to_double(item, rs);
      ASSERT_TRUE(read.has_value()) << utf16_to_utf8(item);
      EXPECT_EQ(*read, amount) << utf16_to_utf8(item);
    }
  }
}

TEST_P(SdkValues, IllFormedTextIsStoredWithReplacementCharacters) {
  const std::u16string hi(1, char16_t(0xD800)), lo(1, char16_t(0xDC00));
  const std::pair<std::u16string, std::u16string> cases[] = {
      {u"A" + hi + u"BC", u"A\uFFFDBC"},
      {lo + u"X", u"\uFFFDX"},
      {u"fin" + hi, u"fin\uFFFD"},
      {hi + hi + lo + u"Z", u"\uFFFD\U00010000Z"},
      {u"Café \U0001F600 ñ", u"Café \U0001F600 ñ"},
  };
  double room = 800;
  for (const auto& [stored, read] : cases) {
    add_charge(room, 1, stored);
    std::u16string answer = charges_of(room);
    EXPECT_EQ(split(answer, u'|').at(kDescriptionItem), read) << utf16_to_utf8(read);
    room += 1;
  }
  // A key with a lone surrogate finds what the same text was stored as.
  Record type(coupon_type_layout());
  type.set(coupon_type::kKey, Variant(u"K" + hi));
  type.set(coupon_type::kName, Variant(u"CLAVE ROTA"));
  insert_record(*db_, type);
  EXPECT_EQ(split(conn_.TipoCuponPorClave(u"K" + hi), u'|').at(1), u"K\uFFFD");
}

TEST_P(SdkValues, NameSearchesIgnoreTheCaseOfLatin1Letters) {
  Record guest(guest_layout());
  guest.set(0, Variant(int32_t{1010}));
  guest.set(guest::kName, Variant(u"ÍÑIGO ÁLVAREZ PEÑA"));
  guest.set(guest::kStatus, Variant(u"S"));
  guest.set(guest::kRoom, Variant(104.0));
  insert_record(*db_, guest);
  Record type(coupon_type_layout());
  type.set(coupon_type::kKey, Variant(u"ANO"));
  type.set(coupon_type::kName, Variant(u"CENA DE AÑO NUEVO"));
  insert_record(*db_, type);

  struct Case {
    const char16_t* name;
    const char16_t* status;
    const char16_t* found;  // the NOMBREDA answered, "" for nobody
  } cases[] = {
      {u"íñigo", u"", u"ÍÑIGO ÁLVAREZ PEÑA"},
      {u"peña", u"S", u"ÍÑIGO ÁLVAREZ PEÑA"},
      {u"Íñigo Álvarez Peña", u"", u"ÍÑIGO ÁLVAREZ PEÑA"},
      {u"ÁLVAREZ", u"A", u""},  // he has left
      {u"alvarez", u"", u""},   // an accent is part of the letter
      {u"jose", u"", u"MARIA JOSE PEREZ"},
      {u"o'brien", u"A", u"JOHN O'BRIEN"},
  };
  for (const Case& c : cases) {
    std::u16string answer = conn_.HuespedPorNombre(c.name, c.status);
    EXPECT_EQ(answer.empty() ? u"" : split(answer, u'|').at(1), c.found) << utf16_to_utf8(c.name);
  }
  EXPECT_EQ(split(conn_.TipoCuponPorNombre(u"cena de año nuevo"), u'|').at(1), u"ANO");
  EXPECT_EQ(split(conn_.TipoCuponPorNombre(u"Cena De Año Nuevo"), u'|').at(1), u"ANO");
  EXPECT_EQ(conn_.TipoCuponPorNombre(u"cena de ano nuevo"), u"");
}

TEST_P(SdkValues, AnswersKeepOnlyTheMemoryTheyUse) {
  in_transaction(*db_, [&] {
    for (int i = 0; i < 4000; ++i) add_charge(500, i + 0.25);
    add_charge(77, 10);
    add_charge(77, 20);
  });
  // A short list from a long table, a long list, one record: each answer is held by the data
  // class that asked for it until its next query, so spare room would stay taken that long.
  const std::u16string answers[] = {charges_of(77), charges_of(500),
                                    conn_.HuespedPorHabitacion(u"101", u"A")};
  EXPECT_EQ(split(answers[0], u'*').size(), 2u);
  EXPECT_EQ(split(answers[1], u'*').size(), 4000u);
  for (const std::u16string& answer : answers)
    EXPECT_LE(answer.capacity(), answer.size() + answer.size() / 8 + 16)
        << answer.size() << " characters";
}

TEST_P(SdkValues, FolioSeriesStopAtTheLargestLong) {
  const Variant near_end[] = {Variant(int32_t{7}), Variant(2147483646.0)};
  db_->execute(u"INSERT INTO folios (tipo, folio) VALUES (?, ?)", near_end);
  EXPECT_EQ(conn_.FolioPorOperacion(7), 2147483647);
  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      conn_.FolioPorOperacion(7);
      ADD_FAILURE() << "a folio past 2147483647";
    } catch (const Error& e) {
      EXPECT_EQ(e.number(), err::kOverflow);
    }
    EXPECT_EQ(folio(7), 2147483647);
  }
  // A series that holds more than a Long can answer is left as it is.
  db_->execute(u"UPDATE folios SET folio = 4294967296 WHERE tipo = 7");
  EXPECT_THROW(conn_.FolioPorOperacion(7), Error);
  EXPECT_EQ(folio(7), 4294967296);

  // The charge series: no number, no charge.
  db_->execute(u"UPDATE folios SET folio = 2147483647 WHERE tipo = 0");
  std::size_t before = split(conn_.ListarCargos(0, 0, 0, 0, u""), u'*').size();
  auto charge = std::make_shared<Record>(charge_layout());
  charge->set(charge::kRoom, Variant(101.0));
  try {
    conn_.RegistrarCargo(charge);
    ADD_FAILURE() << "a charge numbered past 2147483647";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), err::kOverflow);
  }
  EXPECT_EQ(split(conn_.ListarCargos(0, 0, 0, 0, u""), u'*').size(), before);
  EXPECT_EQ(folio(0), 2147483647);
  EXPECT_EQ(charge->value(charge::kNumber), Variant(0.0));
  // Folios below the end are still handed out, and a new series starts at 1.
  EXPECT_EQ(conn_.FolioPorOperacion(-3), 1);
  EXPECT_EQ(split(charges_of(101), u'*').size(), 2u);
}

TEST_P(SdkValues, AnUnknownUserCostsWhatAWrongPasswordCosts) {
  struct Case {
    const char16_t* user;
    const char16_t* password;
    int32_t answer;
    uint64_t iterations;  // of the one derivation the attempt runs
  } cases[] = {
      {u"nadie", u"s3creta", kWrongCredentials, kDefaultIterations},
      {u"", u"", kWrongCredentials, kDefaultIterations},
      {u"recepcion", u"otra", kWrongCredentials, 1000},
      {u"recepcion", u"s3creta", kConnected, 1000},
  };
  for (const Case& c : cases) {
    ConexionSdk conn;
    DerivationWork before = derivation_work();
    EXPECT_EQ(conn.Conectar(location(), c.user, c.password), c.answer);
    DerivationWork after = derivation_work();
    EXPECT_EQ(after.derivations - before.derivations, 1u) << utf16_to_utf8(c.user);
    EXPECT_EQ(after.iterations - before.iterations, c.iterations) << utf16_to_utf8(c.user);
  }
}

}  // namespace
}  // namespace halvora::sdk
