#include "database.h"

// The ODBC headers need the types of <windows.h>, so it comes first.
#include <windows.h>

#include <sql.h>
#include <sqlext.h>

#include <cstring>
#include <type_traits>

#include "frame/conversions.h"
#include "frame/error.h"

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
        b.text = to_string(v);
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

std::u16string read_text(SQLHSTMT st, SQLUSMALLINT column, bool& null) {
  std::u16string out;
  char16_t buffer[1024];
  for (;;) {
    SQLLEN length = 0;
    SQLRETURN rc = SQLGetData(st, column, SQL_C_WCHAR, buffer, sizeof buffer, &length);
    if (rc == SQL_NO_DATA) break;
    if (!SQL_SUCCEEDED(rc)) fail(SQL_HANDLE_STMT, st, u"Cannot read a value");
    if (length == SQL_NULL_DATA) {
      null = true;
      break;
    }
    std::size_t room = sizeof buffer / sizeof(char16_t) - 1;
    std::size_t got = (length == SQL_NO_TOTAL || static_cast<std::size_t>(length) / 2 > room)
                          ? room
                          : static_cast<std::size_t>(length) / 2;
    out.append(buffer, got);
    if (rc == SQL_SUCCESS) break;
  }
  return out;
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
  SQLHDBC dbc = nullptr;
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, handles->env, &dbc)))
    fail(SQL_HANDLE_ENV, handles->env, u"Cannot open the database");
  std::u16string connect = u"Driver=SQLite3;Database=" + path + u";";
  SQLRETURN rc = SQLDriverConnectW(dbc, nullptr, wide(connect), SQL_NTS, nullptr, 0, nullptr,
                                   SQL_DRIVER_NOPROMPT);
  if (!SQL_SUCCEEDED(rc)) {
    std::u16string why = diagnostics(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    throw Error(kDatabaseError, u"Cannot open the database: " + why, kSdkSource);
  }
  handles->dbc = dbc;
  return std::unique_ptr<Database>(new Database(std::move(handles)));
}

void Database::execute(std::u16string_view sql, std::span<const Variant> params) {
  Statement st(handles_->dbc);
  std::vector<Bound> bound;
  run(st.get(), sql, params, bound);
}

std::vector<Row> Database::query(std::u16string_view sql, std::span<const Variant> params,
                                 std::span<const VarType> columns) {
  Statement st(handles_->dbc);
  std::vector<Bound> bound;
  run(st.get(), sql, params, bound);
  std::vector<Row> rows;
  for (;;) {
    SQLRETURN rc = SQLFetch(st.get());
    if (rc == SQL_NO_DATA) break;
    if (!SQL_SUCCEEDED(rc)) fail(SQL_HANDLE_STMT, st.get(), u"Cannot read a row");
    Row row;
    row.reserve(columns.size());
    for (std::size_t c = 0; c < columns.size(); ++c) {
      auto col = static_cast<SQLUSMALLINT>(c + 1);
      SQLLEN length = 0;
      switch (columns[c]) {
        case VarType::String: {
          bool null = false;
          row.emplace_back();
          row.back() = Variant(read_text(st.get(), col, null));
          break;
        }
        case VarType::Double:
        case VarType::Date: {
          double d = 0;
          if (!SQL_SUCCEEDED(SQLGetData(st.get(), col, SQL_C_DOUBLE, &d, 0, &length)))
            fail(SQL_HANDLE_STMT, st.get(), u"Cannot read a value");
          if (length == SQL_NULL_DATA) d = 0;
          if (columns[c] == VarType::Date)
            row.emplace_back(Date{d});
          else
            row.emplace_back(d);
          break;
        }
        default: {
          SQLBIGINT i = 0;
          if (!SQL_SUCCEEDED(SQLGetData(st.get(), col, SQL_C_SBIGINT, &i, 0, &length)))
            fail(SQL_HANDLE_STMT, st.get(), u"Cannot read a value");
          if (length == SQL_NULL_DATA) i = 0;
          if (columns[c] == VarType::Boolean)
            row.emplace_back(i != 0);
          else
            row.emplace_back(static_cast<int32_t>(i));
          break;
        }
      }
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace halvora::sdk
