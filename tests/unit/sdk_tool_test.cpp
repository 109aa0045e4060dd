// halvora-sdk, the substitute's command-line tool, run as a user runs it: its arguments, what it
// reads on standard input (a pipe, or a terminal it must not echo a password to), what it prints
// and its exit code, and what it leaves in the database.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "automation/text.h"
#include "sdk/conexion_sdk.h"
#include "sdk/store.h"
#include "support/pg_server.h"

namespace halvora::sdk {
namespace {

namespace fs = std::filesystem;

struct ToolRun {
  int code = -1;
  std::string out;
  std::string err;
};

std::string read_all(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class SdkTool : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/halvora-sdk-tool-XXXXXX";
    dir_ = mkdtemp(pattern);
    // The tool is built beside the tests.
    tool_ = (fs::read_symlink("/proc/self/exe").parent_path() / "halvora-sdk").string();
    ASSERT_TRUE(fs::exists(tool_)) << tool_;
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Runs the tool with the arguments, `input` on its standard input.
  ToolRun run(const std::vector<std::string>& args, const std::string& input = "") {
    std::string in = dir_ + "/stdin", out = dir_ + "/stdout", err = dir_ + "/stderr";
    std::ofstream(in, std::ios::binary) << input;
    pid_t pid = fork();
    if (pid == 0) {
      int fd_in = open(in.c_str(), O_RDONLY);
      int fd_out = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      int fd_err = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      dup2(fd_in, 0);
      dup2(fd_out, 1);
      dup2(fd_err, 2);
      std::vector<char*> argv = {const_cast<char*>(tool_.c_str())};
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(tool_.c_str(), argv.data());
      _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, read_all(out), read_all(err)};
  }

  std::string db() const { return dir_ + "/hotel.db"; }
  // A database with one user, as the conformance runs make it.
  void make_database() {
    ASSERT_EQ(run({"init", db()}).code, 0);
    ASSERT_EQ(run({"user", db(), "CAJERO"}, "secreto\n").code, 0);
  }
  int32_t connect(const std::u16string& user, const std::u16string& password) {
    ConexionSdk conn;
    return conn.Conectar(utf8_to_utf16(db()), user, password);
  }
  std::size_t rows(const std::string& table) {
    ToolRun r = run({"dump", db(), table});
    EXPECT_EQ(r.code, 0) << r.err;
    std::size_t lines = 0;
    for (char c : r.out) lines += c == '\n';
    return lines - 1;  // the column names
  }

  std::string dir_;
  std::string tool_;
};

TEST_F(SdkTool, NumbersAreReadStrictly) {
  make_database();
  struct Case {
    std::vector<std::string> args;  // after "folio PATH"
    int code;
    std::string out;
  } cases[] = {
      {{"abc"}, 1, ""},
      {{"5", "abc"}, 1, ""},
      {{"5", "-1"}, 1, ""},
      {{"2147483648"}, 1, ""},
      {{"4294967301"}, 1, ""},
      {{"-2147483649"}, 1, ""},
      {{"5", "99999999999"}, 1, ""},
      {{"5x"}, 1, ""},
      {{" 5"}, 1, ""},
      {{""}, 1, ""},
      {{"5", "0"}, 0, ""},
      {{"5", "3"}, 0, "1\n2\n3\n"},
      {{"-2147483648"}, 0, "1\n"},
      {{"2147483647", "2"}, 0, "1\n2\n"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"folio", db()};
    args.insert(args.end(), c.args.begin(), c.args.end());
    ToolRun r = run(args);
    std::string what = c.args.back();
    EXPECT_EQ(r.code, c.code) << what;
    EXPECT_EQ(r.out, c.out) << what;
    if (c.code) {
      EXPECT_NE(r.err.find("halvora-sdk: "), std::string::npos) << what;
    }
  }
  // Only the good ones spent folios: series 5 stands at 3, and nothing was made of "abc".
  ToolRun folios = run({"dump", db(), "folios"});
  EXPECT_EQ(folios.out, "tipo|folio\n-2147483648|1\n5|3\n2147483647|2\n");
}

TEST_F(SdkTool, ThePasswordComesFromStandardInput) {
  ASSERT_EQ(run({"init", db()}).code, 0);
  struct Case {
    std::string user;
    std::string input;
    int code;
    std::u16string password;  // connects afterwards, when the code is 0
  } cases[] = {
      {"pipe", "clave larga\n", 0, u"clave larga"},
      {"crlf", "con-cr\r\n", 0, u"con-cr"},
      {"first", "uno\ndos\n", 0, u"uno"},
      {"noeol", "sin-fin", 0, u"sin-fin"},
      {"acento", "contraseña\n", 0, u"contraseña"},
      {"none", "", 1, u""},
      {"empty", "\n", 1, u""},
  };
  for (const Case& c : cases) {
    ToolRun r = run({"user", db(), c.user}, c.input);
    EXPECT_EQ(r.code, c.code) << c.user << ": " << r.err;
    EXPECT_EQ(r.out, "") << c.user;
    std::u16string user = utf8_to_utf16(c.user);
    if (c.code == 0) {
      EXPECT_EQ(connect(user, c.password), kConnected) << c.user;
    } else {
      EXPECT_NE(r.err.find("halvora-sdk: "), std::string::npos) << c.user;
      EXPECT_EQ(connect(user, u""), kWrongCredentials) << c.user;
    }
  }
  // A password on the command line, where other users could read it, is not taken.
  ToolRun r = run({"user", db(), "visible", "secreto"}, "secreto\n");
  EXPECT_NE(r.code, 0);
  EXPECT_EQ(connect(u"visible", u"secreto"), kWrongCredentials);
  EXPECT_EQ(rows("usuarios"), 5u);
}

TEST_F(SdkTool, AtATerminalThePasswordIsAskedForAndNotEchoed) {
  ASSERT_EQ(run({"init", db()}).code, 0);
  int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  std::string slave = ptsname(master);
  pid_t pid = fork();
  if (pid == 0) {
    setsid();
    int fd = open(slave.c_str(), O_RDWR);
    dup2(fd, 0);
    dup2(fd, 1);
    dup2(fd, 2);
    execl(tool_.c_str(), tool_.c_str(), "user", db().c_str(), "terminal", nullptr);
    _exit(127);
  }
  // Everything the terminal shows, until the tool has asked (it turns echo off first) or ended.
  std::string shown;
  auto read_until = [&](const std::string& what) {
    for (int i = 0; i < 100 && shown.find(what) == std::string::npos; ++i) {
      pollfd p{master, POLLIN, 0};
      if (poll(&p, 1, 100) <= 0) continue;
      char buf[256];
      ssize_t n = read(master, buf, sizeof buf);
      if (n <= 0) break;
      shown.append(buf, static_cast<std::size_t>(n));
    }
  };
  read_until(":");
  EXPECT_NE(shown.find("terminal"), std::string::npos) << shown;  // the prompt names the user
  ASSERT_EQ(write(master, "tecleada\n", 9), 9);
  int status = 0;
  waitpid(pid, &status, 0);
  read_until("\n");
  close(master);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << shown;
  EXPECT_EQ(shown.find("tecleada"), std::string::npos) << shown;
  EXPECT_EQ(connect(u"terminal", u"tecleada"), kConnected);
}

TEST_F(SdkTool, DemoMakesANewDatabaseAndNeverReplacesOneUnasked) {
  // Nothing there yet: the demo makes the database.
  ToolRun first = run({"demo", db()});
  EXPECT_EQ(first.code, 0) << first.err;
  EXPECT_EQ(rows("cargos"), 5u);
  // A hotel in use: 312 charges and a user.
  ASSERT_EQ(run({"user", db(), "CAJERO"}, "secreto\n").code, 0);
  {
    auto db = Database::open(utf8_to_utf16(this->db()));
    in_transaction(*db, [&] {
      for (int i = 5; i < 312; ++i) {
        Record r(charge_layout());
        r.set(charge::kRoom, Variant(101.0));
        r.set(charge::kAmount, Variant(i * 1.5));
        insert_record(*db, r);
      }
    });
  }
  ToolRun refused = run({"demo", db()});
  EXPECT_EQ(refused.code, 1);
  EXPECT_NE(refused.err.find("--force"), std::string::npos) << refused.err;
  EXPECT_EQ(rows("cargos"), 312u);
  // Told to, it replaces the hotel data; users stay.
  ToolRun forced = run({"demo", "--force", db()});
  EXPECT_EQ(forced.code, 0) << forced.err;
  EXPECT_EQ(rows("cargos"), 5u);
  EXPECT_EQ(run({"dump", db(), "folios"}).out, "tipo|folio\n0|5\n");
  EXPECT_EQ(connect(u"CAJERO", u"secreto"), kConnected);
  EXPECT_EQ(run({"demo", db(), "--force"}).code, 0);

  // A new database in a folder: hotel.db inside it. A folder that is not there: an error.
  fs::create_directory(dir_ + "/nuevo");
  EXPECT_EQ(run({"demo", dir_ + "/nuevo"}).code, 0);
  EXPECT_TRUE(fs::exists(dir_ + "/nuevo/hotel.db"));
  ToolRun nowhere = run({"demo", dir_ + "/no-such-folder/hotel.db"});
  EXPECT_EQ(nowhere.code, 1);
  EXPECT_NE(nowhere.err.find("halvora-sdk: "), std::string::npos);
  // The scripts' order: an empty database with its users takes the demo.
  fs::remove(db());
  make_database();
  EXPECT_EQ(run({"demo", db()}).code, 0);
}

TEST_F(SdkTool, AFailedDemoLeavesTheDatabaseAsItWas) {
  make_database();
  ASSERT_EQ(run({"demo", db()}).code, 0);
  {
    auto db = Database::open(utf8_to_utf16(this->db()));
    // A guest of the hotel's own, and a last step that fails.
    Record guest(guest_layout());
    guest.set(guest::kName, Variant(u"HUESPED PROPIO"));
    insert_record(*db, guest);
    db->execute(
        u"CREATE TRIGGER no_charges BEFORE INSERT ON cargos BEGIN SELECT RAISE(ABORT, 'sin "
        u"cargos'); END");
  }
  std::string guests = run({"dump", db(), "huespedes"}).out;
  std::string charges = run({"dump", db(), "cargos"}).out;
  std::string folios = run({"dump", db(), "folios"}).out;
  ToolRun failed = run({"demo", "--force", db()});
  EXPECT_EQ(failed.code, 1);
  EXPECT_NE(failed.err.find("sin cargos"), std::string::npos) << failed.err;
  EXPECT_EQ(run({"dump", db(), "huespedes"}).out, guests);
  EXPECT_EQ(run({"dump", db(), "cargos"}).out, charges);
  EXPECT_EQ(run({"dump", db(), "folios"}).out, folios);
  EXPECT_NE(guests.find("HUESPED PROPIO"), std::string::npos);
}

// The same commands on a PostgreSQL location: init makes the database the server lacks, the
// others refuse one it lacks, and the server's password in the location stays out of what the
// tool prints.
TEST_F(SdkTool, EveryCommandTakesAServerLocation) {
  std::optional<std::string> server = test::pg_server();
  if (!server) GTEST_SKIP() << "no PostgreSQL server (HALVORA_PG_SERVER)";
  const std::string name = "halvora_tool" + std::to_string(getpid());
  const std::string at = *server + "/" + name;
  const std::size_t colon = server->find(':', std::strlen("postgresql://"));
  const std::string password = server->substr(colon + 1, server->find('@') - colon - 1);
  struct Step {
    std::vector<std::string> args;
    const char* input;
    int code;
    const char* out;  // all of it; nullptr: not looked at
    const char* err;  // a part of it
  } steps[] = {
      {{"dump", at, "usuarios"}, "", 1, "", "no database at"},
      {{"folio", at, "9"}, "", 1, "", "no database at"},
      {{"init", at}, "", 0, "", ""},
      {{"user", at, "CAJERO"}, "secreto\n", 0, "", ""},
      {{"demo", at}, "", 0, "", ""},
      {{"demo", at}, "", 1, "", "--force"},
      {{"folio", at, "9", "3"}, "", 0, "1\n2\n3\n", ""},
      {{"dump", at, "folios"}, "", 0, "tipo|folio\n0|5\n9|3\n", ""},
      {{"dump", at, "habitaciones"}, "", 0, nullptr, ""},
      {{"demo", "--force", at}, "", 0, "", ""},
      {{"dump", at, "folios"}, "", 0, "tipo|folio\n0|5\n", ""},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.args[0] + " " + (step.args.size() > 2 ? step.args.back() : ""));
    ToolRun r = run(step.args, step.input);
    EXPECT_EQ(r.code, step.code) << r.err;
    if (step.out) {
      EXPECT_EQ(r.out, step.out);
    }
    EXPECT_NE(r.err.find(step.err), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find(password), std::string::npos) << r.err;
  }
  {
    ConexionSdk conn;
    EXPECT_EQ(conn.Conectar(utf8_to_utf16(at), u"CAJERO", u"secreto"), kConnected);
    std::u16string guests = conn.ListarHuespedesEnCasa();
    EXPECT_EQ(std::count(guests.begin(), guests.end(), u'*'), 3);
  }
  Database::open_server(utf8_to_utf16(*server + "/postgres"))
      ->execute(utf8_to_utf16("DROP DATABASE " + name + " WITH (FORCE)"));
}

}  // namespace
}  // namespace halvora::sdk
