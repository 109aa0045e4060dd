#include "sdk/database.h"

// The ODBC headers need the types of <windows.h>, so it comes first.
#include <windows.h>

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "automation/conversions.h"
#include "automation/error.h"
#include "automation/text.h"

namespace halvora::sdk {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "ODBC wide text is UTF-16 on both builds");

namespace {

SQLWCHAR* wide(std::u16string& s) {
  return reinterpret_cast<SQLWCHAR*>(s.data());
}

// A driver's message as one line: the PostgreSQL driver passes on the server's, which may span
// lines and end in a line break.
void append_one_line(std::u16string& out, std::u16string_view text) {
  bool space = false;
  for (char16_t c : text) {
    if (c == u'\n' || c == u'\r' || c == u'\t' || c == u' ') {
      space = true;
      continue;
    }
    if (space && !out.empty() && out.back() != u' ') out += u' ';
    space = false;
    out += c;
  }
}

std::u16string diagnostics(SQLSMALLINT kind, SQLHANDLE handle) {
  std::u16string out;
  SQLWCHAR state[6];
  SQLWCHAR text[512];
  SQLINTEGER native = 0;
  SQLSMALLINT length = 0;
  for (SQLSMALLINT i = 1;
       SQL_SUCCEEDED(SQLGetDiagRecW(kind, handle, i, state, &native, text, 512, &length)); ++i) {
    if (!out.empty()) out += u"; ";
    append_one_line(out, std::u16string_view(reinterpret_cast<const char16_t*>(text),
                                             static_cast<std::size_t>(
                                                 length < 0 ? 0 : (length > 511 ? 511 : length))));
  }
  return out.empty() ? u"unknown failure" : out;
}

[[noreturn]] void fail(SQLSMALLINT kind, SQLHANDLE handle, std::u16string_view what) {
  throw Error(kDatabaseError, std::u16string(what) + u": " + diagnostics(kind, handle), kSdkSource);
}

// A statement handle freed on every path.
class Statement {
 public:
  explicit Statement(SQLHDBC dbc) {
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &handle_)))
      fail(SQL_HANDLE_DBC, dbc, u"Cannot prepare a statement");
  }
  ~Statement() { SQLFreeHandle(SQL_HANDLE_STMT, handle_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  SQLHSTMT get() const { return handle_; }

 private:
  SQLHSTMT handle_ = nullptr;
};

// Parameter buffers must stay put until the statement has run.
struct Bound {
  std::u16string text;
  double number = 0;
  SQLBIGINT integer = 0;
  SQLLEN indicator = 0;
};

void run(SQLHSTMT st, std::u16string_view sql, std::span<const Variant> params,
         std::vector<Bound>& bound) {
  std::u16string text(sql);
  if (!SQL_SUCCEEDED(SQLPrepareW(st, wide(text), SQL_NTS)))
    fail(SQL_HANDLE_STMT, st, u"Cannot prepare a statement");
  bound.resize(params.size());
  for (std::size_t i = 0; i < params.size(); ++i) {
    const Variant& v = params[i];
    Bound& b = bound[i];
    auto n = static_cast<SQLUSMALLINT>(i + 1);
    SQLRETURN rc;
    switch (v.type()) {
      case VarType::Empty:
      case VarType::Null:
        b.indicator = SQL_NULL_DATA;
        rc = SQLBindParameter(st, n, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR, 1, 0, wide(b.text),
                              0, &b.indicator);
        break;
      case VarType::Boolean:
      case VarType::Integer:
      case VarType::Long:
        b.integer = v.type() == VarType::Boolean ? (v.get<bool>() ? 1 : 0) : to_long(v);
        rc = SQLBindParameter(st, n, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 0, 0, &b.integer,
                              0, &b.indicator);
        break;
      case VarType::Double:
      case VarType::Date:
        b.number = v.type() == VarType::Date ? v.get<Date>().serial : v.get<double>();
        rc = SQLBindParameter(st, n, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 0, 0, &b.number, 0,
                              &b.indicator);
        break;
      default:
        // The driver converts to UTF-8 itself; handed a lone surrogate it could pair it with the
        // next character. Well-formed text stores as the native build stores it.
        b.text = well_formed_utf16(to_string(v));
        b.indicator = static_cast<SQLLEN>(b.text.size() * sizeof(char16_t));
        rc = SQLBindParameter(st, n, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR,
                              b.text.empty() ? 1 : b.text.size(), 0, wide(b.text), b.indicator,
                              &b.indicator);
        break;
    }
    if (!SQL_SUCCEEDED(rc)) fail(SQL_HANDLE_STMT, st, u"Cannot bind a value");
  }
  SQLRETURN rc = SQLExecute(st);
  if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) fail(SQL_HANDLE_STMT, st, u"Statement failed");
}

// Text arrives in pieces as long as the buffer; all of them go onto `out`.
void append_column_text(SQLHSTMT st, SQLUSMALLINT column, std::u16string& out) {
  char16_t buffer[1024];
  for (;;) {
    SQLLEN length = 0;
    SQLRETURN rc = SQLGetData(st, column, SQL_C_WCHAR, buffer, sizeof buffer, &length);
    if (rc == SQL_NO_DATA) break;
    if (!SQL_SUCCEEDED(rc)) fail(SQL_HANDLE_STMT, st, u"Cannot read a value");
    if (length == SQL_NULL_DATA) break;
    std::size_t room = sizeof buffer / sizeof(char16_t) - 1;
    std::size_t got = (length == SQL_NO_TOTAL || static_cast<std::size_t>(length) / 2 > room)
                          ? room
                          : static_cast<std::size_t>(length) / 2;
    out.append(buffer, got);
    if (rc == SQL_SUCCESS) break;
  }
}

template <class T>
T read_fixed(SQLHSTMT st, SQLUSMALLINT column, SQLSMALLINT c_type) {
  T value{};
  SQLLEN length = 0;
  if (!SQL_SUCCEEDED(SQLGetData(st, column, c_type, &value, 0, &length)))
    fail(SQL_HANDLE_STMT, st, u"Cannot read a value");
  return length == SQL_NULL_DATA ? T{} : value;
}

class OdbcCursor final : public Database::Cursor {
 public:
  explicit OdbcCursor(SQLHSTMT st) : st_(st) {}
  void append_text(int column, std::u16string& out) const override {
    append_column_text(st_, number_of(column), out);
  }
  // Read as text, in one of the two forms of exact_real (a plain number, as from a column not
  // selected through it, reads too): the driver's own conversion to a double goes through 15
  // digits.
  double number(int column) const override {
    std::u16string text;
    append_column_text(st_, number_of(column), text);
    std::string ascii(text.begin(), text.end());
    const char* p = ascii.data();
    const char* end = p + ascii.size();
    int64_t parts[3] = {0, 0, 0};
    if (auto spaces = std::count(p, end, ' '); spaces == 1 || spaces == 2) {
      for (int64_t& part : parts) {
        p = std::from_chars(p, end, part).ptr;
        if (p != end) ++p;
      }
      // Each step is exact: the parts are below 2^53 (but the first, a double's whole part), the
      // fraction and the whole value are doubles.
      return static_cast<double>(parts[0]) + (std::ldexp(static_cast<double>(parts[1]), -52) +
                                              std::ldexp(static_cast<double>(parts[2]), -104));
    }
    if (ascii == "Infinity") return std::numeric_limits<double>::infinity();
    if (ascii == "-Infinity") return -std::numeric_limits<double>::infinity();
    if (ascii == "NaN") return std::numeric_limits<double>::quiet_NaN();
    double value = 0;
    std::from_chars(p, end, value);
    return value;
  }
  int64_t integer(int column) const override {
    return read_fixed<SQLBIGINT>(st_, number_of(column), SQL_C_SBIGINT);
  }

 private:
  // ODBC counts columns from 1.
  static SQLUSMALLINT number_of(int column) { return static_cast<SQLUSMALLINT>(column + 1); }
  SQLHSTMT st_;
};

// SQLite writes a REAL as text with long double arithmetic; a Windows process runs the x87 unit
// at 53 bits by default, which cuts that short (1001 came out as 1.00099999999999988986e+03).
// While a query's rows are read, the unit computes at its full 64 bits; the host's setting comes
// back after. Nothing else is changed: doubles themselves are computed in SSE registers.
class ExtendedPrecision {
 public:
  ExtendedPrecision() {
#if defined(__x86_64__) || defined(__i386__)
    __asm__ volatile("fnstcw %0" : "=m"(saved_));
    unsigned short full = saved_ | 0x300;  // precision control: 64 bits
    __asm__ volatile("fldcw %0" : : "m"(full));
#endif
  }
  ~ExtendedPrecision() {
#if defined(__x86_64__) || defined(__i386__)
    __asm__ volatile("fldcw %0" : : "m"(saved_));
#endif
  }
  ExtendedPrecision(const ExtendedPrecision&) = delete;
  ExtendedPrecision& operator=(const ExtendedPrecision&) = delete;

 private:
  unsigned short saved_ = 0;
};

// The names each engine's ODBC driver goes by, and the variable that names another, tried
// before them. SQLite's: its Windows installer registers the first, unixODBC (which Wine's odbc32
// hands every call to) the second. PostgreSQL's: the 64-bit and 32-bit names of its Windows
// installer; unixODBC's name is the second too.
struct DriverNames {
  const wchar_t* variable;
  std::vector<const char16_t*> names;
};

const DriverNames& driver_names_of(Engine engine) {
  static const DriverNames sqlite{L"HALVORA_SDK_ODBC_DRIVER", {u"SQLite3 ODBC Driver", u"SQLite3"}};
  static const DriverNames postgres{L"HALVORA_SDK_ODBC_PG_DRIVER",
                                    {u"PostgreSQL Unicode(x64)", u"PostgreSQL Unicode"}};
  return engine == Engine::Sqlite ? sqlite : postgres;
}

std::optional<std::u16string> environment(const wchar_t* name) {
  wchar_t value[1024];
  DWORD length = GetEnvironmentVariableW(name, value, 1024);
  if (length == 0 || length >= 1024) return std::nullopt;
  return std::u16string(value, value + length);
}

// The drivers the driver manager knows. Asked rather than found by failing to connect: for a
// name it does not know, Windows answers IM002 but unixODBC tries to load a library of that name.
std::vector<std::u16string> installed_drivers(SQLHENV env) {
  std::vector<std::u16string> names;
  SQLWCHAR name[256];
  SQLWCHAR attributes[2];
  SQLSMALLINT name_length = 0, attributes_length = 0;
  SQLUSMALLINT direction = SQL_FETCH_FIRST;
  while (SQL_SUCCEEDED(
      SQLDriversW(env, direction, name, 256, &name_length, attributes, 2, &attributes_length))) {
    auto length = static_cast<std::size_t>(name_length < 0 ? 0 : std::min<int>(name_length, 255));
    names.emplace_back(reinterpret_cast<const char16_t*>(name), length);
    direction = SQL_FETCH_NEXT;
  }
  return names;
}

// The names to connect with, in order: the configured one and the known ones that the driver
// manager has; all of them when it lists none of them (it may not list at all).
std::vector<std::u16string> driver_names(SQLHENV env, Engine engine) {
  const DriverNames& known = driver_names_of(engine);
  std::vector<std::u16string> wanted;
  if (std::optional<std::u16string> configured = environment(known.variable))
    wanted.push_back(*configured);
  for (const char16_t* name : known.names) wanted.emplace_back(name);
  std::vector<std::u16string> installed = installed_drivers(env);
  std::vector<std::u16string> present;
  for (const std::u16string& name : wanted) {
    for (const std::u16string& known : installed) {
      if (iequals(name, known)) {
        present.push_back(name);
        break;
      }
    }
  }
  return present.empty() ? wanted : present;
}

// A driver name as a connection-string value: in braces, a closing brace doubled.
std::u16string braced(std::u16string_view name) {
  std::u16string out = u"{";
  for (char16_t c : name) {
    out += c;
    if (c == u'}') out += u'}';
  }
  return out + u"}";
}

// SQLite's words for the result codes that opening a file can end in. A driver that cannot open
// the file says only "connect failed", with SQLite's code as the native error: the words are added
// from here, so that both builds tell the same reason.
const char16_t* sqlite_reason(SQLINTEGER code) {
  switch (code & 0xff) {  // an extended code keeps the primary one in its low byte
    case 3:
      return u"access permission denied";
    case 5:
      return u"database is locked";
    case 10:
      return u"disk I/O error";
    case 11:
      return u"database disk image is malformed";
    case 14:
      return u"unable to open database file";
    case 26:
      return u"file is not a database";
    default:
      return nullptr;
  }
}

std::u16string connect_failure(SQLHDBC dbc, Engine engine) {
  std::u16string text = diagnostics(SQL_HANDLE_DBC, dbc);
  if (engine != Engine::Sqlite) return text;
  SQLWCHAR state[6];
  SQLINTEGER native = 0;
  SQLSMALLINT length = 0;
  if (SQL_SUCCEEDED(SQLGetDiagRecW(SQL_HANDLE_DBC, dbc, 1, state, &native, nullptr, 0, &length))) {
    const char16_t* reason = sqlite_reason(native);
    if (reason && text.find(reason) == std::u16string::npos) text += u": " + std::u16string(reason);
  }
  return text;
}

// A connection attribute value: as it is, or in braces where it holds what would end it. The
// PostgreSQL driver hands a braced value to libpq with its braces for some attributes (the port
// among them), so only values that need them get them.
std::u16string attribute(std::u16string_view value) {
  bool plain = value.find_first_of(u";{}=") == std::u16string_view::npos &&
               (value.empty() || (value.front() != u' ' && value.back() != u' '));
  return plain ? std::u16string(value) : braced(value);
}

int hex_digit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// A piece of a location with its %XX escapes read, as UTF-8 bytes.
std::u16string percent_decoded(std::u16string_view text) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'%' && i + 2 < text.size() && hex_digit(text[i + 1]) >= 0 &&
        hex_digit(text[i + 2]) >= 0) {
      bytes += static_cast<char>(hex_digit(text[i + 1]) * 16 + hex_digit(text[i + 2]));
      i += 2;
    } else {
      bytes += utf16_to_utf8(text.substr(i, 1));
    }
  }
  return utf8_to_utf16(bytes);
}

// A libpq connection parameter's value, quoted as its connection strings quote one.
std::u16string libpq_quoted(std::u16string_view value) {
  std::u16string out = u"'";
  for (char16_t c : value) {
    if (c == u'\\' || c == u'\'') out += u'\\';
    out += c;
  }
  return out + u"'";
}

// A postgresql:// location's parts: the server, port, database, user and password of the
// location, or else of the PG* environment variables that libpq reads natively; its other
// parameters (sslmode, options, …), which go to the driver's libpq as they are.
struct ServerParts {
  std::u16string host, port, database, user, password, options;
};

ServerParts server_parts(std::u16string_view location) {
  std::u16string rest(location.substr(location.find(u"://") + 3));
  std::u16string query;
  if (std::size_t mark = rest.find(u'?'); mark != std::u16string::npos) {
    query = rest.substr(mark + 1);
    rest.resize(mark);
  }
  std::u16string database;
  if (std::size_t slash = rest.find(u'/'); slash != std::u16string::npos) {
    database = percent_decoded(rest.substr(slash + 1));
    rest.resize(slash);
  }
  std::u16string user, password;
  if (std::size_t at = rest.rfind(u'@'); at != std::u16string::npos) {
    std::u16string credentials = rest.substr(0, at);
    rest.erase(0, at + 1);
    std::size_t colon = credentials.find(u':');
    user = percent_decoded(credentials.substr(0, colon));
    if (colon != std::u16string::npos) password = percent_decoded(credentials.substr(colon + 1));
  }
  std::u16string host = rest, port;
  // [::1]:5432, or host:5432
  std::size_t colon = host.rfind(u':');
  if (colon != std::u16string::npos && host.find(u']', colon) == std::u16string::npos) {
    port = host.substr(colon + 1);
    host.resize(colon);
  }
  if (host.size() >= 2 && host.front() == u'[' && host.back() == u']')
    host = host.substr(1, host.size() - 2);
  host = percent_decoded(host);
  auto or_environment = [](std::u16string& value, const wchar_t* name) {
    if (value.empty())
      if (std::optional<std::u16string> set = environment(name)) value = *set;
  };
  or_environment(host, L"PGHOST");
  or_environment(port, L"PGPORT");
  or_environment(user, L"PGUSER");
  or_environment(password, L"PGPASSWORD");
  or_environment(database, L"PGDATABASE");
  if (host.empty()) host = u"localhost";
  if (port.empty()) port = u"5432";
  if (database.empty()) database = user;
  std::u16string options;
  while (!query.empty()) {
    std::size_t amp = query.find(u'&');
    std::u16string pair = query.substr(0, amp);
    query = amp == std::u16string::npos ? u"" : query.substr(amp + 1);
    std::size_t equals = pair.find(u'=');
    if (pair.empty() || equals == std::u16string::npos) continue;
    if (!options.empty()) options += u" ";
    options += percent_decoded(pair.substr(0, equals)) + u"=" +
               libpq_quoted(percent_decoded(pair.substr(equals + 1)));
  }
  return {host, port, database, user, password, options};
}

// The connection string attributes of a server's database, without the driver.
std::u16string server_attributes(const ServerParts& p) {
  std::u16string out = u"Server=" + attribute(p.host) + u";Port=" + attribute(p.port) +
                       u";Database=" + attribute(p.database) + u";";
  if (!p.user.empty()) out += u"Uid=" + attribute(p.user) + u";";
  if (!p.password.empty()) out += u"Pwd=" + attribute(p.password) + u";";
  if (!p.options.empty()) out += u"pqopt=" + attribute(p.options) + u";";
  return out;
}

class OdbcDatabase final : public Database {
 public:
  explicit OdbcDatabase(Engine engine) : Database(engine) {}
  ~OdbcDatabase() override { disconnect(); }

  // Connects with the first driver name that opens the database; `attributes` follow the
  // driver's name in the connection string.
  void connect(const std::u16string& attributes) {
    attributes_ = attributes;
    if (!env_) {
      if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_)))
        throw Error(kDatabaseError, u"The ODBC driver manager is not available", kSdkSource);
      SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    }
    std::u16string failure;
    for (const std::u16string& name : driver_names(env_, engine())) {
      SQLHDBC dbc = nullptr;
      if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc)))
        fail(SQL_HANDLE_ENV, env_, u"Cannot open the database");
      std::u16string connect = u"Driver=" + braced(name) + u";" + attributes;
      SQLRETURN rc = SQLDriverConnectW(dbc, nullptr, wide(connect), SQL_NTS, nullptr, 0, nullptr,
                                       SQL_DRIVER_NOPROMPT);
      if (SQL_SUCCEEDED(rc)) {
        dbc_ = dbc;
        break;
      }
      // The first failure tells most: the later names are only there in case it was the name.
      if (failure.empty()) failure = connect_failure(dbc, engine());
      SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    }
    if (!dbc_) throw Error(kDatabaseError, u"Cannot open the database: " + failure, kSdkSource);
    if (engine() == Engine::Postgres) {
      // As natively: the lock wait both engines keep; every digit of a double comes back.
      execute(u"SET lock_timeout = " + utf8_to_utf16(std::to_string(busy_timeout())), {});
      execute(u"SET extra_float_digits = 3", {});
    }
  }

  void execute(std::u16string_view sql, std::span<const Variant> params) override {
    reconnect_if_broken();
    Statement st(dbc_);
    std::vector<Bound> bound;
    run(st.get(), sql, params, bound);
  }

  void for_each_row(std::u16string_view sql, std::span<const Variant> params,
                    const std::function<void(const Cursor&)>& on_row) override {
    reconnect_if_broken();
    ExtendedPrecision extended;
    Statement st(dbc_);
    std::vector<Bound> bound;
    run(st.get(), sql, params, bound);
    OdbcCursor cursor(st.get());
    for (;;) {
      SQLRETURN rc = SQLFetch(st.get());
      if (rc == SQL_NO_DATA) break;
      if (!SQL_SUCCEEDED(rc)) fail(SQL_HANDLE_STMT, st.get(), u"Cannot read a row");
      on_row(cursor);
    }
  }

  std::u16string exact_real(std::u16string_view expression) const override;

  // SQLite's driver runs BEGIN as a statement; the PostgreSQL driver keeps the transaction itself
  // and must be told through the connection (it would not know of a BEGIN it did not send).
  void begin_write() override {
    if (engine() == Engine::Sqlite) return execute(u"BEGIN IMMEDIATE", {});
    reconnect_if_broken();
    if (!SQL_SUCCEEDED(SQLSetConnectAttrW(dbc_, SQL_ATTR_AUTOCOMMIT,
                                          reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0)))
      fail(SQL_HANDLE_DBC, dbc_, u"Statement failed");
    in_transaction_ = true;
  }
  void commit() override {
    if (engine() == Engine::Sqlite) return execute(u"COMMIT", {});
    in_transaction_ = false;
    SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_COMMIT);
    if (!SQL_SUCCEEDED(rc)) {
      std::u16string why = diagnostics(SQL_HANDLE_DBC, dbc_);
      autocommit();
      throw Error(kDatabaseError, u"Statement failed: " + why, kSdkSource);
    }
    autocommit();
  }
  void rollback() noexcept override {
    if (engine() == Engine::Sqlite) {
      try {
        execute(u"ROLLBACK", {});
      } catch (...) {
      }
      return;
    }
    in_transaction_ = false;
    SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK);
    autocommit();
  }

 private:
  void autocommit() noexcept {
    SQLSetConnectAttrW(dbc_, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON),
                       0);
  }

  // A server connection that broke (the server restarted, the network went) is made again before
  // the next statement that stands outside a transaction, as natively; the statement that met
  // the break has failed already with the driver's words.
  // A reconnection that failed leaves no connection, and the next call tries again.
  void reconnect_if_broken() {
    if (engine() != Engine::Postgres) return;
    if (dbc_) {
      SQLUINTEGER dead = SQL_CD_FALSE;
      if (!SQL_SUCCEEDED(SQLGetConnectAttrW(dbc_, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)) ||
          dead != SQL_CD_TRUE)
        return;
    }
    if (in_transaction_)
      throw Error(kDatabaseError, u"Statement failed: the connection to the server was lost",
                  kSdkSource);
    disconnect_dbc();
    try {
      connect(attributes_);
    } catch (const Error& e) {
      throw Error(
          kDatabaseError,
          u"Cannot reach the database: " + e.description().substr(e.description().find(u": ") + 2),
          kSdkSource);
    }
  }

  void disconnect_dbc() noexcept {
    if (!dbc_) return;
    SQLDisconnect(dbc_);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    dbc_ = nullptr;
  }
  void disconnect() noexcept {
    disconnect_dbc();
    if (env_) SQLFreeHandle(SQL_HANDLE_ENV, env_);
    env_ = nullptr;
  }

  SQLHENV env_ = nullptr;
  SQLHDBC dbc_ = nullptr;
  std::u16string attributes_;
  bool in_transaction_ = false;
};

}  // namespace

std::unique_ptr<Database> Database::open(const std::u16string& path) {
  // The path goes into a connection string, where a ";" would start another attribute.
  if (path.find(u';') != std::u16string::npos)
    throw Error(kDatabaseError, u"Cannot open the database: \";\" in its path", kSdkSource);
  auto db = std::make_unique<OdbcDatabase>(Engine::Sqlite);
  // Timeout: the driver's own wait for a lock, which covers only the settings it makes while it
  // connects; it ignores their failure, and the schema read after it waits the busy time-out
  // (set through SQLite) and tells. A wait of the driver's there would come on top of that one.
  db->connect(u"Database=" + path + u";Timeout=1;");
  // The driver keeps a wait of its own; the native build's, set through SQLite itself, makes both
  // builds give up on a stuck lock alike.
  db->execute(u"PRAGMA busy_timeout = " + utf8_to_utf16(std::to_string(busy_timeout())), {});
  // As natively: a damaged page fails as malformed rather than answer rows from the wrong bytes.
  db->execute(u"PRAGMA cell_size_check = ON", {});
  // The driver opens any file without looking into it; reading the schema tells a database from
  // one that is held by another process, damaged or no database at all, with the driver's words.
  try {
    db->for_each_row(u"SELECT count(*) FROM sqlite_master", {}, [](const Cursor&) {});
  } catch (const Error& e) {
    throw Error(
        kDatabaseError,
        u"Cannot open the database: " + e.description().substr(e.description().find(u": ") + 2),
        kSdkSource);
  }
  return db;
}

// The database the server lacks is not made here: that is the native tool's work.
std::unique_ptr<Database> Database::open_server(const std::u16string& location, bool) {
  ServerParts parts = server_parts(location);
  auto db = std::make_unique<OdbcDatabase>(Engine::Postgres);
  try {
    db->connect(server_attributes(parts));
  } catch (const Error&) {
    // A server that answers but has no such database: nothing at the location, as natively.
    // Asked of its maintenance database with the same credentials; when that cannot be asked,
    // the first failure stands.
    bool exists = true;
    try {
      ServerParts maintenance_parts = parts;
      maintenance_parts.database = u"postgres";
      OdbcDatabase maintenance(Engine::Postgres);
      maintenance.connect(server_attributes(maintenance_parts));
      const Variant name[] = {Variant(parts.database)};
      exists = false;
      maintenance.for_each_row(u"SELECT 1 FROM pg_catalog.pg_database WHERE datname = ?", name,
                               [&](const Cursor&) { exists = true; });
    } catch (const Error&) {
      exists = true;
    }
    if (!exists) return nullptr;
    throw;
  }
  return db;
}

// Values from 2^-52 to 2^63, every amount, count and date among them, travel as integers, which
// the driver carries exactly: the whole part and one 52-bit piece of the fraction (two below 1),
// cut with subtractions and multiplications by 2^52, all exact in binary. Zero is "0" (its sign
// dropped, as the answers write it anyway). Larger and smaller values go as SQLite writes them
// with 21 digits, which round-trips when SQLite computes in extended precision (see
// ExtendedPrecision).
std::u16string OdbcDatabase::exact_real(std::u16string_view expression) const {
  if (engine() == Engine::Postgres) return std::u16string(expression);
  const std::u16string x = u"(" + std::u16string(expression) + u")";
  const std::u16string size = u"abs(" + x + u")";
  const std::u16string whole = u"CAST(" + x + u" AS INTEGER)";
  const std::u16string high = u"((" + x + u" - " + whole + u") * 4503599627370496)";
  const std::u16string high_part = u"CAST(" + high + u" AS INTEGER)";
  const std::u16string low_part =
      u"CAST((" + high + u" - " + high_part + u") * 4503599627370496 AS INTEGER)";
  return u"CASE WHEN " + size + u" >= 1 AND " + size +
         u" < 9223372036854775807 THEN printf('%d %d', " + whole + u", " + high_part + u") WHEN " +
         x + u" = 0 THEN '0' WHEN " + size + u" < 1 AND " + size +
         u" * 4503599627370496 >= 1 THEN printf('%d %d %d', " + whole + u", " + high_part + u", " +
         low_part + u") ELSE printf('%!.20e', " + x + u") END";
}

}  // namespace halvora::sdk
