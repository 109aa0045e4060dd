// halvora-sdk: makes and inspects the substitute's databases from the command line.
#include <cstdio>
#include <cstring>
#include <string>

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
      "       halvora-sdk user PATH NAME PASSWORD    add a user or change its password\n"
      "       halvora-sdk demo PATH                  load the demo hotel\n"
      "       halvora-sdk dump PATH TABLE            print a table\n"
      "       halvora-sdk folio PATH TYPE [COUNT]    advance a folio series, print each folio\n",
      stderr);
  return 2;
}

std::unique_ptr<Database> open_at(const char* path, bool create) {
  std::optional<std::u16string> file = os::database_file(utf8_to_utf16(path), create);
  if (!file) throw Error(err::kInvalidCall, u"No database at " + utf8_to_utf16(path), kSdkSource);
  return Database::open(*file);
}

void print(const std::u16string& line) {
  std::printf("%s\n", utf16_to_utf8(line).c_str());
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
    } else if (command == "user" && argc == 5) {
      store_user(*open_at(argv[2], false), utf8_to_utf16(argv[3]), utf8_to_utf16(argv[4]));
    } else if (command == "demo" && argc == 3) {
      load_demo(*open_at(argv[2], false));
    } else if (command == "dump" && argc == 4) {
      auto db = open_at(argv[2], false);
      for (const std::u16string& line : dump_table(*db, utf8_to_utf16(argv[3]))) print(line);
    } else if (command == "folio" && (argc == 4 || argc == 5)) {
      auto db = open_at(argv[2], false);
      int count = argc == 5 ? std::atoi(argv[4]) : 1;
      for (int i = 0; i < count; ++i) std::printf("%d\n", next_folio(*db, std::atoi(argv[3])));
    } else {
      return usage();
    }
  } catch (const Error& e) {
    std::fprintf(stderr, "halvora-sdk: %s\n", utf16_to_utf8(e.description()).c_str());
    return 1;
  }
  return 0;
}
