// Cutting SDK answers into result collections and filling records, against a fake SDK and
// against the bundled substitute on a real database: a SQLite file, and a PostgreSQL server's.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "automation/conversions.h"
#include "automation/text.h"
#include "data/db_datos.h"
#include "data/sdk_conventions.h"
#include "sdk/conexion_sdk.h"
#include "sdk/records.h"
#include "sdk/store.h"
#include "support/fake_sdk.h"
#include "support/pg_server.h"

namespace halvora {
namespace {

// A guest text of 45 fields that read as their types.
std::u16string guest_text() {
  std::u16string text;
  auto fields = Db_Datos::field_table();
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i) text += u"|";
    switch (fields[i].type) {
      case sdk::FieldType::Date:
        text += u"1/2/2024";
        break;
      case sdk::FieldType::String:
        text += u"GUEST FIELD TEXT";
        break;
      default:
        text += u"1234.5";
    }
  }
  return text;
}

// About 10 MiB of UTF-16: as many guest entries as fit under the 16-bit piece counter.
const std::u16string& big_answer() {
  static const std::u16string text = [] {
    std::u16string entry = guest_text();
    std::u16string t;
    const std::size_t bytes = 10u << 20;
    while (t.size() * 2 < bytes) {
      t += entry;
      t += u" padding to a realistic entry length, observations and addresses*";
    }
    return t;
  }();
  return text;
}

void BM_SplitEntriesAndFields(benchmark::State& state) {
  const std::u16string& text = big_answer();
  for (auto _ : state) {
    Collection entries;
    sdk::add_entries(entries, text, sdk::Entries::SkipBlank);
    std::size_t fields = 0;
    for (const Variant& e : entries.items()) {
      Collection one;
      sdk::add_fields(one, e.string(), u"|");
      fields += one.items().size();
    }
    benchmark::DoNotOptimize(fields);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size() * 2));
}
BENCHMARK(BM_SplitEntriesAndFields)->Unit(benchmark::kMillisecond);

// The floor: finding every separator in the same bytes, copying nothing.
void BM_FindLoopReference(benchmark::State& state) {
  std::u16string_view text = big_answer();
  for (auto _ : state) {
    std::size_t pieces = 0;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find(u'*', start)) != std::u16string_view::npos;
         start = at + 1) {
      std::u16string_view entry = text.substr(start, at - start);
      for (std::size_t f = 0, g; (g = entry.find(u'|', f)) != std::u16string_view::npos; f = g + 1)
        ++pieces;
    }
    benchmark::DoNotOptimize(pieces);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size() * 2));
}
BENCHMARK(BM_FindLoopReference)->Unit(benchmark::kMillisecond);

void BM_InHouseList2000(benchmark::State& state) {
  set_regional(RegionalSettings{});
  test::FakeWorld world;
  std::u16string answer;
  for (int i = 0; i < 2000; ++i) answer += guest_text() + u"*";
  world.answer(u"ListarHuespedesEnCasa", Variant(answer));
  world.answer(u"Conectar", Variant(int32_t{1}));
  Db_Datos db;
  std::u16string user = u"u", pass = u"p";
  db.TelvarConectarLobix(u"d", user, pass);
  for (auto _ : state) {
    world.calls.clear();
    db.GetList_HuespedesEnCasa();
    benchmark::DoNotOptimize(count_of(*db.GetList_ListaResultados));
  }
}
BENCHMARK(BM_InHouseList2000)->Unit(benchmark::kMicrosecond);

// The same list end to end: Db_Datos asks the substitute, which reads 2,000 in-house guests from
// a SQLite file (argument 0) or a PostgreSQL database (argument 1: on the server HALVORA_PG_SERVER
// names, which `make bench` starts) and writes the answer; the collection is filled from it.
void BM_InHouseList2000Substitute(benchmark::State& state) {
  set_regional(RegionalSettings{});
  const auto engine = state.range(0) == 0 ? sdk::Engine::Sqlite : sdk::Engine::Postgres;
  state.SetLabel(test::engine_name(engine));
  if (engine == sdk::Engine::Postgres && !test::pg_server()) {
    state.SkipWithError("no PostgreSQL server (HALVORA_PG_SERVER)");
    for (auto _ : state) {
    }
    return;
  }
  test::ScratchDatabase hotel(engine);
  {
    auto db = hotel.open();
    sdk::create_schema(*db);
    sdk::store_user(*db, u"u", u"p", 1000);
    sdk::in_transaction(*db, [&] {
      for (int i = 0; i < 2000; ++i) {
        sdk::Record guest(sdk::guest_layout());
        // Every answered field holds something, as a guest at the front desk does: texts of a
        // few words, amounts with cents, dates with a time of day.
        for (std::size_t position : guest.layout().answer) {
          switch (guest.layout().fields[position].type) {
            case VarType::String:
              guest.set(position, Variant(u"OBSERVACION " + utf8_to_utf16(std::to_string(i))));
              break;
            case VarType::Date:
              guest.set(position, Variant(Date{45600.5 + i % 30}));
              break;
            default:
              guest.set(position, Variant(1234.56 + i));
          }
        }
        guest.set(sdk::guest::kName, Variant(u"GUEST " + utf8_to_utf16(std::to_string(i))));
        guest.set(sdk::guest::kStatus, Variant(sdk::guest::kInHouse));
        guest.set(sdk::guest::kRoom, Variant(utf8_to_utf16(std::to_string(100 + i))));
        guest.set(sdk::guest::kNumber, Variant(int32_t{i + 1}));
        sdk::insert_record(*db, guest);
      }
    });
  }
  Db_Datos db;
  std::u16string user = u"u", pass = u"p";
  if (!db.TelvarConectarLobix(utf8_to_utf16(hotel.location()), user, pass))
    state.SkipWithError("no connection");
  for (auto _ : state) {
    db.GetList_HuespedesEnCasa();
    benchmark::DoNotOptimize(count_of(*db.GetList_ListaResultados));
  }
  state.counters["guests"] = count_of(*db.GetList_ListaResultados);
  // db, and its connection, go before the database does.
}
BENCHMARK(BM_InHouseList2000Substitute)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// Twenty data-access objects, each holding the charges of a two-charge room on a table of
// 300,000 charges, as a front desk's open forms would. "held_bytes" is what their answers keep
// allocated; the time is twenty look-ups.
void BM_TwentyTwoChargeListsOf300000(benchmark::State& state) {
  set_regional(RegionalSettings{});
  char pattern[] = "/tmp/halvora-bench-XXXXXX";
  std::string dir = mkdtemp(pattern);
  {
    auto db = sdk::Database::open(utf8_to_utf16(dir + "/hotel.db"));
    sdk::create_schema(*db);
    sdk::store_user(*db, u"u", u"p", 1000);
    // Rooms 100 to 599, 600 charges each; room 77 has two.
    db->execute(
        u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 299998) "
        u"INSERT INTO cargos (\"Campo001\", \"Campo002\", \"Campo005\", \"Campo009\", "
        u"\"Campo012\", \"Campo015\") SELECT 100 + i % 500, 1000 + i % 500, i * 0.25, 45600, "
        u"'HAB', 'Hospedaje ' || i FROM n");
    db->execute(
        u"INSERT INTO cargos (\"Campo001\", \"Campo005\", \"Campo015\") VALUES (77, 10, 'Bar'), "
        u"(77, 20, 'Spa')");
  }
  sdk::ConexionSdk conn;
  if (conn.Conectar(utf8_to_utf16(dir), u"u", u"p") != sdk::kConnected)
    state.SkipWithError("no connection");
  std::size_t held = 0, used = 0;
  for (auto _ : state) {
    std::vector<std::u16string> answers;
    for (int k = 0; k < 20; ++k) answers.push_back(conn.ListarCargos(77, 0, 0, 0, u""));
    held = used = 0;
    for (const std::u16string& a : answers) {
      held += a.capacity() * sizeof(char16_t);
      used += a.size() * sizeof(char16_t);
    }
  }
  state.counters["held_bytes"] = static_cast<double>(held);
  state.counters["used_bytes"] = static_cast<double>(used);
  conn.Desconectar();
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_TwentyTwoChargeListsOf300000)->Unit(benchmark::kMillisecond);

void BM_RecordFill45(benchmark::State& state) {
  set_regional(RegionalSettings{});
  test::FakeWorld world;
  Db_Datos db;
  db.GetListaResultados(guest_text(), u"|");
  for (auto _ : state) {
    db.GetEntityObject();
    benchmark::DoNotOptimize(db.Db_Datos_Sdk_Info.get());
  }
}
BENCHMARK(BM_RecordFill45)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace halvora
