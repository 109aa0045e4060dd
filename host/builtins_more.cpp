// Conversions, text, number formatting, arithmetic and the random numbers scripts call beside the
// everyday string functions.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "automation/calendar.h"
#include "builtin_support.h"
#include "builtins.h"

namespace halvora::host::builtin {

namespace {

// The automation values have no Currency or Byte: CCur gives a Double rounded to four places
// within Currency's range, CByte an Integer from 0 to 255; both fail with 6 outside.
Variant c_cur(Args a) {
  arity(a, 1, 1);
  double x = to_double(a[0]);
  constexpr double kCurrencyMax = 922337203685477.5807;
  if (!(std::fabs(x) <= kCurrencyMax)) throw runtime_error(err::kOverflow);
  return Variant(round_half_even(x * 10000) / 10000);
}

Variant c_byte(Args a) {
  arity(a, 1, 1);
  double r = round_half_even(to_double(a[0]));
  if (!(r >= 0 && r <= 255)) throw runtime_error(err::kOverflow);
  return Variant(static_cast<int16_t>(r));
}

Variant c_sng(Args a) {
  arity(a, 1, 1);
  return Variant(to_single(a[0]));
}

int compare_mode(Args a, std::size_t i) {
  int32_t mode = given(a, i) ? to_long(a[i]) : 0;
  if (mode < 0) throw runtime_error(err::kInvalidCall);
  return mode;
}

Variant str_comp(Args a) {
  arity(a, 2, 3);
  bool text_compare = compare_mode(a, 2) == 1;
  if (a[0].is_null() || a[1].is_null()) return Variant(Null{});
  int c = folded(text(a[0]), text_compare).compare(folded(text(a[1]), text_compare));
  return Variant(static_cast<int16_t>(c < 0 ? -1 : c > 0 ? 1 : 0));
}

Variant str_reverse(Args a) {
  arity(a, 1, 1);
  if (a[0].is_null()) throw runtime_error(err::kInvalidUseOfNull);
  std::u16string s = text(a[0]);
  std::reverse(s.begin(), s.end());
  return Variant(s);
}

// The items that hold the text (or, with include False, do not), as a new array.
Variant filter(Args a) {
  arity(a, 2, 4);
  if (!a[0].is_array() || a[0].array()->dimensions() != 1) throw runtime_error(err::kTypeMismatch);
  if (a[1].is_null()) throw runtime_error(err::kInvalidUseOfNull);
  std::u16string match = text(a[1]);
  bool include = !given(a, 2) || to_boolean(a[2]);
  bool text_compare = compare_mode(a, 3) == 1;
  std::u16string needle = folded(match, text_compare);
  auto out = std::make_shared<Array>();
  for (const Variant& item : *a[0].array()) {
    if (item.is_null()) throw runtime_error(err::kInvalidUseOfNull);
    std::u16string s = text(item);
    bool found = folded(s, text_compare).find(needle) != std::u16string::npos;
    if (found == include) out->push_back(Variant(s));
  }
  return Variant(out);
}

// FormatNumber's three-state switches: -1 yes, 0 no, -2 the regional default.
bool tristate(Args a, std::size_t i, bool regional_default) {
  if (!given(a, i)) return regional_default;
  int32_t v = to_long(a[i]);
  if (v == -2) return regional_default;
  return v != 0;
}

std::u16string number_form(double x, Args a) {
  int32_t decimals = given(a, 1) ? to_long(a[1]) : -1;
  if (decimals < -1 || decimals > 255) throw runtime_error(err::kInvalidCall);
  // The regional settings hold no count of decimals; two is the platform's default.
  if (decimals == -1) decimals = 2;
  return fixed_number_text(x, decimals, tristate(a, 2, true), tristate(a, 3, false),
                           tristate(a, 4, true), regional());
}

Variant format_number(Args a) {
  arity(a, 1, 5);
  return Variant(number_form(to_double(a[0]), a));
}

Variant format_percent(Args a) {
  arity(a, 1, 5);
  return Variant(number_form(to_double(a[0]) * 100, a) + u"%");
}

Variant oct(Args a) {
  arity(a, 1, 1);
  return null_or(a[0], [&] {
    int32_t v = to_long(a[0]);
    bool narrow = a[0].type() == VarType::Integer || a[0].type() == VarType::Boolean;
    uint32_t u =
        narrow && v >= -32768 && v < 0 ? static_cast<uint16_t>(v) : static_cast<uint32_t>(v);
    std::u16string out;
    do {
      out.insert(out.begin(), static_cast<char16_t>(u'0' + (u & 7)));
      u >>= 3;
    } while (u);
    return Variant(out);
  });
}

template <double (*F)(double)>
Variant math(Args a) {
  arity(a, 1, 1);
  return null_or(a[0], [&] { return Variant(F(to_double(a[0]))); });
}

double sine(double x) {
  return std::sin(x);
}
double cosine(double x) {
  return std::cos(x);
}
double tangent(double x) {
  return std::tan(x);
}
double arc_tangent(double x) {
  return std::atan(x);
}
double exponential(double x) {
  double r = std::exp(x);
  if (!std::isfinite(r)) throw runtime_error(err::kOverflow);
  return r;
}
double logarithm(double x) {
  if (x <= 0) throw runtime_error(err::kInvalidCall);
  return std::log(x);
}

// The platform's generator: a 24-bit linear congruence, seeded with 0x50000 when the process
// starts, so that a script that never calls Randomize draws the same numbers on every run.
constexpr uint32_t kSeed = 0x50000;
uint32_t g_seed = kSeed;

uint32_t next_seed(uint32_t x) {
  return (x * 1140671485u + 12820163u) & 0xFFFFFF;
}
float as_fraction(uint32_t x) {
  return static_cast<float>(x) / 16777216.0f;
}

// Rnd: the next number from 0 up to 1; Rnd(0) repeats the last; a negative argument restarts the
// sequence at a point given by the number's bits, so Rnd(-1) is always the same.
Variant rnd(Args a) {
  arity(a, 0, 1);
  if (given(a, 0)) {
    float x = to_single(a[0]);
    if (x == 0) return Variant(as_fraction(g_seed));
    if (x < 0) {
      uint32_t bits = std::bit_cast<uint32_t>(x);
      g_seed = (bits + (bits >> 24)) & 0xFFFFFF;
    }
  }
  g_seed = next_seed(g_seed);
  return Variant(as_fraction(g_seed));
}

// Randomize mixes the number (the timer's seconds without one) into the middle of the seed.
Variant randomize(Args a) {
  arity(a, 0, 1);
  double x = given(a, 0) ? to_double(a[0]) : local_seconds_today();
  uint64_t bits = std::bit_cast<uint64_t>(x);
  auto high = static_cast<uint32_t>(bits >> 32);
  uint32_t mixed = ((high & 0xFFFF) ^ (high >> 16)) << 8;
  g_seed = (g_seed & 0xFF0000FF) | (mixed & 0x00FFFF00);
  return {};
}

void add_more(Table& t) {
  t.emplace(u"ccur", c_cur);
  t.emplace(u"cbyte", c_byte);
  t.emplace(u"csng", c_sng);
  t.emplace(u"strcomp", str_comp);
  t.emplace(u"strreverse", str_reverse);
  t.emplace(u"filter", filter);
  t.emplace(u"formatnumber", format_number);
  t.emplace(u"formatpercent", format_percent);
  t.emplace(u"oct", oct);
  t.emplace(u"sin", math<sine>);
  t.emplace(u"cos", math<cosine>);
  t.emplace(u"tan", math<tangent>);
  t.emplace(u"atn", math<arc_tangent>);
  t.emplace(u"exp", math<exponential>);
  t.emplace(u"log", math<logarithm>);
  t.emplace(u"rnd", rnd);
  t.emplace(u"randomize", randomize);
}

}  // namespace

const Table& more_functions() {
  static const Table table = [] {
    Table t;
    add_more(t);
    add_date_functions(t);
    return t;
  }();
  return table;
}

}  // namespace halvora::host::builtin

namespace halvora::host {

void reset_random_numbers() {
  builtin::g_seed = builtin::kSeed;
}

}  // namespace halvora::host
