#include "sdk/database.h"

// The ODBC headers need the types of <windows.h>, so it comes first.
#include <windows.h>

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
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

std::u16string diagnostics(SQLSMALLINT kind, SQLHANDLE handle) {
  std::u16string out;
  SQLWCHAR state[6];
  SQLWCHAR text[512];
  SQLINTEGER native = 0;
  SQLSMALLINT length = 0;
  for (SQLSMALLINT i = 1;
       SQL_SUCCEEDED(SQLGetDiagRecW(kind, handle, i, state, &native, text, 512, &length)); ++i) {
    if (!out.empty()) out += u"; ";
    out.append(reinterpret_cast<const char16_t*>(text),
               static_cast<std::size_t>(length < 0 ? 0 : (length > 511 ? 511 : length)));
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

// The names the SQLite ODBC driver goes by: its Windows installer registers the first, unixODBC
// (which Wine's odbc32 hands every call to) the second. HALVORA_SDK_ODBC_DRIVER names another,
// tried before them.
constexpr const char16_t* kDriverNames[] = {u"SQLite3 ODBC Driver", u"SQLite3"};

std::optional<std::u16string> configured_driver() {
  wchar_t value[256];
  DWORD length = GetEnvironmentVariableW(L"HALVORA_SDK_ODBC_DRIVER", value, 256);
  if (length == 0 || length >= 256) return std::nullopt;
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
std::vector<std::u16string> driver_names(SQLHENV env) {
  std::vector<std::u16string> wanted;
  if (std::optional<std::u16string> configured = configured_driver()) wanted.push_back(*configured);
  for (const char16_t* name : kDriverNames) wanted.emplace_back(name);
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

std::u16string connect_failure(SQLHDBC dbc) {
  std::u16string text = diagnostics(SQL_HANDLE_DBC, dbc);
  SQLWCHAR state[6];
  SQLINTEGER native = 0;
  SQLSMALLINT length = 0;
  if (SQL_SUCCEEDED(SQLGetDiagRecW(SQL_HANDLE_DBC, dbc, 1, state, &native, nullptr, 0, &length))) {
    const char16_t* reason = sqlite_reason(native);
    if (reason && text.find(reason) == std::u16string::npos) text += u": " + std::u16string(reason);
  }
  return text;
}

// The driver opens any file without looking into it; reading the schema tells a database from
// one that is held by another process, damaged or no database at all, with the driver's words.
void read_schema(SQLHDBC dbc) {
  Statement st(dbc);
  std::u16string sql = u"SELECT count(*) FROM sqlite_master";
  SQLRETURN rc = SQLExecDirectW(st.get(), wide(sql), SQL_NTS);
  if (SQL_SUCCEEDED(rc)) rc = SQLFetch(st.get());
  if (!SQL_SUCCEEDED(rc)) fail(SQL_HANDLE_STMT, st.get(), u"Cannot open the database");
}

}  // namespace

struct Database::Handles {
  SQLHENV env = nullptr;
  SQLHDBC dbc = nullptr;
  ~Handles() {
    if (dbc) {
      SQLDisconnect(dbc);
      SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    }
    if (env) SQLFreeHandle(SQL_HANDLE_ENV, env);
  }
};

Database::Database(std::unique_ptr<Handles> handles) : handles_(std::move(handles)) {}
Database::~Database() = default;

std::unique_ptr<Database> Database::open(const std::u16string& path) {
  // The path goes into a connection string, where a ";" would start another attribute.
  if (path.find(u';') != std::u16string::npos)
    throw Error(kDatabaseError, u"Cannot open the database: \";\" in its path", kSdkSource);
  auto handles = std::make_unique<Handles>();
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &handles->env)))
    throw Error(kDatabaseError, u"The ODBC driver manager is not available", kSdkSource);
  SQLSetEnvAttr(handles->env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  std::u16string failure;
  for (const std::u16string& name : driver_names(handles->env)) {
    SQLHDBC dbc = nullptr;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, handles->env, &dbc)))
      fail(SQL_HANDLE_ENV, handles->env, u"Cannot open the database");
    // Timeout: the driver's own wait for a lock, which covers only the settings it makes while it
    // connects; it ignores their failure, and the schema read after it waits the busy time-out
    // (set through SQLite) and tells. A wait of the driver's there would come on top of that one.
    std::u16string connect = u"Driver=" + braced(name) + u";Database=" + path + u";Timeout=1;";
    SQLRETURN rc = SQLDriverConnectW(dbc, nullptr, wide(connect), SQL_NTS, nullptr, 0, nullptr,
                                     SQL_DRIVER_NOPROMPT);
    if (SQL_SUCCEEDED(rc)) {
      handles->dbc = dbc;
      break;
    }
    // The first failure tells most: the later names are only there in case it was the name.
    if (failure.empty()) failure = connect_failure(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
  }
  if (!handles->dbc)
    throw Error(kDatabaseError, u"Cannot open the database: " + failure, kSdkSource);
  std::unique_ptr<Database> db(new Database(std::move(handles)));
  // The driver keeps a wait of its own; the native build's, set through SQLite itself, makes both
  // builds give up on a stuck lock alike.
  db->execute(u"PRAGMA busy_timeout = " + utf8_to_utf16(std::to_string(busy_timeout())));
  // As natively: a damaged page fails as malformed rather than answer rows from the wrong bytes.
  db->execute(u"PRAGMA cell_size_check = ON");
  read_schema(db->handles_->dbc);
  return db;
}

// Values from 2^-52 to 2^63, every amount, count and date among them, travel as integers, which
// the driver carries exactly: the whole part and one 52-bit piece of the fraction (two below 1),
// cut with subtractions and multiplications by 2^52, all exact in binary. Zero is "0" (its sign
// dropped, as the answers write it anyway). Larger and smaller values go as SQLite writes them
// with 21 digits, which round-trips when SQLite computes in extended precision (see
// ExtendedPrecision).
std::u16string Database::exact_real(std::u16string_view expression) {
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

void Database::execute(std::u16string_view sql, std::span<const Variant> params) {
  Statement st(handles_->dbc);
  std::vector<Bound> bound;
  run(st.get(), sql, params, bound);
}

void Database::for_each_row(std::u16string_view sql, std::span<const Variant> params,
                            const std::function<void(const Cursor&)>& on_row) {
  ExtendedPrecision extended;
  Statement st(handles_->dbc);
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

}  // namespace halvora::sdk
