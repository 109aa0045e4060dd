#include "sdk/database.h"

namespace halvora::sdk {

namespace {
int busy_wait_ms = kBusyTimeoutMs;
}  // namespace

void set_busy_timeout(int milliseconds) {
  busy_wait_ms = milliseconds;
}

int busy_timeout() {
  return busy_wait_ms;
}

std::vector<Row> Database::query(std::u16string_view sql, std::span<const Variant> params,
                                 std::span<const VarType> columns) {
  std::vector<Row> rows;
  for_each_row(sql, params, [&](const Cursor& cursor) {
    Row row;
    row.reserve(columns.size());
    for (std::size_t c = 0; c < columns.size(); ++c) {
      int column = static_cast<int>(c);
      switch (columns[c]) {
        case VarType::String: {
          std::u16string text;
          cursor.append_text(column, text);
          // Assigned rather than emplaced: GCC 12 warns, wrongly, that the moved string may be
          // used uninitialized.
          row.emplace_back();
          row.back() = Variant(std::move(text));
          break;
        }
        case VarType::Double:
          row.emplace_back(cursor.number(column));
          break;
        case VarType::Date:
          row.emplace_back(Date{cursor.number(column)});
          break;
        case VarType::Boolean:
          row.emplace_back(cursor.integer(column) != 0);
          break;
        default:
          row.emplace_back(static_cast<int32_t>(cursor.integer(column)));
          break;
      }
    }
    rows.push_back(std::move(row));
  });
  return rows;
}

}  // namespace halvora::sdk
