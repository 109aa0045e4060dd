#include "support/pg_server.h"

#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "automation/text.h"

namespace halvora::test {

namespace {

std::unique_ptr<sdk::Database> maintenance(const std::string& server) {
  return sdk::Database::open_server(utf8_to_utf16(server + "/postgres"));
}

}  // namespace

std::optional<std::string> pg_server() {
  if (const char* server = std::getenv("HALVORA_PG_SERVER"); server && *server) return server;
  const char* file = std::getenv("HALVORA_PG_SERVER_FILE");
  if (!file || !*file) return std::nullopt;
  std::string server;
  std::ifstream in(file);
  std::getline(in, server);
  if (server.empty())
    throw std::runtime_error(std::string("the test run's PostgreSQL server did not start: ") +
                             file + " holds no location");
  return server;
}

std::string engine_name(sdk::Engine engine) {
  return engine == sdk::Engine::Sqlite ? "SQLite" : "PostgreSQL";
}

ScratchDatabase::ScratchDatabase(sdk::Engine engine) : engine_(engine) {
  char pattern[] = "/tmp/halvora-scratch-XXXXXX";
  if (!mkdtemp(pattern)) throw std::runtime_error("cannot make a temporary folder");
  folder_ = pattern;
  if (engine_ == sdk::Engine::Sqlite) return;
  std::optional<std::string> server = pg_server();
  if (!server) throw std::runtime_error("no PostgreSQL server for the test");
  server_ = *server;
  static std::atomic<int> made{0};
  name_ = "halvora_t" + std::to_string(getpid()) + "_" + std::to_string(++made);
  maintenance(server_)->execute(
      utf8_to_utf16("CREATE DATABASE " + name_ + " TEMPLATE template0 ENCODING 'UTF8'"));
}

ScratchDatabase::~ScratchDatabase() {
  std::error_code ec;
  std::filesystem::remove_all(folder_, ec);
  if (name_.empty()) return;
  try {
    // Connections a test left open (a forked child's, say) go with it.
    maintenance(server_)->execute(
        utf8_to_utf16("DROP DATABASE IF EXISTS " + name_ + " WITH (FORCE)"));
  } catch (...) {
    // The cluster is thrown away after the run.
  }
}

std::string ScratchDatabase::location() const {
  return engine_ == sdk::Engine::Sqlite ? folder_ : server_ + "/" + name_;
}

std::unique_ptr<sdk::Database> ScratchDatabase::open() const {
  if (engine_ == sdk::Engine::Sqlite)
    return sdk::Database::open(utf8_to_utf16(folder_ + "/hotel.db"));
  return sdk::Database::open_server(utf8_to_utf16(location()));
}

}  // namespace halvora::test
