// Faults injected under the database SDK substitute: a writer killed at random points, a full
// disk, a lock held past the busy time-out and damaged pages. Whatever happens, what the store
// acknowledged stays, numbers stay unique and without gaps, nothing half-written is left, and
// a failure reaches the caller as the database error (3146) with SQLite's reason.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "automation/conversions.h"
#include "automation/text.h"
#include "data/db_capct.h"
#include "sdk/conexion_sdk.h"
#include "sdk/store.h"
#include "support/calls.h"

namespace halvora::sdk {
namespace {

namespace fs = std::filesystem;

class BusyTimeoutScope {
 public:
  explicit BusyTimeoutScope(int milliseconds) : saved_(busy_timeout()) {
    set_busy_timeout(milliseconds);
  }
  ~BusyTimeoutScope() { set_busy_timeout(saved_); }

 private:
  int saved_;
};

Variant call(ObjectRef& c, std::u16string_view name, std::vector<Variant> args = {}) {
  return invoke(*c, name, CallKind::Method, args);
}

ObjectRef connect(const std::string& folder) {
  ObjectRef c = create_substitute(u"ConexionSdk");
  if (to_long(call(c, u"Conectar",
                   {Variant(utf8_to_utf16(folder)), Variant(u"recepcion"), Variant(u"s3creta")})) !=
      kConnected)
    throw std::runtime_error("cannot connect to " + folder);
  return c;
}

// A charge whose description repeats its amount, so that a row torn between two writes shows,
// with a long note that makes each charge a few hundred bytes: a database fills up after a
// handful of them.
RecordRef charge_of(int amount) {
  RecordRef r = create_record(u"RegistroCargo");
  r->set(charge::kAmount, Variant(static_cast<double>(amount)));
  r->set(charge::kDescription, Variant(u"cargo " + utf8_to_utf16(std::to_string(amount))));
  r->set(28, Variant(std::u16string(1000, u'n')));
  return r;
}

RecordRef coupon_of(int amount) {
  RecordRef r = create_record(u"RegistroCupon");
  r->set(coupon::kAmount, Variant(static_cast<double>(amount)));
  return r;
}

constexpr int32_t kFolioSeries = 7;

// What a database holds after the fault, read through a connection of its own.
struct Stored {
  std::string integrity;
  std::vector<int64_t> charges, coupons;  // numbers, ascending
  int64_t charge_series = 0, folio_series = 0;
  int torn_charges = 0;  // rows whose description does not match their amount
};

Stored read_store(const std::string& file) {
  Stored s;
  auto db = Database::open(utf8_to_utf16(file));
  const VarType text[] = {VarType::String};
  for (const Row& row : db->query(u"PRAGMA integrity_check", {}, text))
    s.integrity += utf16_to_utf8(row[0].get<std::u16string>());
  const VarType charge_columns[] = {VarType::Long, VarType::Double, VarType::String};
  for (const Row& row :
       db->query(u"SELECT \"Campo000\", \"Campo005\", \"Campo015\" FROM cargos ORDER BY 1", {},
                 charge_columns)) {
    s.charges.push_back(row[0].get<int32_t>());
    if (row[2].get<std::u16string>() !=
        u"cargo " + utf8_to_utf16(std::to_string(static_cast<int>(row[1].get<double>()))))
      ++s.torn_charges;
  }
  const VarType number[] = {VarType::Long};
  for (const Row& row : db->query(u"SELECT \"Campo000\" FROM cupones ORDER BY 1", {}, number))
    s.coupons.push_back(row[0].get<int32_t>());
  auto series = [&](int32_t type) {
    const Variant key[] = {Variant(type)};
    std::vector<Row> rows = db->query(u"SELECT folio FROM folios WHERE tipo = ?", key, number);
    return rows.empty() ? int64_t{0} : int64_t{rows[0][0].get<int32_t>()};
  };
  s.charge_series = series(kChargeSeries);
  s.folio_series = series(kFolioSeries);
  return s;
}

// 1, 2, … n: every number once, none skipped.
bool gapless(const std::vector<int64_t>& numbers) {
  for (std::size_t i = 0; i < numbers.size(); ++i)
    if (numbers[i] != static_cast<int64_t>(i + 1)) return false;
  return true;
}

void expect_whole(const Stored& s) {
  EXPECT_EQ(s.integrity, "ok");
  EXPECT_TRUE(gapless(s.charges));
  EXPECT_TRUE(gapless(s.coupons));
  EXPECT_EQ(s.charge_series, static_cast<int64_t>(s.charges.size()));
  EXPECT_EQ(s.torn_charges, 0);
}

// The error a call raises; fails the test when it raises none.
Error error_of(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    return e;
  }
  ADD_FAILURE() << "no error raised";
  return Error(0, u"");
}

void expect_database_error(const Error& e, std::u16string_view reason) {
  EXPECT_EQ(e.number(), kDatabaseError);
  EXPECT_EQ(e.source(), kSdkSource);
  EXPECT_NE(e.description().find(reason), std::u16string::npos) << utf16_to_utf8(e.description());
}

class SdkFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/halvora-faults-XXXXXX";
    dir_ = mkdtemp(pattern);
    make_database(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  static void make_database(const std::string& folder) {
    auto db = Database::open(utf8_to_utf16(folder + "/hotel.db"));
    create_schema(*db);
    store_user(*db, u"recepcion", u"s3creta", 1000);
  }
  std::string file() const { return dir_ + "/hotel.db"; }

  std::string dir_;
};

// The child of the kill test: posts a charge, saves a coupon and advances a folio, over and
// over, and writes each number to `out` once the store has answered it. Never returns.
[[noreturn]] void write_until_killed(const std::string& folder, int out) {
  try {
    ObjectRef c = connect(folder);
    for (int i = 1;; ++i) {
      double charge = to_double(call(c, u"RegistrarCargo", {Variant(charge_of(i))}));
      dprintf(out, "C %.0f\n", charge);
      int32_t coupon = to_long(call(c, u"GuardarCupon", {Variant(coupon_of(i))}));
      dprintf(out, "K %d\n", coupon);
      int32_t folio = to_long(call(c, u"FolioPorOperacion", {Variant(kFolioSeries)}));
      dprintf(out, "F %d\n", folio);
    }
  } catch (const std::exception& e) {
    dprintf(out, "failed: %s\n", e.what());
  }
  _exit(1);
}

TEST_F(SdkFaults, AWriterKilledAtRandomLosesNothingItAcknowledged) {
  const unsigned seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 rng(seed);
  std::map<char, std::set<int64_t>> acknowledged;
  int kills = 0;
  for (int round = 0; round < 6; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    int pipe_ends[2];
    ASSERT_EQ(pipe(pipe_ends), 0);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      ::close(pipe_ends[0]);
      write_until_killed(dir_, pipe_ends[1]);
    }
    ::close(pipe_ends[1]);
    // Killed after a random number of answers (none at all: while it connects or writes its
    // first charge) and a random pause, which mostly ends it inside a transaction.
    const int answers_before_kill = static_cast<int>(rng() % 10);
    bool killed = false;
    auto kill_now = [&] {
      usleep(static_cast<useconds_t>(rng() % 20000));
      kill(pid, SIGKILL);
      killed = true;
      ++kills;
    };
    if (answers_before_kill == 0) kill_now();
    FILE* in = fdopen(pipe_ends[0], "r");
    char line[256];
    int answers = 0;
    // Lines written before the kill are still in the pipe: read to its end.
    while (std::fgets(line, sizeof line, in)) {
      char kind = 0;
      long long number = 0;
      if (std::sscanf(line, "%c %lld", &kind, &number) != 2 || !std::strchr("CKF", kind)) {
        ADD_FAILURE() << "the writer says: " << line;
        continue;
      }
      EXPECT_TRUE(acknowledged[kind].insert(number).second) << kind << " " << number << " twice";
      if (!killed && ++answers >= answers_before_kill) kill_now();
    }
    std::fclose(in);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer ended on its own";

    Stored s = read_store(file());
    expect_whole(s);
    for (int64_t n : acknowledged['C'])
      EXPECT_TRUE(std::binary_search(s.charges.begin(), s.charges.end(), n)) << "charge " << n;
    for (int64_t n : acknowledged['K'])
      EXPECT_TRUE(std::binary_search(s.coupons.begin(), s.coupons.end(), n)) << "coupon " << n;
    for (int64_t n : acknowledged['F']) EXPECT_LE(n, s.folio_series) << "folio " << n;
    // Each kill can cost at most the one write it interrupted, committed but not yet answered.
    EXPECT_LE(s.charges.size() - acknowledged['C'].size(), static_cast<std::size_t>(kills));
    EXPECT_LE(s.coupons.size() - acknowledged['K'].size(), static_cast<std::size_t>(kills));
    EXPECT_LE(s.folio_series - static_cast<int64_t>(acknowledged['F'].size()), kills);
  }
}

// Posts charges through `c` until the database cannot grow, and answers how many went in. The
// charge that fails leaves nothing behind: no row, no number spent (in the series or in the
// host's record), no journal; what was posted before stays.
int post_until_full(ObjectRef& c, const std::string& folder) {
  RecordRef charge = charge_of(1);
  int posted = 0;
  for (;; ++posted) {
    try {
      call(c, u"RegistrarCargo", {Variant(charge)});
    } catch (const Error& e) {
      expect_database_error(e, u"database or disk is full");
      break;
    }
    if (posted == 10000) {
      ADD_FAILURE() << "the database never filled up";
      break;
    }
  }
  EXPECT_EQ(to_double(charge->value(charge::kNumber)), posted);
  Stored s = read_store(folder + "/hotel.db");
  expect_whole(s);
  EXPECT_EQ(s.charges.size(), static_cast<std::size_t>(posted));
  EXPECT_FALSE(fs::exists(folder + "/hotel.db-journal"));
  return posted;
}

TEST_F(SdkFaults, AFullDatabaseFailsTheWriteWhole) {
  // SQLite's page limit stands for a full disk wherever nothing can be mounted. The limit is the
  // connection's own: another one, without it, carries on from the last number.
  ObjectRef c = connect(dir_);
  ObjectRef limited = connect(dir_);
  Database& db = dynamic_cast<ConexionSdk&>(*limited).database();
  const VarType number[] = {VarType::Long};
  int32_t pages = db.query(u"PRAGMA page_count", {}, number)[0][0].get<int32_t>();
  db.execute(u"PRAGMA max_page_count = " + utf8_to_utf16(std::to_string(pages + 3)));
  int posted = post_until_full(limited, dir_);
  EXPECT_EQ(to_double(call(c, u"RegistrarCargo", {Variant(charge_of(0))})), posted + 1);
}

TEST_F(SdkFaults, AFullFileSystemFailsTheWriteWhole) {
  // A small file system in a mount namespace of this process's own: the mount goes when the
  // process ends, whatever happens to the test.
  if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr)) {
    GTEST_SKIP() << "cannot mount here (" << std::strerror(errno)
                 << "): the page limit test stands for a full disk";
  }
  const std::string small = dir_ + "/small";
  fs::create_directory(small);
  if (mount("tmpfs", small.c_str(), "tmpfs", 0, "size=256k") != 0) {
    GTEST_SKIP() << "cannot mount a tmpfs (" << std::strerror(errno)
                 << "): the page limit test stands for a full disk";
  }
  struct Unmount {
    std::string path;
    ~Unmount() { umount2(path.c_str(), MNT_DETACH); }
  } unmount{small};
  make_database(small);
  // Filled to a few pages short, so that a few charges go in first.
  const std::string filler = small + "/filler";
  {
    std::ofstream out(filler, std::ios::binary);
    const std::string block(4096, 'x');
    while (out.write(block.data(), block.size()) && out.flush()) {
    }
  }
  fs::resize_file(filler, fs::file_size(filler) - 6 * 4096);
  ObjectRef c = connect(small);
  int posted = post_until_full(c, small);
  // Once there is room again, the same connection goes on with the next number.
  fs::remove(filler);
  EXPECT_EQ(to_double(call(c, u"RegistrarCargo", {Variant(charge_of(0))})), posted + 1);
}

TEST_F(SdkFaults, AWriteThatMeetsAHeldLockFailsWhole) {
  BusyTimeoutScope short_wait(100);
  ObjectRef c = connect(dir_);
  ASSERT_EQ(to_double(call(c, u"RegistrarCargo", {Variant(charge_of(1))})), 1);
  ASSERT_EQ(to_long(call(c, u"GuardarCupon", {Variant(coupon_of(1))})), 1);
  ASSERT_EQ(to_long(call(c, u"FolioPorOperacion", {Variant(kFolioSeries)})), 1);

  // Another process's write transaction, held past the busy time-out.
  auto holder = Database::open(utf8_to_utf16(file()));
  holder->begin_immediate();
  holder->execute(u"INSERT INTO folios (tipo, folio) VALUES (99, 1)");
  RecordRef charge = charge_of(2);
  RecordRef coupon = coupon_of(2);
  const std::pair<const char16_t*, Variant> writes[] = {
      {u"RegistrarCargo", Variant(charge)},
      {u"GuardarCupon", Variant(coupon)},
      {u"FolioPorOperacion", Variant(kFolioSeries)},
  };
  for (const auto& [operation, argument] : writes) {
    SCOPED_TRACE(utf16_to_utf8(operation));
    expect_database_error(error_of([&] { call(c, operation, {argument}); }), u"database is locked");
  }
  EXPECT_EQ(to_double(charge->value(charge::kNumber)), 0);
  EXPECT_EQ(to_long(coupon->value(coupon::kNumber)), 0);
  // Readers do not wait for a writer.
  EXPECT_EQ(to_string(call(c, u"ListarCupones")).substr(0, 2), u"1|");
  // The host meets the same error through a data class, which catches nothing.
  DB_CAPCT host_charges;
  std::vector<Variant> login{Variant(utf8_to_utf16(dir_)), Variant(u"recepcion"),
                             Variant(u"s3creta")};
  ASSERT_EQ(invoke(host_charges, u"TelvarConectarLobix", CallKind::Method, login), Variant(true));
  expect_database_error(error_of([&] { test::call(host_charges, u"GenerarCargo"); }),
                        u"database is locked");

  holder->rollback();
  holder.reset();
  // Nothing was spent on the refused writes.
  EXPECT_EQ(to_double(call(c, u"RegistrarCargo", {Variant(charge)})), 2);
  EXPECT_EQ(to_long(call(c, u"GuardarCupon", {Variant(coupon)})), 2);
  EXPECT_EQ(to_long(call(c, u"FolioPorOperacion", {Variant(kFolioSeries)})), 2);
  expect_whole(read_store(file()));
}

// A byte of a b-tree page's header or pointers changed on a copy of the database: reading it
// fails with the database error, never answers rows that are not there, never crashes.
TEST_F(SdkFaults, ADamagedPageFailsTheRead) {
  {
    auto db = Database::open(utf8_to_utf16(file()));
    in_transaction(*db, [&] {
      for (int i = 1; i <= 400; ++i) store_charge(*db, *charge_of(i));
    });
  }
  const std::string intact = [&] {
    std::ifstream in(file(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }();
  auto page_of = [&](const char16_t* table) {
    auto db = Database::open(utf8_to_utf16(file()));
    const VarType number[] = {VarType::Long};
    const Variant name[] = {Variant(table)};
    return static_cast<std::size_t>(
        db->query(u"SELECT rootpage FROM sqlite_master WHERE name = ?", name, number)[0][0]
            .get<int32_t>());
  };
  const std::size_t page_size = 4096;
  auto at = [&](std::size_t page) { return (page - 1) * page_size; };
  auto u16 = [&](std::size_t offset) {
    return static_cast<std::size_t>(static_cast<unsigned char>(intact[offset]) << 8 |
                                    static_cast<unsigned char>(intact[offset + 1]));
  };
  auto u32 = [&](std::size_t offset) { return u16(offset) << 16 | u16(offset + 2); };
  const std::size_t root = at(page_of(u"cargos"));
  ASSERT_EQ(intact[root], 0x05) << "the charges need an interior page";
  // The first leaf: the child page of the root's first cell.
  const std::size_t leaf = at(u32(root + u16(root + 12)));
  const std::size_t users = at(page_of(u"usuarios"));

  struct Case {
    const char* name;
    std::size_t offset;
    std::string bytes;
    const char16_t* reason;
  } cases[] = {
      {"the root's page type", root, std::string(1, '\0'), u"malformed"},
      {"the root read as a leaf", root, "\x0d", u"malformed"},
      {"the root's cell count", root + 3, "\xff\xff", u"malformed"},
      {"the root's right child beyond the file", root + 8, "\x7f\xff\xff\xff", u"malformed"},
      {"a leaf's page type", leaf, std::string(1, '\0'), u"malformed"},
      {"a leaf's first cell pointer beyond the page", leaf + 8, "\xff\xf0", u"malformed"},
      {"a leaf's first cell pointer into its header", leaf + 8, std::string(2, '\0'), u"malformed"},
      {"a leaf's cell count one too many", leaf + 3,
       std::string{static_cast<char>((u16(leaf + 3) + 1) >> 8),
                   static_cast<char>((u16(leaf + 3) + 1) & 0xff)},
       u"malformed"},
      {"the users' page", users, std::string(1, '\0'), u"malformed"},
      {"the page size in the file header", 16, std::string("\x03\x00", 2),
       u"file is not a database"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    const std::string copy = dir_ + "/copy";
    fs::create_directories(copy);
    std::string damaged = intact;
    damaged.replace(k.offset, k.bytes.size(), k.bytes);
    std::ofstream(copy + "/hotel.db", std::ios::binary | std::ios::trunc) << damaged;
    expect_database_error(
        error_of([&] {
          ObjectRef c = connect(copy);
          call(c, u"ListarCargos",
               {Variant(0.0), Variant(0.0), Variant(0.0), Variant(0.0), Variant(u"")});
        }),
        k.reason);
  }
}

}  // namespace
}  // namespace halvora::sdk
