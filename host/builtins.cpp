#include "builtins.h"

#include <cmath>
#include <functional>
#include <unordered_map>

#include "arrays.h"
#include "automation/calendar.h"
#include "automation/conversions.h"
#include "automation/object.h"
#include "automation/text.h"
#include "builtin_support.h"
#include "script_error.h"

namespace halvora::host {

namespace {

using namespace builtin;

int32_t count_arg(const Variant& v) {
  int32_t n = to_long(v);
  if (n < 0) throw runtime_error(err::kInvalidCall);
  return n;
}

Variant left(Args a) {
  arity(a, 2, 2);
  return null_or(a[0], [&] {
    std::u16string s = text(a[0]);
    return Variant(s.substr(0, std::min<std::size_t>(s.size(), count_arg(a[1]))));
  });
}
Variant right(Args a) {
  arity(a, 2, 2);
  return null_or(a[0], [&] {
    std::u16string s = text(a[0]);
    std::size_t n = std::min<std::size_t>(s.size(), count_arg(a[1]));
    return Variant(s.substr(s.size() - n));
  });
}
Variant mid(Args a) {
  arity(a, 2, 3);
  return null_or(a[0], [&] {
    std::u16string s = text(a[0]);
    int32_t start = to_long(a[1]);
    if (start < 1) throw runtime_error(err::kInvalidCall);
    std::size_t n = given(a, 2) ? count_arg(a[2]) : s.size();
    if (static_cast<std::size_t>(start) > s.size()) return Variant(u"");
    return Variant(s.substr(start - 1, n));
  });
}

Variant trim_with(Args a, bool lead, bool trail) {
  arity(a, 1, 1);
  return null_or(a[0], [&] {
    std::u16string s = text(a[0]);
    std::size_t b = 0, e = s.size();
    if (lead)
      while (b < e && s[b] == u' ') ++b;
    if (trail)
      while (e > b && s[e - 1] == u' ') --e;
    return Variant(s.substr(b, e - b));
  });
}

Variant instr(Args a) {
  arity(a, 2, 4);
  std::size_t at = 0;
  Variant s1 = a[0], s2 = a[1];
  bool tc = false;
  if (a.size() >= 3) {
    at = to_long(a[0]);
    if (at < 1) throw runtime_error(err::kInvalidCall);
    at -= 1;
    s1 = a[1];
    s2 = a[2];
    tc = given(a, 3) && to_long(a[3]) == 1;
  }
  if (s1.is_null() || s2.is_null()) return Variant(Null{});
  std::u16string h = folded(text(s1), tc), n = folded(text(s2), tc);
  if (at > h.size()) return Variant(int32_t{0});
  std::size_t p = h.find(n, at);
  return Variant(static_cast<int32_t>(p == std::u16string::npos ? 0 : p + 1));
}

Variant instrrev(Args a) {
  arity(a, 2, 4);
  if (a[0].is_null() || a[1].is_null()) return Variant(Null{});
  bool tc = given(a, 3) && to_long(a[3]) == 1;
  std::u16string h = folded(text(a[0]), tc), n = folded(text(a[1]), tc);
  int32_t start = given(a, 2) ? to_long(a[2]) : -1;
  if (start == 0 || start < -1) throw runtime_error(err::kInvalidCall);
  if (start != -1 && static_cast<std::size_t>(start) > h.size()) return Variant(int32_t{0});
  std::size_t limit = start == -1 ? h.size() : static_cast<std::size_t>(start);
  if (n.size() > limit) return Variant(int32_t{0});
  std::size_t p = h.rfind(n, limit - n.size());
  return Variant(static_cast<int32_t>(p == std::u16string::npos ? 0 : p + 1));
}

Variant replace(Args a) {
  arity(a, 3, 6);
  if (a[0].is_null()) return Variant(Null{});
  std::u16string s = text(a[0]), find = text(a[1]), with = text(a[2]);
  int32_t start = given(a, 3) ? to_long(a[3]) : 1;
  int32_t count = given(a, 4) ? to_long(a[4]) : -1;
  bool tc = given(a, 5) && to_long(a[5]) == 1;
  if (start < 1) throw runtime_error(err::kInvalidCall);
  if (static_cast<std::size_t>(start) > s.size()) return Variant(u"");
  s = s.substr(start - 1);
  if (find.empty() || count == 0) return Variant(s);
  std::u16string hay = folded(s, tc), needle = folded(find, tc), out;
  std::size_t pos = 0;
  for (int32_t done = 0; count < 0 || done < count; ++done) {
    std::size_t p = hay.find(needle, pos);
    if (p == std::u16string::npos) break;
    check_text_length(out.size() + (p - pos) + with.size());
    out.append(s, pos, p - pos);
    out += with;
    pos = p + find.size();
  }
  check_text_length(out.size() + (s.size() - pos));
  out.append(s, pos, std::u16string::npos);
  return Variant(out);
}

Variant split(Args a) {
  arity(a, 1, 4);
  auto arr = std::make_shared<Array>();
  if (a[0].is_null()) throw runtime_error(err::kInvalidUseOfNull);
  std::u16string s = text(a[0]);
  std::u16string delim = given(a, 1) ? text(a[1]) : u" ";
  int32_t limit = given(a, 2) ? to_long(a[2]) : -1;
  if (s.empty()) return Variant(arr);
  if (delim.empty()) {
    arr->push_back(Variant(s));
    return Variant(arr);
  }
  std::size_t pos = 0;
  for (;;) {
    if (limit >= 0 && static_cast<int32_t>(arr->size()) == limit - 1) break;
    std::size_t p = s.find(delim, pos);
    if (p == std::u16string::npos) break;
    arr->push_back(Variant(s.substr(pos, p - pos)));
    pos = p + delim.size();
  }
  if (limit != 0) arr->push_back(Variant(s.substr(pos)));
  return Variant(arr);
}

Variant join(Args a) {
  arity(a, 1, 2);
  if (!a[0].is_array()) throw runtime_error(err::kTypeMismatch);
  std::u16string delim = given(a, 1) ? text(a[1]) : u" ", out;
  const Array& arr = *a[0].array();
  for (std::size_t i = 0; i < arr.size(); ++i) {
    std::u16string item = arr[i].is_null() ? u"" : text(arr[i]);
    check_text_length(out.size() + (i ? delim.size() : 0) + item.size());
    if (i) out += delim;
    out += item;
  }
  return Variant(out);
}

// UBound's and LBound's dimension, from 1; 9 when the array has no such dimension.
int32_t dimension_arg(Args a) {
  if (!a[0].is_array()) throw runtime_error(err::kTypeMismatch);
  int32_t dimension = given(a, 1) ? to_long(a[1]) : 1;
  upper_bound(*a[0].array(), dimension);
  return dimension;
}

Variant hex(Args a) {
  arity(a, 1, 1);
  return null_or(a[0], [&] {
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    int32_t v = to_long(a[0]);
    // A negative Integer shows its 16 bits, as the language's Hex does.
    bool narrow = a[0].type() == VarType::Integer || a[0].type() == VarType::Boolean;
    uint32_t u =
        narrow && v >= -32768 && v < 0 ? static_cast<uint16_t>(v) : static_cast<uint32_t>(v);
    std::u16string out;
    do {
      out.insert(out.begin(), kDigits[u & 15]);
      u >>= 4;
    } while (u);
    return Variant(out);
  });
}

// Abs, Int, Fix and Round keep Integer and Long as they are.
Variant numeric_fn(Args a, double (*f)(double)) {
  arity(a, 1, 1);
  const Variant& v = a[0];
  if (v.is_null()) return v;
  if (v.is_empty()) return Variant(int16_t{0});
  if (v.is_object() || v.is_array()) throw runtime_error(err::kTypeMismatch);
  double r = f(to_double(v));
  switch (v.type()) {
    case VarType::Integer:
    case VarType::Boolean:
      if (r >= -32768 && r <= 32767) return Variant(static_cast<int16_t>(r));
      return Variant(static_cast<int32_t>(r));
    case VarType::Long:
      if (r <= 2147483647.0) return Variant(static_cast<int32_t>(r));
      return Variant(r);
    case VarType::Date:
      return Variant(Date{r});
    default:
      return Variant(r);
  }
}

Variant round(Args a) {
  arity(a, 1, 2);
  if (a[0].is_null()) return a[0];
  int32_t digits = given(a, 1) ? to_long(a[1]) : 0;
  if (digits < 0) throw runtime_error(err::kInvalidCall);
  if (digits == 0) {
    Variant one[1] = {a[0]};
    return numeric_fn(one, round_half_even);
  }
  double scale = std::pow(10.0, digits);
  double x = to_double(a[0]);
  double scaled = x * scale;
  // Undo binary noise (2.675 * 100 = 267.49999...) before choosing the even neighbour.
  double nearest = std::round(scaled * 1e6) / 1e6;
  double r = round_half_even(std::fabs(scaled - nearest) < 1e-9 ? nearest : scaled) / scale;
  if (a[0].type() == VarType::Integer || a[0].type() == VarType::Long) return a[0];
  return Variant(r);
}

const std::unordered_map<std::u16string_view, Fn>& functions() {
  static const std::unordered_map<std::u16string_view, Fn> table{
      {u"cstr",
       [](Args a) {
         arity(a, 1, 1);
         if (a[0].is_null()) throw runtime_error(err::kInvalidUseOfNull);
         return Variant(text(a[0]));
       }},
      {u"cint",
       [](Args a) {
         arity(a, 1, 1);
         return Variant(to_integer(a[0]));
       }},
      {u"clng",
       [](Args a) {
         arity(a, 1, 1);
         return Variant(to_long(a[0]));
       }},
      {u"cdbl",
       [](Args a) {
         arity(a, 1, 1);
         return Variant(to_double(a[0]));
       }},
      {u"cbool",
       [](Args a) {
         arity(a, 1, 1);
         return Variant(to_boolean(a[0]));
       }},
      {u"cdate",
       [](Args a) {
         arity(a, 1, 1);
         return Variant(to_date(a[0]));
       }},
      {u"len",
       [](Args a) {
         arity(a, 1, 1);
         return null_or(a[0], [&] { return Variant(static_cast<int32_t>(text(a[0]).size())); });
       }},
      {u"left", left},
      {u"right", right},
      {u"mid", mid},
      {u"trim", [](Args a) { return trim_with(a, true, true); }},
      {u"ltrim", [](Args a) { return trim_with(a, true, false); }},
      {u"rtrim", [](Args a) { return trim_with(a, false, true); }},
      {u"ucase",
       [](Args a) {
         arity(a, 1, 1);
         return null_or(a[0], [&] { return Variant(upper_case(text(a[0]))); });
       }},
      {u"lcase",
       [](Args a) {
         arity(a, 1, 1);
         return null_or(a[0], [&] { return Variant(lower_case(text(a[0]))); });
       }},
      {u"instr", instr},
      {u"instrrev", instrrev},
      {u"replace", replace},
      {u"split", split},
      {u"join", join},
      {u"space",
       [](Args a) {
         arity(a, 1, 1);
         int32_t n = count_arg(a[0]);
         check_text_length(static_cast<std::size_t>(n));
         return Variant(std::u16string(n, u' '));
       }},
      {u"string",
       [](Args a) {
         arity(a, 2, 2);
         auto c = a[1].is_string() ? text(a[1])
                                   : std::u16string(1, static_cast<char16_t>(to_long(a[1])));
         if (c.empty()) throw runtime_error(err::kInvalidCall);
         int32_t n = count_arg(a[0]);
         check_text_length(static_cast<std::size_t>(n));
         return Variant(std::u16string(n, c[0]));
       }},
      {u"chr",
       [](Args a) {
         arity(a, 1, 1);
         int32_t c = to_long(a[0]);
         if (c < 0 || c > 255) throw runtime_error(err::kInvalidCall);
         return Variant(std::u16string(1, static_cast<char16_t>(c)));
       }},
      {u"chrw",
       [](Args a) {
         arity(a, 1, 1);
         int32_t c = to_long(a[0]);
         if (c < -32768 || c > 65535) throw runtime_error(err::kInvalidCall);
         return Variant(std::u16string(1, static_cast<char16_t>(c)));
       }},
      {u"asc",
       [](Args a) {
         arity(a, 1, 1);
         auto s = text(a[0]);
         if (s.empty()) throw runtime_error(err::kInvalidCall);
         return Variant(static_cast<int16_t>(s[0] > 255 ? u'?' : s[0]));
       }},
      {u"ascw",
       [](Args a) {
         arity(a, 1, 1);
         auto s = text(a[0]);
         if (s.empty()) throw runtime_error(err::kInvalidCall);
         return Variant(static_cast<int16_t>(s[0]));
       }},
      {u"isempty",
       [](Args a) {
         arity(a, 1, 1);
         return Variant(a[0].is_empty());
       }},
      {u"isnull",
       [](Args a) {
         arity(a, 1, 1);
         return Variant(a[0].is_null());
       }},
      {u"isobject",
       [](Args a) {
         arity(a, 1, 1);
         return Variant(a[0].is_object());
       }},
      {u"isarray",
       [](Args a) {
         arity(a, 1, 1);
         return Variant(a[0].is_array());
       }},
      {u"isnumeric",
       [](Args a) {
         arity(a, 1, 1);
         const Variant& v = a[0];
         if (v.is_string()) return Variant(text_to_double(v.string(), regional()).has_value());
         return Variant(v.is_numeric() && v.type() != VarType::Date);
       }},
      {u"typename",
       [](Args a) {
         arity(a, 1, 1);
         return Variant(type_name_of(a[0]));
       }},
      {u"vartype",
       [](Args a) {
         arity(a, 1, 1);
         return Variant(static_cast<int16_t>(a[0].type()));
       }},
      {u"now",
       [](Args a) {
         arity(a, 0, 0);
         return Variant(local_now());
       }},
      {u"date",
       [](Args a) {
         arity(a, 0, 0);
         return Variant(Date{std::floor(local_now().serial)});
       }},
      {u"timer",
       [](Args a) {
         arity(a, 0, 0);
         return Variant(static_cast<float>(local_seconds_today()));
       }},
      {u"time",
       [](Args a) {
         arity(a, 0, 0);
         double n = local_now().serial;
         return Variant(Date{n - std::floor(n)});
       }},
      {u"hex", hex},
      {u"abs", [](Args a) { return numeric_fn(a, [](double x) { return std::fabs(x); }); }},
      {u"int", [](Args a) { return numeric_fn(a, [](double x) { return std::floor(x); }); }},
      {u"fix", [](Args a) { return numeric_fn(a, [](double x) { return std::trunc(x); }); }},
      {u"sgn",
       [](Args a) {
         arity(a, 1, 1);
         double x = to_double(a[0]);
         return Variant(static_cast<int16_t>(x > 0 ? 1 : x < 0 ? -1 : 0));
       }},
      {u"sqr",
       [](Args a) {
         arity(a, 1, 1);
         double x = to_double(a[0]);
         if (x < 0) throw runtime_error(err::kInvalidCall);
         return Variant(std::sqrt(x));
       }},
      {u"round", round},
      {u"ubound",
       [](Args a) {
         arity(a, 1, 2);
         // Checked first: an argument that is no array must not reach array().
         int32_t dimension = dimension_arg(a);
         return Variant(upper_bound(*a[0].array(), dimension));
       }},
      {u"lbound",
       [](Args a) {
         arity(a, 1, 2);
         dimension_arg(a);
         return Variant(int32_t{0});
       }},
      {u"array",
       [](Args a) {
         auto arr = std::make_shared<Array>();
         for (auto& v : a) {
           if (v.is_missing()) throw runtime_error(err::kWrongArguments);
           arr->push_back(v);
         }
         return Variant(arr);
       }},
  };
  return table;
}

std::u16string_view element_name(VarType element) {
  switch (element) {
    case VarType::Boolean:
      return u"Boolean";
    case VarType::Integer:
      return u"Integer";
    case VarType::Long:
      return u"Long";
    case VarType::Double:
      return u"Double";
    case VarType::Date:
      return u"Date";
    case VarType::String:
      return u"String";
    case VarType::Object:
      return u"Object";
    default:
      return u"Variant";
  }
}

}  // namespace

std::u16string type_name_of(const Variant& v) {
  // An array shows the type of its items: "Variant()" for the ones scripts build, "String()" for
  // a member's array of strings.
  if (v.is_array()) return std::u16string(element_name(v.array()->element())) + u"()";
  switch (v.type()) {
    case VarType::Empty:
      return u"Empty";
    case VarType::Null:
      return u"Null";
    case VarType::Boolean:
      return u"Boolean";
    case VarType::Integer:
      return u"Integer";
    case VarType::Long:
      return u"Long";
    case VarType::Single:
      return u"Single";
    case VarType::Double:
      return u"Double";
    case VarType::Date:
      return u"Date";
    case VarType::String:
      return u"String";
    case VarType::Object:
      return v.object() ? v.object()->type_name() : u"Nothing";
    case VarType::Error:
      return u"Error";
    default:
      return u"Unknown";
  }
}

std::optional<Variant> builtin_constant(std::u16string_view key) {
  static const std::unordered_map<std::u16string_view, Variant> table{
      {u"true", Variant(true)},
      {u"false", Variant(false)},
      {u"empty", Variant()},
      {u"null", Variant(Null{})},
      {u"nothing", Variant(ObjectRef())},
      {u"vbcrlf", Variant(u"\r\n")},
      {u"vbnewline", Variant(u"\r\n")},
      {u"vbcr", Variant(u"\r")},
      {u"vblf", Variant(u"\n")},
      {u"vbtab", Variant(u"\t")},
      {u"vbnullstring", Variant(u"")},
      {u"vbnullchar", Variant(std::u16string(1, u'\0'))},
      {u"vbobjecterror", Variant(int32_t{-2147221504})},
      {u"vbbinarycompare", Variant(int16_t{0})},
      {u"vbtextcompare", Variant(int16_t{1})},
      {u"vbempty", Variant(int16_t{0})},
      {u"vbnull", Variant(int16_t{1})},
      {u"vbinteger", Variant(int16_t{2})},
      {u"vblong", Variant(int16_t{3})},
      {u"vbdouble", Variant(int16_t{5})},
      {u"vbdate", Variant(int16_t{7})},
      {u"vbstring", Variant(int16_t{8})},
      {u"vbobject", Variant(int16_t{9})},
      {u"vbboolean", Variant(int16_t{11})},
      {u"vbvariant", Variant(int16_t{12})},
      {u"vbarray", Variant(int16_t{8192})},
      {u"vbsingle", Variant(int16_t{4})},
      {u"vbcurrency", Variant(int16_t{6})},
      {u"vberror", Variant(int16_t{10})},
      {u"vbdataobject", Variant(int16_t{13})},
      {u"vbbyte", Variant(int16_t{17})},
      {u"vbtrue", Variant(int16_t{-1})},
      {u"vbfalse", Variant(int16_t{0})},
      {u"vbusedefault", Variant(int16_t{-2})},
      {u"vbusesystemdayofweek", Variant(int16_t{0})},
      {u"vbsunday", Variant(int16_t{1})},
      {u"vbmonday", Variant(int16_t{2})},
      {u"vbtuesday", Variant(int16_t{3})},
      {u"vbwednesday", Variant(int16_t{4})},
      {u"vbthursday", Variant(int16_t{5})},
      {u"vbfriday", Variant(int16_t{6})},
      {u"vbsaturday", Variant(int16_t{7})},
      {u"vbusesystem", Variant(int16_t{0})},
      {u"vbfirstjan1", Variant(int16_t{1})},
      {u"vbfirstfourdays", Variant(int16_t{2})},
      {u"vbfirstfullweek", Variant(int16_t{3})},
      {u"vbgeneraldate", Variant(int16_t{0})},
      {u"vblongdate", Variant(int16_t{1})},
      {u"vbshortdate", Variant(int16_t{2})},
      {u"vblongtime", Variant(int16_t{3})},
      {u"vbshorttime", Variant(int16_t{4})},
  };
  auto it = table.find(key);
  if (it == table.end()) return std::nullopt;
  return it->second;
}

bool is_builtin_function(std::u16string_view key) {
  return functions().count(key) > 0 || more_functions().count(key) > 0;
}

Variant call_builtin(std::u16string_view key, std::span<Variant> args) {
  if (auto it = functions().find(key); it != functions().end()) return it->second(args);
  return more_functions().at(key)(args);
}

}  // namespace halvora::host
