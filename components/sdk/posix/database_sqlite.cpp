#include <sqlite3.h>

#include "automation/conversions.h"
#include "automation/error.h"
#include "automation/text.h"
#include "sdk/database.h"

namespace halvora::sdk {

namespace {

[[noreturn]] void fail(sqlite3* db, std::u16string_view what) {
  throw Error(kDatabaseError, std::u16string(what) + u": " + utf8_to_utf16(sqlite3_errmsg(db)),
              kSdkSource);
}

// A prepared statement finalized on every path.
class Statement {
 public:
  Statement(sqlite3* db, std::u16string_view sql) : db_(db) {
    std::string text = utf16_to_utf8(sql);
    if (sqlite3_prepare_v2(db, text.c_str(), static_cast<int>(text.size()), &handle_, nullptr) !=
        SQLITE_OK)
      fail(db, u"Cannot prepare a statement");
  }
  ~Statement() { sqlite3_finalize(handle_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  void bind(std::span<const Variant> params) {
    for (std::size_t i = 0; i < params.size(); ++i) {
      const Variant& v = params[i];
      int n = static_cast<int>(i + 1);
      int rc;
      switch (v.type()) {
        case VarType::Empty:
        case VarType::Null:
          rc = sqlite3_bind_null(handle_, n);
          break;
        case VarType::Boolean:
          rc = sqlite3_bind_int64(handle_, n, v.get<bool>() ? 1 : 0);
          break;
        case VarType::Integer:
        case VarType::Long:
          rc = sqlite3_bind_int64(handle_, n, to_long(v));
          break;
        case VarType::Double:
          rc = sqlite3_bind_double(handle_, n, v.get<double>());
          break;
        case VarType::Date:
          rc = sqlite3_bind_double(handle_, n, v.get<Date>().serial);
          break;
        default: {
          // Converted here, where a lone surrogate becomes U+FFFD: SQLite's own conversion of
          // UTF-16 would pair it with the next character and store neither.
          std::string text = utf16_to_utf8(to_string(v));
          rc = sqlite3_bind_text(handle_, n, text.data(), static_cast<int>(text.size()),
                                 SQLITE_TRANSIENT);
          break;
        }
      }
      if (rc != SQLITE_OK) fail(db_, u"Cannot bind a value");
    }
  }

  // True while there is a row to read.
  bool step() {
    int rc = sqlite3_step(handle_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    fail(db_, u"Statement failed");
  }

  sqlite3_stmt* get() const { return handle_; }

 private:
  sqlite3* db_;
  sqlite3_stmt* handle_ = nullptr;
};

class SqliteDatabase final : public Database {
 public:
  explicit SqliteDatabase(sqlite3* db) : Database(Engine::Sqlite), db_(db) {}
  ~SqliteDatabase() override { sqlite3_close_v2(db_); }

  void execute(std::u16string_view sql, std::span<const Variant> params) override;
  void for_each_row(std::u16string_view sql, std::span<const Variant> params,
                    const std::function<void(const Cursor&)>& on_row) override;
  void begin_write() override { execute(u"BEGIN IMMEDIATE", {}); }
  void commit() override { execute(u"COMMIT", {}); }
  void rollback() noexcept override {
    try {
      execute(u"ROLLBACK", {});
    } catch (...) {
    }
  }

 private:
  sqlite3* db_;
};

}  // namespace

std::unique_ptr<Database> Database::open(const std::u16string& path) {
  sqlite3* handle = nullptr;
  // A connection belongs to one data-access object on the host's thread: it needs none of the
  // library's locking, which otherwise takes a mutex for every value read.
  int rc =
      sqlite3_open_v2(utf16_to_utf8(path).c_str(), &handle,
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (!handle) throw Error(kDatabaseError, u"Cannot open the database: out of memory", kSdkSource);
  // Closed on every path from here.
  auto db = std::make_unique<SqliteDatabase>(handle);
  if (rc != SQLITE_OK) fail(handle, u"Cannot open the database");
  sqlite3_busy_timeout(handle, busy_timeout());
  // Checks each cell's size against its page as it is read: a damaged page then fails as
  // malformed instead of handing back rows read from the wrong bytes.
  sqlite3_exec(handle, "PRAGMA cell_size_check = ON", nullptr, nullptr, nullptr);
  // SQLite opens any file without looking into it; the schema read tells a database from one that
  // is held, damaged or no database at all while the caller can still say which file it was.
  if (sqlite3_exec(handle, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) !=
      SQLITE_OK)
    fail(handle, u"Cannot open the database");
  return db;
}

void SqliteDatabase::execute(std::u16string_view sql, std::span<const Variant> params) {
  Statement st(db_, sql);
  st.bind(params);
  while (st.step()) {
  }
}

namespace {

class SqliteCursor final : public Database::Cursor {
 public:
  explicit SqliteCursor(sqlite3_stmt* st) : st_(st) {}

  // The file keeps UTF-8: read it as stored and convert once, into the caller's text, rather
  // than have SQLite convert into a buffer of its own first.
  void append_text(int column, std::u16string& out) const override {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st_, column));
    if (!text) return;
    append_utf8(
        out, std::string_view(text, static_cast<std::size_t>(sqlite3_column_bytes(st_, column))));
  }
  double number(int column) const override { return sqlite3_column_double(st_, column); }
  int64_t integer(int column) const override { return sqlite3_column_int64(st_, column); }

 private:
  sqlite3_stmt* st_;
};

}  // namespace

void SqliteDatabase::for_each_row(std::u16string_view sql, std::span<const Variant> params,
                                  const std::function<void(const Cursor&)>& on_row) {
  Statement st(db_, sql);
  st.bind(params);
  SqliteCursor cursor(st.get());
  while (st.step()) on_row(cursor);
}

}  // namespace halvora::sdk
