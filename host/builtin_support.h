// What the built-in functions share: their argument checks and the table they register in.
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>

#include "automation/conversions.h"
#include "automation/text.h"
#include "automation/variant.h"
#include "script_error.h"

namespace halvora::host::builtin {

using Args = std::span<Variant>;
using Fn = Variant (*)(Args);
using Table = std::unordered_map<std::u16string_view, Fn>;

// 450 for a count outside [min, max] or an omitted required argument.
inline void arity(Args a, std::size_t min, std::size_t max) {
  if (a.size() < min || a.size() > max) throw runtime_error(err::kWrongArguments);
  for (std::size_t i = 0; i < min; ++i)
    if (a[i].is_missing()) throw runtime_error(err::kWrongArguments);
}
inline bool given(Args a, std::size_t i) {
  return i < a.size() && !a[i].is_missing();
}
inline std::u16string text(const Variant& v) {
  if (v.is_object() || v.is_array()) throw runtime_error(err::kTypeMismatch);
  return to_string(v);
}
inline std::u16string folded(std::u16string s, bool text_compare) {
  return text_compare ? lower_case(s) : s;
}
inline Variant null_or(const Variant& v, const std::function<Variant()>& f) {
  return v.is_null() ? v : f();
}

// The functions beyond builtins.cpp's: builtins_more.cpp's conversions, text, formatting,
// arithmetic and random numbers, and the date and time functions of builtins_dates.cpp.
const Table& more_functions();
void add_date_functions(Table& table);

}  // namespace halvora::host::builtin
