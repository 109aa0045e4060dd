// The PostgreSQL backend of the native build, through libpq.
#include <libpq-fe.h>

#include <bit>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "automation/conversions.h"
#include "automation/error.h"
#include "automation/text.h"
#include "sdk/database.h"

namespace halvora::sdk {

namespace {

// Type identifiers of the parameters (pg_type.oid): fixed since the first releases.
constexpr Oid kInt8 = 20;
constexpr Oid kText = 25;
constexpr Oid kFloat8 = 701;

// libpq's messages span lines ("…failed: Connection refused\n\tIs the server running…"); an
// error description is one line.
std::u16string one_line(const char* message) {
  std::string out;
  bool space = false;
  for (const char* p = message ? message : ""; *p; ++p) {
    if (*p == '\n' || *p == '\t' || *p == '\r' || *p == ' ') {
      space = !out.empty();
      continue;
    }
    if (space) out += ' ';
    space = false;
    out += *p;
  }
  return utf8_to_utf16(out.empty() ? "unknown failure" : out);
}

[[noreturn]] void fail(std::u16string_view what, const std::u16string& why) {
  throw Error(kDatabaseError, std::u16string(what) + u": " + why, kSdkSource);
}

// The statement with "?" numbered as "$1", "$2", …; quoted text and names are left as they are.
std::string numbered(std::u16string_view sql) {
  std::string text = utf16_to_utf8(sql);
  std::string out;
  out.reserve(text.size() + 16);
  int next = 1;
  char quote = 0;
  for (char c : text) {
    if (quote) {
      if (c == quote) quote = 0;
      out += c;
    } else if (c == '\'' || c == '"') {
      quote = c;
      out += c;
    } else if (c == '?') {
      out += '$' + std::to_string(next++);
    } else {
      out += c;
    }
  }
  return out;
}

// A Double as the shortest text that reads back as the same value; the words the server reads
// for the values that have no digits.
std::string double_text(double value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";
  char buffer[32];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, end);
}

// Parameters in the text form the server reads, typed, so that a comparison or an assignment
// converts as it would with the engine's own values.
struct Parameters {
  std::vector<std::string> text;
  std::vector<const char*> values;
  std::vector<Oid> types;

  explicit Parameters(std::span<const Variant> params) {
    text.reserve(params.size());
    for (const Variant& v : params) {
      switch (v.type()) {
        case VarType::Empty:
        case VarType::Null:
          text.emplace_back();
          types.push_back(0);
          break;
        case VarType::Boolean:
          text.emplace_back(v.get<bool>() ? "1" : "0");
          types.push_back(kInt8);
          break;
        case VarType::Integer:
        case VarType::Long:
          text.push_back(std::to_string(to_long(v)));
          types.push_back(kInt8);
          break;
        case VarType::Double:
          text.push_back(double_text(v.get<double>()));
          types.push_back(kFloat8);
          break;
        case VarType::Date:
          text.push_back(double_text(v.get<Date>().serial));
          types.push_back(kFloat8);
          break;
        default: {
          std::string utf8 = utf16_to_utf8(to_string(v));
          // The server's text holds no NUL, and libpq would end the value there: refused rather
          // than stored cut short.
          if (utf8.find('\0') != std::string::npos)
            throw Error(kDatabaseError,
                        u"Statement failed: text with a NUL character cannot be stored",
                        kSdkSource);
          text.push_back(std::move(utf8));
          types.push_back(kText);
          break;
        }
      }
    }
    for (std::size_t i = 0; i < params.size(); ++i) {
      bool null = params[i].type() == VarType::Empty || params[i].type() == VarType::Null;
      values.push_back(null ? nullptr : text[i].c_str());
    }
  }
};

class Result {
 public:
  explicit Result(PGresult* result) : result_(result) {}
  Result(Result&& other) noexcept : result_(std::exchange(other.result_, nullptr)) {}
  ~Result() { PQclear(result_); }
  Result(const Result&) = delete;
  Result& operator=(const Result&) = delete;
  PGresult* get() const { return result_; }

 private:
  PGresult* result_;
};

// Results come in the binary form: the server then sends a double's 8 bytes rather than writing
// its shortest text, which for the long lists is most of its work, and the value arrives exact.
// Numbers are big-endian; text is the bytes of its UTF-8.
constexpr Oid kBool = 16;
constexpr Oid kInt2 = 21;
constexpr Oid kInt4 = 23;
constexpr Oid kFloat4 = 700;

uint64_t big_endian(const char* bytes, int length) {
  uint64_t value = 0;
  for (int i = 0; i < length; ++i) value = value << 8 | static_cast<unsigned char>(bytes[i]);
  return value;
}

class PostgresCursor final : public Database::Cursor {
 public:
  explicit PostgresCursor(const PGresult* result) : result_(result) {}
  void at(int row) { row_ = row; }

  void append_text(int column, std::u16string& out) const override {
    if (PQgetisnull(result_, row_, column)) return;
    append_utf8(out,
                std::string_view(PQgetvalue(result_, row_, column),
                                 static_cast<std::size_t>(PQgetlength(result_, row_, column))));
  }
  double number(int column) const override {
    if (PQgetisnull(result_, row_, column)) return 0;
    const char* bytes = PQgetvalue(result_, row_, column);
    switch (PQftype(result_, column)) {
      case kFloat8:
        return std::bit_cast<double>(big_endian(bytes, 8));
      case kFloat4:
        return std::bit_cast<float>(static_cast<uint32_t>(big_endian(bytes, 4)));
      default:
        return static_cast<double>(integer(column));
    }
  }
  int64_t integer(int column) const override {
    if (PQgetisnull(result_, row_, column)) return 0;
    const char* bytes = PQgetvalue(result_, row_, column);
    switch (PQftype(result_, column)) {
      case kInt8:
        return static_cast<int64_t>(big_endian(bytes, 8));
      case kInt4:
        return static_cast<int32_t>(big_endian(bytes, 4));
      case kInt2:
        return static_cast<int16_t>(big_endian(bytes, 2));
      case kBool:
        return bytes[0] != 0;
      case kFloat8:
      case kFloat4: {
        // A floating-point column read as an integer: cut toward zero, as SQLite does.
        double real = number(column);
        return std::isfinite(real) && std::fabs(real) < 9.2e18 ? static_cast<int64_t>(real) : 0;
      }
      default:
        throw Error(kDatabaseError, u"Cannot read a value: a column that holds no number",
                    kSdkSource);
    }
  }

 private:
  const PGresult* result_;
  int row_ = 0;
};

class PostgresDatabase final : public Database {
 public:
  explicit PostgresDatabase(PGconn* conn) : Database(Engine::Postgres), conn_(conn) {}
  ~PostgresDatabase() override { PQfinish(conn_); }

  // The session's settings, after a connection and after every reconnection.
  void prepare_session() {
    // The lock wait is the one both engines keep.
    std::string settings = "SET lock_timeout = " + std::to_string(busy_timeout());
    Result result(PQexec(conn_, settings.c_str()));
    if (PQresultStatus(result.get()) != PGRES_COMMAND_OK)
      fail(u"Cannot open the database", message(result.get()));
  }

  void execute(std::u16string_view sql, std::span<const Variant> params) override {
    Result result = run(sql, params);
    (void)result;
  }

  void for_each_row(std::u16string_view sql, std::span<const Variant> params,
                    const std::function<void(const Cursor&)>& on_row) override {
    Result result = run(sql, params);
    PostgresCursor cursor(result.get());
    int rows = PQntuples(result.get());
    for (int row = 0; row < rows; ++row) {
      cursor.at(row);
      on_row(cursor);
    }
  }

  void begin_write() override {
    execute(u"BEGIN", {});
    in_transaction_ = true;
  }
  void commit() override {
    in_transaction_ = false;
    execute(u"COMMIT", {});
  }
  void rollback() noexcept override {
    in_transaction_ = false;
    if (PQstatus(conn_) != CONNECTION_OK) return;
    PQclear(PQexec(conn_, "ROLLBACK"));
  }

 private:
  // The server's primary message, or the connection's when the server sent none (a connection
  // that broke mid-statement).
  std::u16string message(const PGresult* result) const {
    const char* primary = result ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    return one_line(primary ? primary : PQerrorMessage(conn_));
  }

  // A connection that broke (the server restarted, the network went) is made again before the
  // next statement that stands outside a transaction; the statement that met the break has
  // failed already, with the connection's words. Inside a transaction the break fails the rest
  // of it: what it did before is gone with it on the server.
  void reconnect_if_broken() {
    if (PQstatus(conn_) == CONNECTION_OK) return;
    if (in_transaction_) fail(u"Statement failed", one_line(PQerrorMessage(conn_)));
    PQreset(conn_);
    if (PQstatus(conn_) != CONNECTION_OK)
      fail(u"Cannot reach the database", one_line(PQerrorMessage(conn_)));
    prepare_session();
  }

  Result run(std::u16string_view sql, std::span<const Variant> params) {
    reconnect_if_broken();
    Parameters p(params);
    std::string text = numbered(sql);
    Result result(PQexecParams(conn_, text.c_str(), static_cast<int>(p.values.size()),
                               p.types.data(), p.values.data(), nullptr, nullptr, 1));
    ExecStatusType status = PQresultStatus(result.get());
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
      fail(u"Statement failed", message(result.get()));
    return result;
  }

  PGconn* conn_;
  bool in_transaction_ = false;
};

// libpq writes the server's notices ("relation … already exists, skipping") to standard error
// by default; a component prints nothing of its own.
void ignore_notice(void*, const char*) {}

// Connects to the location, or to another database of the same server and credentials.
PGconn* connect(const std::string& location, const char* database) {
  std::vector<const char*> keys, values;
  // A server that does not answer is given up after a while rather than waited on for minutes;
  // PGCONNECT_TIMEOUT or the location may say otherwise.
  if (!std::getenv("PGCONNECT_TIMEOUT")) {
    keys.push_back("connect_timeout");
    values.push_back("10");
  }
  keys.push_back("dbname");
  values.push_back(location.c_str());
  if (database) {
    // Only the first dbname is read as a location; this one names the database alone.
    keys.push_back("dbname");
    values.push_back(database);
  }
  keys.push_back("client_encoding");
  values.push_back("UTF8");
  keys.push_back("fallback_application_name");
  values.push_back("HALVORA");
  keys.push_back(nullptr);
  values.push_back(nullptr);
  PGconn* conn = PQconnectdbParams(keys.data(), values.data(), 1);
  if (!conn) throw Error(kDatabaseError, u"Cannot open the database: out of memory", kSdkSource);
  PQsetNoticeProcessor(conn, ignore_notice, nullptr);
  return conn;
}

// Whether the server the location reaches answers that it has no database of that name: asked
// of its maintenance database, with the same credentials. False when that cannot be asked.
bool lacks_database(const std::string& location, const std::string& name) {
  PGconn* conn = connect(location, "postgres");
  PostgresDatabase maintenance(conn);
  if (PQstatus(conn) != CONNECTION_OK) return false;
  const Variant key[] = {Variant(utf8_to_utf16(name))};
  bool exists = false;
  try {
    maintenance.for_each_row(u"SELECT 1 FROM pg_catalog.pg_database WHERE datname = ?", key,
                             [&](const Database::Cursor&) { exists = true; });
  } catch (const Error&) {
    return false;
  }
  return !exists;
}

// Makes the database the location names, through the server's maintenance database: UTF-8,
// which holds every text the substitute stores, and the C locale, which every server has.
void create_database(const std::string& location, const std::string& name) {
  PGconn* conn = connect(location, "postgres");
  PostgresDatabase maintenance(conn);
  if (PQstatus(conn) != CONNECTION_OK)
    fail(u"Cannot create the database", one_line(PQerrorMessage(conn)));
  const Variant key[] = {Variant(utf8_to_utf16(name))};
  bool exists = false;
  maintenance.for_each_row(u"SELECT 1 FROM pg_catalog.pg_database WHERE datname = ?", key,
                           [&](const Database::Cursor&) { exists = true; });
  if (exists) return;
  char* quoted = PQescapeIdentifier(conn, name.c_str(), name.size());
  if (!quoted) fail(u"Cannot create the database", one_line(PQerrorMessage(conn)));
  std::u16string sql = u"CREATE DATABASE " + utf8_to_utf16(quoted) +
                       u" TEMPLATE template0 ENCODING 'UTF8' LC_COLLATE 'C' LC_CTYPE 'C'";
  PQfreemem(quoted);
  maintenance.execute(sql, {});
}

}  // namespace

std::unique_ptr<Database> Database::open_server(const std::u16string& location, bool create) {
  std::string text = utf16_to_utf8(location);
  // libpq knows the scheme in small letters only; any other spelling would read as a database
  // name on the local socket.
  for (std::size_t i = 0; i < text.size() && text[i] != ':'; ++i)
    text[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
  PGconn* conn = connect(text, nullptr);
  auto db = std::make_unique<PostgresDatabase>(conn);
  if (PQstatus(conn) != CONNECTION_OK) {
    // The database libpq was to open, from the location or the environment.
    const char* name = PQdb(conn);
    std::u16string why = one_line(PQerrorMessage(conn));
    if (!name || !*name) fail(u"Cannot open the database", why);
    std::string database = name;
    if (!create) {
      if (lacks_database(text, database)) return nullptr;
      fail(u"Cannot open the database", why);
    }
    try {
      create_database(text, database);
    } catch (const Error&) {
      // The first failure tells what was wrong with the location itself.
      fail(u"Cannot open the database", why);
    }
    conn = connect(text, nullptr);
    db = std::make_unique<PostgresDatabase>(conn);
    if (PQstatus(conn) != CONNECTION_OK)
      fail(u"Cannot open the database", one_line(PQerrorMessage(conn)));
  }
  db->prepare_session();
  return db;
}

}  // namespace halvora::sdk
