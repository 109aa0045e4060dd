// halvora-sdk-load: front-desk workstations at work on one hotel database at once. Each is a
// process of its own with its own connection, and loops for the given time over what a
// workstation does most: post a charge, take a folio, list the guests in the house. Afterwards
// the database is read back to check that no folio was given twice and that every charge whose
// call returned is stored, with its amount.
//
//   halvora-sdk-load LOCATION [--workstations N] [--seconds S] [--guests G]
//
// LOCATION is a folder (its hotel.db is made) or a postgresql:// location (the database is made
// when the server lacks it). Whatever it holds is replaced by the demo hotel and G more in-house
// guests (200 by default). Prints one line of figures and the checks; exits 1 when a check fails.
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "automation/conversions.h"
#include "automation/error.h"
#include "automation/text.h"
#include "sdk/conexion_sdk.h"
#include "sdk/store.h"

using namespace halvora;
using namespace halvora::sdk;

namespace {

constexpr int32_t kFolioSeries = 5;
const char16_t kUser[] = u"CARGA";
const char16_t kPassword[] = u"carga";

struct Options {
  std::string location;
  int workstations = 8;
  double seconds = 60;
  int guests = 200;
};

std::unique_ptr<Database> open_location(const std::string& location) {
  std::u16string where = utf8_to_utf16(location);
  if (is_server_location(where)) return Database::open_server(where, true);
  std::filesystem::create_directories(location);
  return Database::open(utf8_to_utf16(location + "/hotel.db"));
}

// The demo hotel, its guests joined by `guests` more in the house, and the load's user.
void prepare(const Options& o) {
  auto db = open_location(o.location);
  create_schema(*db);
  store_user(*db, kUser, kPassword, 1000);
  load_demo(*db, true);
  in_transaction(*db, [&] {
    for (int i = 0; i < o.guests; ++i) {
      Record guest(guest_layout());
      guest.set(0, Variant(int32_t{5000 + i}));
      guest.set(guest::kName, Variant(u"HUESPED DE CARGA " + utf8_to_utf16(std::to_string(i))));
      guest.set(guest::kStatus, Variant(std::u16string(guest::kInHouse)));
      guest.set(guest::kRoom, Variant(static_cast<double>(300 + i)));
      guest.set(guest::kNumber, Variant(static_cast<double>(5000 + i)));
      insert_record(*db, guest);
    }
  });
}

// One workstation: writes "C number amount", "F folio", "L entries" after each answer and
// "E text" for each failure, to `out`.
[[noreturn]] void workstation(const Options& o, int index, const std::string& out) {
  std::FILE* f = std::fopen(out.c_str(), "w");
  if (!f) _exit(2);
  int code = 0;
  try {
    ConexionSdk conn;
    if (conn.Conectar(utf8_to_utf16(o.location), kUser, kPassword) != kConnected)
      throw std::runtime_error("Conectar refused");
    const auto end = std::chrono::steady_clock::now() +
                     std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                         std::chrono::duration<double>(o.seconds));
    for (int i = 1; std::chrono::steady_clock::now() < end; ++i) {
      try {
        auto charge = std::make_shared<Record>(charge_layout());
        // An amount no other charge has: workstation and count, with cents.
        double amount = index * 10000000.0 + i + 0.25;
        charge->set(charge::kRoom, Variant(static_cast<double>(300 + index)));
        charge->set(charge::kAmount, Variant(amount));
        charge->set(charge::kDescription, Variant(u"CARGA " + utf8_to_utf16(std::to_string(i))));
        double number = conn.RegistrarCargo(charge);
        std::fprintf(f, "C %.0f %.2f\n", number, amount);
        std::fprintf(f, "F %d\n", conn.FolioPorOperacion(kFolioSeries));
        std::u16string list = conn.ListarHuespedesEnCasa();
        std::size_t entries = list.empty() ? 0 : 1;
        for (char16_t c : list) entries += c == u'*';
        std::fprintf(f, "L %zu\n", entries);
      } catch (const Error& e) {
        std::fprintf(f, "E %s\n", utf16_to_utf8(e.description()).c_str());
      }
    }
  } catch (const std::exception& e) {
    std::fprintf(f, "E %s\n", e.what());
    code = 1;
  }
  std::fclose(f);
  _exit(code);
}

int usage() {
  std::fputs(
      "usage: halvora-sdk-load LOCATION [--workstations N] [--seconds S] [--guests G]\n"
      "  LOCATION: a folder (hotel.db) or postgresql://HOST[:PORT]/DATABASE; its data is "
      "replaced\n",
      stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--workstations" && i + 1 < argc)
      o.workstations = std::atoi(argv[++i]);
    else if (a == "--seconds" && i + 1 < argc)
      o.seconds = std::atof(argv[++i]);
    else if (a == "--guests" && i + 1 < argc)
      o.guests = std::atoi(argv[++i]);
    else if (o.location.empty() && a[0] != '-')
      o.location = a;
    else
      return usage();
  }
  if (o.location.empty() || o.workstations < 1 || o.seconds <= 0 || o.guests < 0) return usage();
  set_regional(RegionalSettings{});
  const bool server = is_server_location(utf8_to_utf16(o.location));
  try {
    prepare(o);
  } catch (const Error& e) {
    std::fprintf(stderr, "halvora-sdk-load: %s\n", utf16_to_utf8(e.description()).c_str());
    return 1;
  }

  char pattern[] = "/tmp/halvora-load-XXXXXX";
  const std::string dir = mkdtemp(pattern);
  std::vector<pid_t> children;
  const auto start = std::chrono::steady_clock::now();
  for (int w = 0; w < o.workstations; ++w) {
    pid_t pid = fork();
    if (pid == 0) workstation(o, w + 1, dir + "/" + std::to_string(w));
    children.push_back(pid);
  }
  int crashed = 0;
  for (pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) ++crashed;
  }
  const double elapsed =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  // What the workstations were answered.
  std::map<int64_t, std::string> charges;  // number: amount
  std::vector<int64_t> folios;
  long lists = 0, short_lists = 0, charge_repeats = 0;
  std::map<std::string, long> errors;
  const long expected_guests = o.guests + 4;  // the demo's four in the house
  for (int w = 0; w < o.workstations; ++w) {
    std::ifstream in(dir + "/" + std::to_string(w));
    for (std::string line; std::getline(in, line);) {
      if (line.size() < 2) continue;
      std::string rest = line.substr(2);
      switch (line[0]) {
        case 'C': {
          std::size_t space = rest.find(' ');
          int64_t number = std::atoll(rest.substr(0, space).c_str());
          if (!charges.emplace(number, rest.substr(space + 1)).second) ++charge_repeats;
          break;
        }
        case 'F':
          folios.push_back(std::atoll(rest.c_str()));
          break;
        case 'L':
          ++lists;
          if (std::atol(rest.c_str()) != expected_guests) ++short_lists;
          break;
        default:
          ++errors[rest];
      }
    }
  }
  std::filesystem::remove_all(dir);

  // What the database holds.
  std::map<int64_t, std::string> stored;
  int64_t series = 0;
  try {
    auto db = open_location(o.location);
    const VarType columns[] = {VarType::Double, VarType::Double};
    for (const Row& row :
         db->query(u"SELECT \"Campo000\", \"Campo005\" FROM cargos WHERE \"Campo001\" >= 300", {},
                   columns)) {
      char amount[64];
      std::snprintf(amount, sizeof amount, "%.2f", row[1].get<double>());
      stored.emplace(static_cast<int64_t>(row[0].get<double>()), amount);
    }
    const Variant key[] = {Variant(kFolioSeries)};
    db->for_each_row(u"SELECT folio FROM folios WHERE tipo = ?", key,
                     [&](const Database::Cursor& row) { series = row.integer(0); });
  } catch (const Error& e) {
    std::fprintf(stderr, "halvora-sdk-load: %s\n", utf16_to_utf8(e.description()).c_str());
    return 1;
  }

  std::set<int64_t> distinct(folios.begin(), folios.end());
  long missing = 0, wrong_amount = 0;
  for (const auto& [number, amount] : charges) {
    auto found = stored.find(number);
    if (found == stored.end())
      ++missing;
    else if (found->second != amount)
      ++wrong_amount;
  }
  long error_count = 0;
  for (const auto& [text, count] : errors) error_count += count;
  const long operations = static_cast<long>(charges.size() + folios.size()) + lists;

  std::printf(
      "%-10s %d workstations, %.1f s: %ld operations, %.0f ops/s (charges %.0f/s, folios %.0f/s, "
      "lists of %ld guests %.0f/s), %ld failed\n",
      server ? "PostgreSQL" : "SQLite", o.workstations, elapsed, operations, operations / elapsed,
      charges.size() / elapsed, folios.size() / elapsed, expected_guests, lists / elapsed,
      error_count);
  for (const auto& [text, count] : errors)
    std::printf("  failed %ld times: %s\n", count, text.c_str());
  bool ok = crashed == 0;
  auto check = [&](bool passed, const std::string& what) {
    std::printf("  check %s: %s\n", passed ? "passed" : "FAILED", what.c_str());
    ok = ok && passed;
  };
  check(distinct.size() == folios.size(), std::to_string(folios.size()) + " folios answered, " +
                                              std::to_string(folios.size() - distinct.size()) +
                                              " given twice");
  check(series >= (distinct.empty() ? 0 : *distinct.rbegin()),
        "the folio series stands at " + std::to_string(series));
  check(missing == 0 && wrong_amount == 0 && charge_repeats == 0,
        std::to_string(charges.size()) + " charges answered, " + std::to_string(missing) +
            " not stored, " + std::to_string(wrong_amount) + " stored with another amount, " +
            std::to_string(charge_repeats) + " numbers answered twice (" +
            std::to_string(stored.size()) + " stored)");
  check(short_lists == 0, std::to_string(lists) + " lists, " + std::to_string(short_lists) +
                              " without every in-house guest");
  if (crashed) std::printf("  %d workstations ended abnormally\n", crashed);
  return ok ? 0 : 1;
}
