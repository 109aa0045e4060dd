// The database behind the substitute: a SQLite file, the embedded default that needs nothing, or
// a PostgreSQL server's database, which every workstation of a hotel shares. Natively SQLite comes
// through its library and PostgreSQL through libpq; on Windows both through ODBC and each one's
// driver, since neither library is packaged for the cross-build. Every value travels as a bound
// parameter: names, rooms and statuses are data, never statement text.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "automation/variant.h"

namespace halvora::sdk {

// The error number a database failure reaches the host with, on both builds (the platform's
// "ODBC call failed").
inline constexpr int32_t kDatabaseError = 3146;
// The source the substitute's own errors carry.
inline constexpr char16_t kSdkSource[] = u"LobixSdkCore";
// How long a statement waits for another process's write lock before it fails, on both builds and
// engines (SQLite's busy time-out, PostgreSQL's lock_timeout): folios and charges are short
// transactions, so a wait this long means something is stuck.
inline constexpr int kBusyTimeoutMs = 30000;
// The wait of the databases opened from now on (kBusyTimeoutMs until changed). The tests of a
// held lock shorten it rather than sit out half a minute per case.
void set_busy_timeout(int milliseconds);
int busy_timeout();

using Row = std::vector<Variant>;

enum class Engine { Sqlite, Postgres };

// A location that names a PostgreSQL server's database: postgresql://… or postgres://…, the
// scheme in any letter case. Anything else is a SQLite file or a folder that holds one.
bool is_server_location(std::u16string_view location);

class Database {
 public:
  // Opens (and, for a new file, creates) the SQLite file at a path as os::database_file gives
  // it, and reads its schema: a file that is there but cannot be read as a database fails here
  // with 3146 and the database's own words ("database is locked" when another process holds it
  // past the busy time-out, "database disk image is malformed", "file is not a database",
  // "unable to open database file"), not at the first query.
  static std::unique_ptr<Database> open(const std::u16string& path);
  // Connects to the database a postgresql:// location names, with the credentials it carries or
  // those of the PG* environment variables. A server that cannot be reached or refuses the
  // credentials fails with 3146 and the server's words. A server that answers but has no such
  // database gives nothing, as a SQLite location with no file does; with `create` the database
  // is made instead (natively only: the tool's init and demo).
  static std::unique_ptr<Database> open_server(const std::u16string& location, bool create = false);
  virtual ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  Engine engine() const { return engine_; }

  // The row a query stands on. Columns count from 0 and are read once each, in order (the
  // ODBC driver hands each value over once); NULL reads as nothing, 0 or 0.
  class Cursor {
   public:
    virtual void append_text(int column, std::u16string& out) const = 0;
    virtual double number(int column) const = 0;
    virtual int64_t integer(int column) const = 0;

   protected:
    ~Cursor() = default;
  };

  // Runs one statement, "?" standing for each parameter in order; parameters: Empty (NULL),
  // Boolean, Long, Double, Date, String. Text is stored as UTF-8, a lone surrogate in it as
  // U+FFFD.
  virtual void execute(std::u16string_view sql, std::span<const Variant> params = {}) = 0;
  // Runs a query and hands every row to `on_row` as the backend holds it: long answers are
  // written straight from there, with no value copied on the way.
  virtual void for_each_row(std::u16string_view sql, std::span<const Variant> params,
                            const std::function<void(const Cursor&)>& on_row) = 0;
  // The SQL that selects a floating-point column or expression so that Cursor::number reads it
  // back as the same Double. Most backends read the Double itself; the SQLite ODBC driver hands a
  // REAL over as text of 15 digits, which changes the last bits of many amounts and makes the
  // largest Double infinite, so there SQLite writes it out with 21 digits first.
  virtual std::u16string exact_real(std::u16string_view expression) const {
    return std::u16string(expression);
  }

  // Runs a query and reads each column as the given type; NULL reads as the type's zero value.
  std::vector<Row> query(std::u16string_view sql, std::span<const Variant> params,
                         std::span<const VarType> columns);

  // What the engines spell differently, so that the statements themselves are written once.
  // The column type of a value type: 64-bit integers, doubles and text on both engines.
  std::u16string_view column_type(VarType type) const;
  // The column that keeps a table's rows in the order they were stored, for ", " after the
  // others in CREATE TABLE; empty where the engine keeps a rowid of its own. Either way queries
  // order by "rowid".
  std::u16string_view row_number_column() const;
  // The clause after a SELECT inside a write transaction that holds the rows it reads against
  // every other writer until the transaction ends. SQLite's write transaction holds the whole
  // file already.
  std::u16string_view locking_read() const;
  // Keeps every other writer out of a table until the write transaction ends, readers not;
  // nothing on SQLite, whose write transaction holds the whole file.
  void lock_table(std::u16string_view table);
  // The tables the database has (in the connection's schema on PostgreSQL).
  std::vector<std::u16string> table_names();

  // A write transaction: on SQLite BEGIN IMMEDIATE, which takes the write lock at once, so a
  // read-modify-write inside it cannot interleave with another process's; on PostgreSQL a plain
  // transaction, whose read-modify-writes lock what they read (locking_read, lock_table).
  virtual void begin_write() = 0;
  virtual void commit() = 0;
  // Nothing to undo when the failure already ended the transaction, or the connection.
  virtual void rollback() noexcept = 0;

 protected:
  explicit Database(Engine engine) : engine_(engine) {}

 private:
  Engine engine_;
};

// Runs `body` inside a write transaction; rolls back and rethrows on failure.
template <class F>
auto in_transaction(Database& db, F&& body) {
  db.begin_write();
  try {
    if constexpr (std::is_void_v<decltype(body())>) {
      body();
      db.commit();
    } else {
      auto result = body();
      db.commit();
      return result;
    }
  } catch (...) {
    db.rollback();
    throw;
  }
}

}  // namespace halvora::sdk
