// halvora-sdk: makes and inspects the substitute's databases from the command line.
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "automation/error.h"
#include "automation/text.h"
#include "platform/regional.h"
#include "sdk/os.h"
#include "sdk/store.h"

using namespace halvora;
using namespace halvora::sdk;

namespace {

int usage() {
  std::fputs(
      "usage: halvora-sdk init PATH                  create a database (a file, or hotel.db in a "
      "folder)\n"
      "                                              or, for postgresql://HOST[:PORT]/DATABASE,\n"
      "                                              its tables (and the database if the server\n"
      "                                              lacks it); every command takes such a PATH\n"
      "       halvora-sdk user PATH NAME             add a user or change its password; the\n"
      "                                              password is one line of standard input\n"
      "       halvora-sdk demo [--force] PATH        load the demo hotel, making the database if\n"
      "                                              there is none; --force replaces hotel data\n"
      "       halvora-sdk dump PATH TABLE            print a table\n"
      "       halvora-sdk folio PATH TYPE [COUNT]    advance a folio series, print each folio\n",
      stderr);
  return 2;
}

// What the user asked for cannot be done; the text says why.
struct Refusal {
  std::string text;
};

std::u16string file_at(const std::string& path, bool create) {
  std::optional<std::u16string> file = os::database_file(utf8_to_utf16(path), create);
  if (!file)
    throw Refusal{create ? "cannot make a database at " + path + ": its folder does not exist"
                         : "no database at " + path};
  return *file;
}

// A location as messages show it: a server's password left out.
std::string shown(const std::string& path) {
  if (!is_server_location(utf8_to_utf16(path))) return path;
  std::size_t start = path.find("://") + 3;
  std::size_t at = path.find('@', start);
  std::size_t colon = path.find(':', start);
  if (at == std::string::npos || colon == std::string::npos || colon > at) return path;
  return path.substr(0, colon + 1) + "…" + path.substr(at);
}

std::unique_ptr<Database> open_at(const std::string& path, bool create) {
  if (is_server_location(utf8_to_utf16(path))) {
    std::unique_ptr<Database> db = Database::open_server(utf8_to_utf16(path), create);
    if (!db) throw Refusal{"no database at " + shown(path)};
    return db;
  }
  return Database::open(file_at(path, create));
}

void print(const std::u16string& line) {
  std::printf("%s\n", utf16_to_utf8(line).c_str());
}

// A whole number from `low` to `high`: digits with an optional "-", nothing else, not even
// blanks. atoi would take "abc" for 0 and wrap a number past 32 bits, and then act on either.
int64_t whole_number(const char* text, const char* what, int64_t low, int64_t high) {
  int64_t value = 0;
  const char* end = text + std::strlen(text);
  auto [stop, ec] = std::from_chars(text, end, value);
  if (ec != std::errc() || stop != end || value < low || value > high)
    throw Refusal{std::string(what) + " must be a whole number from " + std::to_string(low) +
                  " to " + std::to_string(high) + ", not \"" + text + "\""};
  return value;
}

void add_user(const std::string& path, const std::string& name) {
  auto db = open_at(path, false);
  std::optional<std::string> password = os::read_secret_line("Password for " + name + ": ");
  if (!password) throw Refusal{"no password on standard input"};
  if (password->empty()) throw Refusal{"a user needs a password"};
  store_user(*db, utf8_to_utf16(name), utf8_to_utf16(*password));
}

void load_demo_at(const std::string& path, bool force) {
  if (is_server_location(utf8_to_utf16(path))) {
    // The server keeps what a failed demo would have left half done: nothing, the demo being one
    // transaction.
    auto db = open_at(path, true);
    if (!force && holds_hotel_data(*db))
      throw Refusal{shown(path) + " already holds hotel data; halvora-sdk demo --force " +
                    shown(path) + " replaces it (users stay)"};
    load_demo(*db, force);
    return;
  }
  bool existed = os::database_file(utf8_to_utf16(path), false).has_value();
  std::u16string file = file_at(path, true);
  try {
    auto db = Database::open(file);
    if (!force && holds_hotel_data(*db))
      throw Refusal{path + " already holds hotel data; halvora-sdk demo --force " + path +
                    " replaces it (users stay)"};
    load_demo(*db, force);
    if (existed) return;
    const VarType types[] = {VarType::Long};
    if (db->query(u"SELECT COUNT(*) FROM usuarios", {}, types).at(0).at(0).get<int32_t>() == 0)
      std::fprintf(stderr, "halvora-sdk: no users yet; add one with halvora-sdk user %s NAME\n",
                   path.c_str());
  } catch (...) {
    // The demo made nothing of the database it would have made.
    std::error_code ec;
    if (!existed) std::filesystem::remove(utf16_to_utf8(file), ec);
    throw;
  }
}

void advance_folios(const std::string& path, const char* type_text, const char* count_text) {
  auto type = static_cast<int32_t>(whole_number(type_text, "the folio type", INT32_MIN, INT32_MAX));
  int64_t count = count_text ? whole_number(count_text, "the count", 0, INT32_MAX) : 1;
  auto db = open_at(path, false);
  for (int64_t i = 0; i < count; ++i) std::printf("%d\n", next_folio(*db, type));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return usage();
  // Dumps write numbers and dates as the answers do, with the user's settings.
  set_regional_source(&platform::regional_settings);
  std::string command = argv[1];
  try {
    if (command == "init" && argc == 3) {
      create_schema(*open_at(argv[2], true));
    } else if (command == "user" && argc == 4) {
      add_user(argv[2], argv[3]);
    } else if (command == "demo" && (argc == 3 || argc == 4)) {
      bool force = false;
      const char* path = nullptr;
      for (int i = 2; i < argc; ++i) {
        if (!force && std::strcmp(argv[i], "--force") == 0)
          force = true;
        else if (!path)
          path = argv[i];
        else
          return usage();
      }
      if (!path) return usage();
      load_demo_at(path, force);
    } else if (command == "dump" && argc == 4) {
      auto db = open_at(argv[2], false);
      for (const std::u16string& line : dump_table(*db, utf8_to_utf16(argv[3]))) print(line);
    } else if (command == "folio" && (argc == 4 || argc == 5)) {
      advance_folios(argv[2], argv[3], argc == 5 ? argv[4] : nullptr);
    } else {
      return usage();
    }
  } catch (const Refusal& r) {
    std::fprintf(stderr, "halvora-sdk: %s\n", r.text.c_str());
    return 1;
  } catch (const Error& e) {
    std::fprintf(stderr, "halvora-sdk: %s\n", utf16_to_utf8(e.description()).c_str());
    return 1;
  }
  return 0;
}
