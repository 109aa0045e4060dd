// The SQLite database behind the substitute: through the SQLite library natively, through ODBC
// and the SQLite driver on Windows, where no SQLite library is at hand for the cross-build. Every
// value travels as a bound parameter: names, rooms and statuses are data, never statement text.
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
// How long a statement waits for another process's write lock before it fails, on both builds:
// folios and charges are short transactions, so a wait this long means something is stuck.
inline constexpr int kBusyTimeoutMs = 30000;
// The wait of the databases opened from now on (kBusyTimeoutMs until changed). The tests of a
// held lock shorten it rather than sit out half a minute per case.
void set_busy_timeout(int milliseconds);
int busy_timeout();

using Row = std::vector<Variant>;

class Database {
 public:
  // Opens (and, for a new file, creates) the SQLite file at a path as os::database_file gives
  // it, and reads its schema: a file that is there but cannot be read as a database fails here
  // with 3146 and the database's own words ("database is locked" when another process holds it
  // past the busy time-out, "database disk image is malformed", "file is not a database",
  // "unable to open database file"), not at the first query.
  static std::unique_ptr<Database> open(const std::u16string& path);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

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

  // Runs one statement; parameters: Empty (NULL), Boolean, Long, Double, Date, String. Text is
  // stored as UTF-8, a lone surrogate in it as U+FFFD.
  void execute(std::u16string_view sql, std::span<const Variant> params = {});
  // Runs a query and hands every row to `on_row` as the backend holds it: long answers are
  // written straight from there, with no value copied on the way.
  void for_each_row(std::u16string_view sql, std::span<const Variant> params,
                    const std::function<void(const Cursor&)>& on_row);
  // The SQL that selects a REAL column or expression so that Cursor::number reads it back as the
  // same Double. The native backend reads the Double itself; the ODBC driver hands a REAL over as
  // text of 15 digits, which changes the last bits of many amounts and makes the largest Double
  // infinite, so there SQLite writes it out with 21 digits first.
  static std::u16string exact_real(std::u16string_view expression);

  // Runs a query and reads each column as the given type; NULL reads as the type's zero value.
  std::vector<Row> query(std::u16string_view sql, std::span<const Variant> params,
                         std::span<const VarType> columns);

  // BEGIN IMMEDIATE takes the write lock at once, so a read-modify-write inside the
  // transaction cannot interleave with another process's.
  void begin_immediate() { execute(u"BEGIN IMMEDIATE"); }
  void commit() { execute(u"COMMIT"); }
  void rollback() noexcept {
    try {
      execute(u"ROLLBACK");
    } catch (...) {
      // Nothing to undo when the failure already ended the transaction.
    }
  }

 private:
  struct Handles;  // each backend's own
  explicit Database(std::unique_ptr<Handles> handles);
  std::unique_ptr<Handles> handles_;
};

// Runs `body` inside BEGIN IMMEDIATE … COMMIT; rolls back and rethrows on failure.
template <class F>
auto in_transaction(Database& db, F&& body) {
  db.begin_immediate();
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
