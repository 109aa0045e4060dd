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

}  // namespace

struct Database::Handles {
  sqlite3* db = nullptr;
  ~Handles() { sqlite3_close_v2(db); }
};

Database::Database(std::unique_ptr<Handles> handles) : handles_(std::move(handles)) {}
Database::~Database() = default;

std::unique_ptr<Database> Database::open(const std::u16string& path) {
  auto handles = std::make_unique<Handles>();
  // A connection belongs to one data-access object on the host's thread: it needs none of the
  // library's locking, which otherwise takes a mutex for every value read.
  int rc =
      sqlite3_open_v2(utf16_to_utf8(path).c_str(), &handles->db,
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    if (!handles->db)
      throw Error(kDatabaseError, u"Cannot open the database: out of memory", kSdkSource);
    fail(handles->db, u"Cannot open the database");
  }
  sqlite3_busy_timeout(handles->db, busy_timeout());
  // Checks each cell's size against its page as it is read: a damaged page then fails as
  // malformed instead of handing back rows read from the wrong bytes.
  sqlite3_exec(handles->db, "PRAGMA cell_size_check = ON", nullptr, nullptr, nullptr);
  // SQLite opens any file without looking into it; the schema read tells a database from one that
  // is held, damaged or no database at all while the caller can still say which file it was.
  if (sqlite3_exec(handles->db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) !=
      SQLITE_OK)
    fail(handles->db, u"Cannot open the database");
  return std::unique_ptr<Database>(new Database(std::move(handles)));
}

std::u16string Database::exact_real(std::u16string_view expression) {
  return std::u16string(expression);
}

void Database::execute(std::u16string_view sql, std::span<const Variant> params) {
  Statement st(handles_->db, sql);
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

void Database::for_each_row(std::u16string_view sql, std::span<const Variant> params,
                            const std::function<void(const Cursor&)>& on_row) {
  Statement st(handles_->db, sql);
  st.bind(params);
  SqliteCursor cursor(st.get());
  while (st.step()) on_row(cursor);
}

}  // namespace halvora::sdk
