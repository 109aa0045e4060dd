#include "sdk/store.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "automation/error.h"
#include "automation/text.h"
#include "sdk/os.h"

namespace halvora::sdk {

namespace {

constexpr std::size_t kSaltBytes = 16;
constexpr std::size_t kHashBytes = 32;
constexpr char16_t kHashScheme[] = u"pbkdf2-sha256";

const char16_t* sql_type(VarType type) {
  switch (type) {
    case VarType::Long:
    case VarType::Boolean:
      return u"INTEGER NOT NULL DEFAULT 0";
    case VarType::Double:
    case VarType::Date:
      return u"REAL NOT NULL DEFAULT 0";
    default:
      return u"TEXT NOT NULL DEFAULT ''";
  }
}

std::u16string quoted(std::u16string_view name) {
  return u"\"" + std::u16string(name) + u"\"";
}

std::u16string column_list(const RecordLayout& layout) {
  std::u16string out;
  for (const FieldInfo& f : layout.fields) {
    if (!out.empty()) out += u", ";
    out += quoted(f.name);
  }
  return out;
}

// A column as a query selects it: numbers in the form the backend reads back exactly.
std::u16string selected(std::u16string_view name, VarType type) {
  if (type == VarType::Double || type == VarType::Date) return Database::exact_real(quoted(name));
  return quoted(name);
}

std::u16string selected_list(const RecordLayout& layout) {
  std::u16string out;
  for (const FieldInfo& f : layout.fields) {
    if (!out.empty()) out += u", ";
    out += selected(f.name, f.type);
  }
  return out;
}

std::vector<VarType> column_types(const RecordLayout& layout) {
  std::vector<VarType> types;
  for (const FieldInfo& f : layout.fields) types.push_back(f.type);
  return types;
}

std::u16string hex(const std::vector<uint8_t>& bytes) {
  static const char16_t digits[] = u"0123456789abcdef";
  std::u16string out;
  for (uint8_t b : bytes) {
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

bool unhex(std::u16string_view text, std::vector<uint8_t>& out) {
  if (text.size() % 2) return false;
  auto nibble = [](char16_t c) -> int {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    return -1;
  };
  for (std::size_t i = 0; i < text.size(); i += 2) {
    int hi = nibble(text[i]), lo = nibble(text[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out.push_back(static_cast<uint8_t>(hi * 16 + lo));
  }
  return true;
}

std::vector<std::u16string_view> cut(std::u16string_view text, char16_t separator) {
  std::vector<std::u16string_view> pieces;
  for (;;) {
    std::size_t at = text.find(separator);
    pieces.push_back(text.substr(0, at));
    if (at == std::u16string_view::npos) return pieces;
    text.remove_prefix(at + 1);
  }
}

std::atomic<uint64_t> derivations{0};
std::atomic<uint64_t> derived_iterations{0};

std::vector<uint8_t> derive(const std::u16string& password, const std::vector<uint8_t>& salt,
                            uint32_t iterations, std::size_t length) {
  derivations.fetch_add(1, std::memory_order_relaxed);
  derived_iterations.fetch_add(iterations, std::memory_order_relaxed);
  return os::pbkdf2_sha256(utf16_to_utf8(password), salt, iterations, length);
}

}  // namespace

DerivationWork derivation_work() {
  return {derivations.load(std::memory_order_relaxed),
          derived_iterations.load(std::memory_order_relaxed)};
}

void create_schema(Database& db) {
  db.execute(u"CREATE TABLE IF NOT EXISTS usuarios (nombre TEXT PRIMARY KEY, clave TEXT NOT NULL)");
  db.execute(
      u"CREATE TABLE IF NOT EXISTS folios (tipo INTEGER PRIMARY KEY, folio INTEGER NOT NULL)");
  db.execute(
      u"CREATE TABLE IF NOT EXISTS habitaciones (numero INTEGER PRIMARY KEY, tipo TEXT NOT NULL, "
      u"estado TEXT NOT NULL)");
  for (const RecordLayout* layout : record_layouts()) {
    std::u16string sql = u"CREATE TABLE IF NOT EXISTS " + std::u16string(layout->table) + u" (";
    for (std::size_t p = 0; p < layout->fields.size(); ++p) {
      if (p) sql += u", ";
      sql += quoted(layout->fields[p].name) + u" " + sql_type(layout->fields[p].type);
    }
    db.execute(sql + u")");
  }
}

std::u16string hash_password(const std::u16string& password, uint32_t iterations) {
  std::vector<uint8_t> salt = os::random_bytes(kSaltBytes);
  std::vector<uint8_t> key = derive(password, salt, iterations, kHashBytes);
  return std::u16string(kHashScheme) + u"$" + utf8_to_utf16(std::to_string(iterations)) + u"$" +
         hex(salt) + u"$" + hex(key);
}

bool verify_password(const std::u16string& password, const std::u16string& stored) {
  std::vector<std::u16string_view> parts = cut(stored, u'$');
  if (parts.size() != 4 || parts[0] != kHashScheme) return false;
  std::string count = utf16_to_utf8(parts[1]);
  char* end = nullptr;
  unsigned long iterations = std::strtoul(count.c_str(), &end, 10);
  if (count.empty() || *end || iterations == 0 || iterations > 100000000) return false;
  std::vector<uint8_t> salt, expected;
  if (!unhex(parts[2], salt) || !unhex(parts[3], expected) || expected.empty()) return false;
  std::vector<uint8_t> key =
      derive(password, salt, static_cast<uint32_t>(iterations), expected.size());
  // Compares every byte whatever the first difference, so timing tells nothing.
  uint8_t diff = 0;
  for (std::size_t i = 0; i < key.size(); ++i) diff |= static_cast<uint8_t>(key[i] ^ expected[i]);
  return diff == 0;
}

bool verify_unknown_user(const std::u16string& password) {
  // A salt and a key of zeros: a well-formed hash that no password derives to.
  static const std::u16string nobody =
      std::u16string(kHashScheme) + u"$" + utf8_to_utf16(std::to_string(kDefaultIterations)) +
      u"$" + std::u16string(kSaltBytes * 2, u'0') + u"$" + std::u16string(kHashBytes * 2, u'0');
  verify_password(password, nobody);
  return false;
}

void store_user(Database& db, const std::u16string& name, const std::u16string& password,
                uint32_t iterations) {
  if (name.empty()) throw Error(err::kInvalidCall, u"A user needs a name", kSdkSource);
  const Variant params[] = {Variant(name), Variant(hash_password(password, iterations))};
  db.execute(u"INSERT OR REPLACE INTO usuarios (nombre, clave) VALUES (?, ?)", params);
}

namespace {

std::vector<Variant> values_of(const Record& record) {
  std::vector<Variant> values;
  for (std::size_t p = 0; p < record.layout().fields.size(); ++p) values.push_back(record.value(p));
  return values;
}

void insert_values(Database& db, const RecordLayout& layout, const std::vector<Variant>& values) {
  std::u16string marks;
  for (std::size_t p = 0; p < values.size(); ++p) marks += p ? u", ?" : u"?";
  db.execute(u"INSERT INTO " + std::u16string(layout.table) + u" (" + column_list(layout) +
                 u") VALUES (" + marks + u")",
             values);
}

}  // namespace

void insert_record(Database& db, const Record& record) {
  std::vector<Variant> values = values_of(record);
  check_storable(record.layout(), values);
  insert_values(db, record.layout(), values);
}

std::vector<std::vector<Variant>> select_records(Database& db, const RecordLayout& layout,
                                                 std::u16string_view condition,
                                                 std::span<const Variant> params) {
  std::u16string sql =
      u"SELECT " + selected_list(layout) + u" FROM " + std::u16string(layout.table);
  if (!condition.empty()) sql += u" WHERE " + std::u16string(condition);
  sql += u" ORDER BY rowid";
  std::vector<VarType> types = column_types(layout);
  return db.query(sql, params, types);
}

std::u16string select_answers(Database& db, const RecordLayout& layout,
                              std::u16string_view condition, std::span<const Variant> params,
                              std::size_t limit) {
  std::u16string columns;
  std::vector<VarType> types;
  for (std::size_t position : layout.answer) {
    if (!columns.empty()) columns += u", ";
    columns += selected(layout.fields[position].name, layout.fields[position].type);
    types.push_back(layout.fields[position].type);
  }
  std::u16string sql = u"SELECT " + columns + u" FROM " + std::u16string(layout.table);
  if (!condition.empty()) sql += u" WHERE " + std::u16string(condition);
  sql += u" ORDER BY rowid";
  if (limit) sql += u" LIMIT " + utf8_to_utf16(std::to_string(limit));
  std::u16string answers;
  std::size_t rows = 0;
  db.for_each_row(sql, params, [&](const Database::Cursor& row) {
    if (rows++) answers += u'*';
    for (std::size_t i = 0; i < types.size(); ++i) {
      if (i) answers += u'|';
      int column = static_cast<int>(i);
      switch (types[i]) {
        case VarType::String:
          row.append_text(column, answers);
          break;
        case VarType::Double:
          answers += answer_text(Variant(row.number(column)));
          break;
        case VarType::Date:
          answers += answer_text(Variant(Date{row.number(column)}));
          break;
        case VarType::Boolean:
          answers += answer_text(Variant(row.integer(column) != 0));
          break;
        default:
          answers += answer_text(Variant(static_cast<int32_t>(row.integer(column))));
          break;
      }
    }
  });
  // The text grew by doubling, so up to half of what it holds may be spare; the data class that
  // asked keeps the answer until its next query, twenty of them a list each. The spare goes back:
  // copying the text once costs far less than reading its rows did.
  if (answers.capacity() - answers.size() > answers.size() / 8) answers.shrink_to_fit();
  return answers;
}

namespace {

// Advances a folio series inside the caller's transaction and answers the new folio. Read and
// written apart rather than with "folio = folio + 1": SQLite would count on past the largest
// Long, and the answer would wrap.
int32_t advance_series(Database& db, int32_t series) {
  const Variant key[] = {Variant(series)};
  int64_t current = 0;
  db.for_each_row(u"SELECT folio FROM folios WHERE tipo = ?", key,
                  [&](const Database::Cursor& row) { current = row.integer(0); });
  if (current >= std::numeric_limits<int32_t>::max() ||
      current < int64_t{std::numeric_limits<int32_t>::min()} - 1)
    throw Error::standard(err::kOverflow);
  auto next = static_cast<int32_t>(current + 1);
  const Variant row[] = {Variant(series), Variant(next)};
  db.execute(u"INSERT OR REPLACE INTO folios (tipo, folio) VALUES (?, ?)", row);
  return next;
}

}  // namespace

double store_charge(Database& db, const Record& charge) {
  std::vector<Variant> values = values_of(charge);
  check_storable(charge.layout(), values);
  double number = advance_series(db, kChargeSeries);
  values[charge::kNumber] = Variant(number);
  insert_values(db, charge.layout(), values);
  return number;
}

int32_t next_folio(Database& db, int32_t operation) {
  // UPDATE … RETURNING would do it in one statement, but the SQLite ODBC driver runs it without
  // handing back its row; the write lock of BEGIN IMMEDIATE gives the same guarantee.
  return in_transaction(db, [&] { return advance_series(db, operation); });
}

double post_charge(Database& db, Record& charge) {
  if (&charge.layout() != &charge_layout()) throw Error::standard(err::kTypeMismatch);
  // Refused before the write lock is asked for, which could mean a wait.
  check_storable(charge.layout(), values_of(charge));
  double number = in_transaction(db, [&] { return store_charge(db, charge); });
  // Only a stored charge learns its number: after a failed post the host's record must not show
  // one that no charge has.
  charge.set(charge::kNumber, Variant(number));
  return number;
}

int32_t save_coupon(Database& db, Record& coupon) {
  if (&coupon.layout() != &coupon_layout()) throw Error::standard(err::kTypeMismatch);
  const RecordLayout& layout = coupon.layout();
  std::vector<Variant> values = values_of(coupon);
  check_storable(layout, values);
  const std::u16string table(layout.table);
  const std::u16string number_column = quoted(layout.fields[coupon::kNumber].name);
  int32_t number = in_transaction(db, [&] {
    int32_t assigned = values[coupon::kNumber].get<int32_t>();
    if (assigned == 0) {
      const VarType types[] = {VarType::Long};
      assigned =
          db.query(u"SELECT COALESCE(MAX(" + number_column + u"), 0) + 1 FROM " + table, {}, types)
              .at(0)
              .at(0)
              .get<int32_t>();
      values[coupon::kNumber] = Variant(assigned);
    } else {
      // A coupon that is saved again replaces its earlier version.
      const Variant key[] = {Variant(assigned)};
      db.execute(u"DELETE FROM " + table + u" WHERE " + number_column + u" = ?", key);
    }
    insert_values(db, layout, values);
    return assigned;
  });
  // Only a stored coupon learns its number.
  coupon.set(coupon::kNumber, Variant(number));
  return number;
}

std::vector<std::u16string> table_names() {
  std::vector<std::u16string> names = {u"usuarios", u"folios", u"habitaciones"};
  for (const RecordLayout* layout : record_layouts()) names.emplace_back(layout->table);
  return names;
}

bool has_table(Database& db, const std::u16string& name) {
  const Variant params[] = {Variant(name)};
  bool exists = false;
  db.for_each_row(u"SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?", params,
                  [&](const Database::Cursor&) { exists = true; });
  return exists;
}

bool holds_hotel_data(Database& db) {
  bool found = false;
  auto mark = [&](const Database::Cursor&) { found = true; };
  for (const std::u16string& table : table_names()) {
    if (table == u"usuarios") continue;
    // The name comes from the list, never from a caller.
    if (has_table(db, table)) db.for_each_row(u"SELECT 1 FROM " + table + u" LIMIT 1", {}, mark);
    if (found) return true;
  }
  return false;
}

std::vector<std::u16string> dump_table(Database& db, const std::u16string& table) {
  std::vector<std::u16string> names;
  std::vector<VarType> types;
  if (table == u"usuarios") {
    names = {u"nombre", u"clave"};
    types = {VarType::String, VarType::String};
  } else if (table == u"folios") {
    names = {u"tipo", u"folio"};
    types = {VarType::Long, VarType::Long};
  } else if (table == u"habitaciones") {
    names = {u"numero", u"tipo", u"estado"};
    types = {VarType::Long, VarType::String, VarType::String};
  } else {
    const RecordLayout* layout = nullptr;
    for (const RecordLayout* l : record_layouts())
      if (l->table == table) layout = l;
    if (!layout) throw Error(err::kInvalidCall, u"No table named " + table, kSdkSource);
    for (const FieldInfo& f : layout->fields) names.push_back(f.name);
    types = column_types(*layout);
  }
  std::u16string columns;
  for (std::size_t i = 0; i < names.size(); ++i)
    columns += (columns.empty() ? u"" : u", ") + selected(names[i], types[i]);
  // The table name comes from the list above, never from the caller's text.
  std::vector<Row> rows =
      db.query(u"SELECT " + columns + u" FROM " + table + u" ORDER BY rowid", {}, types);
  std::vector<std::u16string> lines;
  std::u16string header;
  for (const std::u16string& n : names) header += (header.empty() ? u"" : u"|") + n;
  lines.push_back(header);
  for (const Row& row : rows) {
    std::u16string line;
    for (std::size_t i = 0; i < row.size(); ++i) line += (i ? u"|" : u"") + answer_text(row[i]);
    lines.push_back(line);
  }
  return lines;
}

}  // namespace halvora::sdk
