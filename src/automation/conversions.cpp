// The conversions of conversions.h, locale-independent: the settings arrive as RegionalSettings,
// and the process locale is read only by the source a program sets (the platform's reading).
#include "automation/conversions.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <system_error>

#include "automation/calendar.h"
#include "automation/error.h"
#include "automation/text.h"

namespace halvora {

namespace {

// ---- Settings -----------------------------------------------------------------------------

// Process-wide. set_regional and set_regional_source are meant for start-up and tests and must
// not race with readers (regional() hands out a reference).
struct SettingsStorage {
  RegionalSource source = nullptr;
  std::optional<RegionalSettings> settings;
};
SettingsStorage& settings_storage() {
  static SettingsStorage storage;
  return storage;
}

// ---- Small helpers ------------------------------------------------------------------------

bool is_digit(char16_t c) {
  return c >= u'0' && c <= u'9';
}
bool is_blank(char16_t c) {
  return c == u' ' || c == u'\t';
}

int digit_value(char16_t c, int base) {
  int d = -1;
  if (c >= u'0' && c <= u'9') d = c - u'0';
  if (c >= u'a' && c <= u'f') d = c - u'a' + 10;
  if (c >= u'A' && c <= u'F') d = c - u'A' + 10;
  return d < base ? d : -1;
}

std::u16string_view trim_blanks(std::u16string_view t) {
  while (!t.empty() && is_blank(t.front())) t.remove_prefix(1);
  while (!t.empty() && is_blank(t.back())) t.remove_suffix(1);
  return t;
}

std::u16string ascii_to_u16(std::string_view s) {
  return std::u16string(s.begin(), s.end());
}

// The outcome of reading a number: it reads, it does not, or it reads but is too large.
enum class Status { Ok, Bad, Overflow };
struct Parsed {
  Status status = Status::Bad;
  double value = 0;
};

// A "&H"/"&O" value as the platform reads its literals: up to 16 bits is an Integer bit
// pattern (&HFFFF = -1), up to 32 bits a Long one (&HFFFFFFFF = -1, &H10000 = 65536).
double radix_value(uint64_t bits) {
  if (bits <= 0xFFFF) return static_cast<int16_t>(static_cast<uint16_t>(bits));
  return static_cast<int32_t>(static_cast<uint32_t>(bits));
}

// The normalised ASCII form "[-]digits[.digits][e[+|-]digits]" to a double, without locale.
// Out of range: a value too small reads as zero, one too large is Overflow.
Parsed ascii_to_double(const std::string& s) {
  double v = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec == std::errc() && end == s.data() + s.size()) return {Status::Ok, v};
  if (ec != std::errc::result_out_of_range) return {};
  // Decide by the decimal magnitude: digits before the point minus leading zeros, plus exponent.
  bool negative = !s.empty() && s[0] == '-';
  long long before_point = 0, leading_zeros = 0, exponent = 0;
  bool point = false, nonzero = false;
  std::size_t i = negative ? 1 : 0;
  for (; i < s.size() && s[i] != 'e'; ++i) {
    if (s[i] == '.') {
      point = true;
      continue;
    }
    if (!point) ++before_point;
    if (s[i] != '0') nonzero = true;
    if (!nonzero) ++leading_zeros;
  }
  if (i < s.size()) {
    bool exp_negative = ++i < s.size() && s[i] == '-';
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
    for (; i < s.size(); ++i) exponent = std::min(exponent * 10 + (s[i] - '0'), 1'000'000'000LL);
    if (exp_negative) exponent = -exponent;
  }
  if (before_point - leading_zeros - 1 + exponent < 0) return {Status::Ok, negative ? -0.0 : 0.0};
  return {Status::Overflow, 0};
}

// "&H..." / "&O..." as the whole of `t` (t starts after the '&').
Parsed parse_radix(std::u16string_view t) {
  if (t.empty()) return {};
  int base = (t[0] == u'H' || t[0] == u'h') ? 16 : (t[0] == u'O' || t[0] == u'o') ? 8 : 0;
  if (base == 0 || t.size() < 2) return {};
  uint64_t bits = 0;
  for (char16_t c : t.substr(1)) {
    int d = digit_value(c, base);
    if (d < 0) return {};
    bits = bits * base + d;
    if (bits > 0xFFFFFFFFull) return {Status::Overflow, 0};
  }
  return {Status::Ok, radix_value(bits)};
}

// The reading behind text_to_double, keeping overflow apart so that the variant conversions
// can raise 6 for it (the platform's CDbl("1E400")) and 13 for text that is no number.
// Thousands separators are accepted between two digits of the integer part, in any grouping
// ("1,234,5" reads as 12345); none after the decimal separator.
Parsed parse_number(std::u16string_view text, const RegionalSettings& rs) {
  std::u16string_view t = trim_blanks(text);
  if (t.empty()) return {};
  if (t[0] == u'&') return parse_radix(t.substr(1));
  std::string ascii;
  std::size_t p = 0;
  if (t[p] == u'+' || t[p] == u'-') {
    if (t[p] == u'-') ascii += '-';
    ++p;
  }
  bool digits = false;
  for (; p < t.size(); ++p) {
    char16_t c = t[p];
    if (is_digit(c)) {
      ascii += static_cast<char>(c);
      digits = true;
    } else if (c != rs.decimal && c == rs.thousands && digits && p + 1 < t.size() &&
               is_digit(t[p + 1])) {
      continue;
    } else {
      break;
    }
  }
  if (p < t.size() && t[p] == rs.decimal) {
    ascii += '.';
    for (++p; p < t.size() && is_digit(t[p]); ++p) {
      ascii += static_cast<char>(t[p]);
      digits = true;
    }
  }
  if (!digits) return {};
  if (p < t.size() && (t[p] == u'e' || t[p] == u'E')) {
    ascii += 'e';
    if (++p < t.size() && (t[p] == u'+' || t[p] == u'-')) ascii += static_cast<char>(t[p++]);
    bool exp_digits = false;
    for (; p < t.size() && is_digit(t[p]); ++p) {
      ascii += static_cast<char>(t[p]);
      exp_digits = true;
    }
    if (!exp_digits) return {};
  }
  if (p != t.size()) return {};
  return ascii_to_double(ascii);
}

// ---- Serial range ------------------------------------------------------------------------

constexpr double kMinSerial = -657434;  // 100-01-01
constexpr double kMaxSerial = 2958465;  // 9999-12-31

// The platform's serial of a day and a time of day (fraction in [0, 1)): before 1899-12-30
// the time counts away from zero, so the integer part stays the day (1899-12-29 12:00 = -1.5).
double make_serial(long long day, double time) {
  return day < 0 ? day - time : day + time;
}

bool serial_in_range(double s) {
  return s > kMinSerial - 1 && s < kMaxSerial + 1;
}

// ---- Date reading -------------------------------------------------------------------------

// A cursor over date text.
struct Scanner {
  std::u16string_view t;
  std::size_t p = 0;

  bool done() const { return p >= t.size(); }
  char16_t peek() const { return done() ? 0 : t[p]; }
  void skip_blanks() {
    while (!done() && is_blank(t[p])) ++p;
  }
  // Up to `max_digits` decimal digits; the count read goes to *count.
  bool number(int& value, int* count = nullptr, int max_digits = 4) {
    int n = 0;
    value = 0;
    for (; !done() && is_digit(t[p]) && n < max_digits; ++n) value = value * 10 + (t[p++] - u'0');
    if (count) *count = n;
    return n > 0 && !(!done() && is_digit(t[p]));
  }
  bool accept_word(std::u16string_view w) {
    if (w.empty() || t.size() - p < w.size() || !iequals(t.substr(p, w.size()), w)) return false;
    p += w.size();
    return true;
  }
};

bool is_date_separator(char16_t c, const RegionalSettings& rs) {
  return c == rs.date_separator || c == u'/' || c == u'-' || c == u'.';
}

// "h:mm[:ss]" with an optional AM/PM (English or regional, any case); the fraction of a day.
std::optional<double> read_time(Scanner& s, const RegionalSettings& rs) {
  int h = 0, m = 0, sec = 0;
  if (!s.number(h, nullptr, 2) || s.peek() != u':') return std::nullopt;
  ++s.p;
  if (!s.number(m, nullptr, 2)) return std::nullopt;
  if (s.peek() == u':') {
    ++s.p;
    if (!s.number(sec, nullptr, 2)) return std::nullopt;
  }
  s.skip_blanks();
  int half = 0;  // 1 = AM, 2 = PM
  if (s.accept_word(u"AM") || s.accept_word(rs.am))
    half = 1;
  else if (s.accept_word(u"PM") || s.accept_word(rs.pm))
    half = 2;
  if (m > 59 || sec > 59 || h > (half ? 12 : 23)) return std::nullopt;
  if (half == 1 && h == 12) h = 0;
  if (half == 2 && h < 12) h += 12;
  return (h * 3600 + m * 60 + sec) / 86400.0;
}

// Three numbers with one separator in the regional order (a four-digit first number means
// ISO year-month-day in any order); years of up to two digits are 00-29 -> 20xx, 30-99 -> 19xx.
std::optional<long long> read_date(Scanner& s, const RegionalSettings& rs) {
  int n[3], digits[3];
  char16_t sep = 0;
  for (int i = 0; i < 3; ++i) {
    if (i > 0) {
      char16_t c = s.peek();
      if (!is_date_separator(c, rs) || (sep && c != sep)) return std::nullopt;
      sep = c;
      ++s.p;
    }
    if (!s.number(n[i], &digits[i])) return std::nullopt;
  }
  DateOrder order = digits[0] == 4 ? DateOrder::YMD : rs.date_order;
  int yi = order == DateOrder::YMD ? 0 : 2;
  int mi = order == DateOrder::DMY ? 1 : order == DateOrder::MDY ? 0 : 1;
  int di = order == DateOrder::DMY ? 0 : order == DateOrder::MDY ? 1 : 2;
  long long y = n[yi];
  if (digits[yi] <= 2) y += y < 30 ? 2000 : 1900;
  unsigned m = n[mi], d = n[di];
  if (y < 100 || y > 9999 || m < 1 || m > 12 || d < 1 || d > days_in_month(y, m))
    return std::nullopt;
  return day_serial(y, m, d);
}

// ---- Text writing -------------------------------------------------------------------------

// `value` in decimal, zeros in front up to `width` characters (the sign counts, as in printf's
// "%0*lld"), appended to `out`. Written by hand: long lists format thousands of dates.
void append_padded(std::u16string& out, long long value, int width) {
  char16_t buf[24];
  char16_t* end = buf + sizeof buf / sizeof buf[0];
  char16_t* p = end;
  unsigned long long rest = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                      : static_cast<unsigned long long>(value);
  do {
    *--p = static_cast<char16_t>(u'0' + rest % 10);
    rest /= 10;
  } while (rest);
  int sign = value < 0 ? 1 : 0;
  while (end - p + sign < width) *--p = u'0';
  if (sign) *--p = u'-';
  out.append(p, end);
}

std::u16string padded(long long value, int width) {
  std::u16string out;
  append_padded(out, value, width);
  return out;
}

[[noreturn]] void fail(int32_t number) {
  throw Error::standard(number);
}

// Any scalar as a double for the numeric conversions (Boolean true = -1, a date its serial).
double number_of(const Variant& v) {
  switch (v.type()) {
    case VarType::Empty:
      return 0;
    case VarType::Boolean:
      return v.get<bool>() ? -1 : 0;
    case VarType::Integer:
      return v.get<int16_t>();
    case VarType::Long:
      return v.get<int32_t>();
    case VarType::Single:
      return v.get<float>();
    case VarType::Double:
      return v.get<double>();
    case VarType::Date:
      return v.get<Date>().serial;
    case VarType::String: {
      Parsed r = parse_number(v.string(), regional());
      if (r.status == Status::Overflow) fail(err::kOverflow);
      if (r.status == Status::Bad) fail(err::kTypeMismatch);
      return r.value;
    }
    case VarType::Null:
      fail(err::kInvalidUseOfNull);
    case VarType::Error:
      fail(err::kArgumentNotOptional);
    default:
      fail(err::kTypeMismatch);
  }
}

// Round half to even, then fail with 6 outside [lo, hi] (NaN included).
double to_range(const Variant& v, double lo, double hi) {
  double r = round_half_even(number_of(v));
  if (!(r >= lo && r <= hi)) fail(err::kOverflow);
  return r;
}

}  // namespace

// ---- Public -------------------------------------------------------------------------------

const RegionalSettings& regional() {
  SettingsStorage& s = settings_storage();
  if (!s.settings) s.settings = s.source ? s.source() : RegionalSettings{};
  return *s.settings;
}
void set_regional(const RegionalSettings& settings) {
  settings_storage().settings = settings;
}
void set_regional_source(RegionalSource source) {
  SettingsStorage& s = settings_storage();
  s.source = source;
  s.settings.reset();
}

double round_half_even(double value) {
  if (!std::isfinite(value)) return value;
  double floor = std::floor(value);
  double diff = value - floor;  // exact for doubles
  if (diff < 0.5) return floor;
  if (diff > 0.5) return floor + 1;
  return std::fmod(floor, 2) == 0 ? floor : floor + 1;
}

int16_t to_integer(const Variant& v) {
  return static_cast<int16_t>(to_range(v, -32768, 32767));
}

int32_t to_long(const Variant& v) {
  return static_cast<int32_t>(to_range(v, -2147483648.0, 2147483647.0));
}

float to_single(const Variant& v) {
  double d = number_of(v);
  if (std::isfinite(d) && std::fabs(d) > std::numeric_limits<float>::max()) {
    // Values that round to the largest Single still fit.
    float f = static_cast<float>(d);
    if (std::isinf(f)) fail(err::kOverflow);
    return f;
  }
  return static_cast<float>(d);
}

double to_double(const Variant& v) {
  return number_of(v);
}

// Text: "true"/"false" in any case (blanks trimmed), else a number text (nonzero = true).
bool to_boolean(const Variant& v) {
  if (v.is_string()) {
    std::u16string_view t = trim_blanks(v.string());
    if (iequals(t, u"true")) return true;
    if (iequals(t, u"false")) return false;
  }
  return number_of(v) != 0;
}

// Text reads with text_to_date only (a number text is 13); a number is a serial, which must
// lie within 100-01-01 .. 9999-12-31 (else 6). A Date passes unchanged.
Date to_date(const Variant& v) {
  if (v.type() == VarType::Date) return v.get<Date>();
  if (v.is_string()) {
    if (auto d = text_to_date(v.string(), regional())) return *d;
    fail(err::kTypeMismatch);
  }
  double serial = number_of(v);
  if (!serial_in_range(serial)) fail(err::kOverflow);
  return Date{serial};
}

std::u16string to_string(const Variant& v) {
  switch (v.type()) {
    case VarType::Empty:
      return {};
    case VarType::Boolean:
      return v.get<bool>() ? u"True" : u"False";
    case VarType::Integer:
    case VarType::Long:
      return ascii_to_u16(std::to_string(to_long(v)));
    case VarType::Single:
      return single_to_text(v.get<float>(), regional());
    case VarType::Double:
      return double_to_text(v.get<double>(), regional());
    case VarType::Date:
      return date_to_text(v.get<Date>(), regional());
    case VarType::String:
      return v.string();
    case VarType::Null:
      fail(err::kInvalidUseOfNull);
    case VarType::Error:
      fail(err::kArgumentNotOptional);
    default:
      fail(err::kTypeMismatch);
  }
}

// Variant keeps anything (Missing included); Error accepts only Missing; Empty and Null accept
// only themselves; otherwise Missing is 449 and the to_* conversion decides.
Variant coerce(const Variant& v, VarType type) {
  if (type == VarType::Variant || v.type() == type) return v;
  if (v.is_missing()) fail(err::kArgumentNotOptional);
  switch (type) {
    case VarType::Integer:
      return Variant(to_integer(v));
    case VarType::Long:
      return Variant(to_long(v));
    case VarType::Single:
      return Variant(to_single(v));
    case VarType::Double:
      return Variant(to_double(v));
    case VarType::Date:
      return Variant(to_date(v));
    case VarType::String:
      return Variant(to_string(v));
    case VarType::Boolean:
      return Variant(to_boolean(v));
    default:
      fail(err::kTypeMismatch);  // Object, Array, Empty, Null, Error
  }
}

// Out of the double range: nothing (to_double and the others raise 6 for such text instead).
// "&H"/"&O" text reads as 16/32-bit values (see radix_value); more than 32 bits is nothing.
std::optional<double> text_to_double(std::u16string_view text, const RegionalSettings& rs) {
  Parsed r = parse_number(text, rs);
  if (r.status != Status::Ok) return std::nullopt;
  return r.value;
}

// Accepted: [date] [time], date-only, time-only (day 0), and ISO "yyyy-mm-ddThh:mm[:ss]".
// Month names and two-part dates are not read.
std::optional<Date> text_to_date(std::u16string_view text, const RegionalSettings& rs) {
  Scanner s{trim_blanks(text)};
  if (s.done()) return std::nullopt;
  long long day = 0;
  // A leading number followed by ':' starts a time; anything else must start a date.
  std::size_t q = 0;
  while (q < s.t.size() && is_digit(s.t[q])) ++q;
  bool time_first = q < s.t.size() && s.t[q] == u':';
  double time = 0;
  if (!time_first) {
    auto d = read_date(s, rs);
    if (!d) return std::nullopt;
    day = *d;
    if (s.peek() == u'T' || s.peek() == u't') {
      ++s.p;  // ISO "2024-01-02T13:00": a time must follow
      if (s.done()) return std::nullopt;
    } else {
      s.skip_blanks();
    }
  }
  if (!s.done()) {
    auto t = read_time(s, rs);
    if (!t) return std::nullopt;
    time = *t;
    s.skip_blanks();
  }
  if (!s.done()) return std::nullopt;
  return Date{make_serial(day, time)};
}

// Val(): blanks (space, tab, CR, LF) are skipped everywhere, also inside the number
// ("1 2 3" = 123). A value too large for a double fails with 6 as Val does; "&H"/"&O" read as
// 16/32-bit values and stop at the digit that would pass 32 bits.
double leading_number(std::u16string_view text) {
  std::size_t i = 0;
  auto peek = [&]() -> char16_t {
    while (i < text.size() && (is_blank(text[i]) || text[i] == u'\r' || text[i] == u'\n')) ++i;
    return i < text.size() ? text[i] : 0;
  };
  char16_t c = peek();
  if (c == u'&') {
    ++i;
    c = peek();
    int base = (c == u'H' || c == u'h') ? 16 : (c == u'O' || c == u'o') ? 8 : 0;
    if (base == 0) return 0;
    ++i;
    uint64_t bits = 0;
    for (int d; (d = digit_value(peek(), base)) >= 0 && bits * base + d <= 0xFFFFFFFFull; ++i)
      bits = bits * base + d;
    return radix_value(bits);
  }
  std::string ascii;
  if (c == u'+' || c == u'-') {
    if (c == u'-') ascii += '-';
    ++i;
  }
  auto read_digits = [&](std::string& into) {
    bool any = false;
    for (; is_digit(c = peek()); ++i, any = true) into += static_cast<char>(c);
    return any;
  };
  bool digits = read_digits(ascii);
  if (c == u'.') {
    ascii += '.';
    ++i;
    digits = read_digits(ascii) || digits;
  }
  if (!digits) return 0;
  if (c == u'e' || c == u'E' || c == u'd' || c == u'D') {
    std::size_t save = i++;
    std::string exp = "e";
    c = peek();
    if (c == u'+' || c == u'-') {
      exp += static_cast<char>(c);
      ++i;
    }
    if (read_digits(exp)) {
      ascii += exp;
    } else {
      i = save;  // "1e" reads as 1
    }
  }
  Parsed r = ascii_to_double(ascii);
  if (r.status == Status::Overflow) fail(err::kOverflow);
  return r.value == 0 ? 0.0 : r.value;  // never "-0"
}

// Rounded to 15 significant digits, trailing zeros dropped; fixed notation for decimal
// exponents -4..14, else "d.dddE+XX" (sign always, at least two exponent digits). NaN and the
// infinities (which no platform value holds) read "NaN", "Infinity", "-Infinity".
namespace {

// Decimal digits "d1d2d3..." standing for d1.d2d3... x 10^exponent, written the platform's way:
// no thousands separator, the regional decimal separator, and the exponent form ("1.5E-07",
// "1E+15") from 10^`exponent_from` up and below 1E-04.
std::u16string lay_out(bool negative, std::string digits, int exponent, int exponent_from,
                       const RegionalSettings& rs) {
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  std::u16string out = negative ? u"-" : u"";
  auto append_digits = [&](std::string_view d) { out += ascii_to_u16(d); };
  if (exponent >= exponent_from || exponent < -4) {
    out += static_cast<char16_t>(digits[0]);
    if (digits.size() > 1) {
      out += rs.decimal;
      append_digits(std::string_view(digits).substr(1));
    }
    out += u'E';
    out += exponent < 0 ? u'-' : u'+';
    std::string magnitude = std::to_string(exponent < 0 ? -exponent : exponent);
    if (magnitude.size() < 2) magnitude.insert(0, 1, '0');
    append_digits(magnitude);
  } else if (exponent < 0) {
    out += u'0';
    out += rs.decimal;
    out.append(static_cast<std::size_t>(-exponent - 1), u'0');
    append_digits(digits);
  } else {
    std::size_t whole = static_cast<std::size_t>(exponent) + 1;
    if (digits.size() < whole) digits.append(whole - digits.size(), '0');
    append_digits(std::string_view(digits).substr(0, whole));
    if (digits.size() > whole) {
      out += rs.decimal;
      append_digits(std::string_view(digits).substr(whole));
    }
  }
  return out;
}

// The value in to_chars' scientific form with `precision` significant digits (all of the shortest
// round-trip form when `precision` is 0), laid out as lay_out does.
std::u16string scientific_text(double value, int precision, int exponent_from,
                               const RegionalSettings& rs) {
  char buf[64];
  auto res = precision > 0
                 ? std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific,
                                 precision - 1)
                 : std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
  std::string_view sci(buf, static_cast<std::size_t>(res.ptr - buf));  // "-d.ddde+XX"
  bool negative = sci[0] == '-';
  std::size_t e = sci.find('e');
  int exponent = 0;
  std::from_chars(sci.data() + e + (sci[e + 1] == '+' ? 2 : 1), sci.data() + sci.size(), exponent);
  std::string digits;
  for (std::size_t k = negative ? 1 : 0; k < e; ++k)
    if (sci[k] != '.') digits += sci[k];
  return lay_out(negative, std::move(digits), exponent, exponent_from, rs);
}

// The platform's number text with `precision` significant digits at most (15 for a Double, 7 for
// a Single): the shortest text that reads back as the value when it is that short, else the value
// rounded to `precision` digits; the exponent form from 10^precision up and below 1E-04.
template <class T>
std::u16string number_text(T value, int precision, const RegionalSettings& rs) {
  if (std::isnan(value)) return u"NaN";
  if (std::isinf(value)) return value > 0 ? u"Infinity" : u"-Infinity";
  if (value == 0) return u"0";
  const double limit = std::pow(10.0, precision);
  // Whole numbers below the limit, the usual room, guest and folio numbers, print as they are.
  if (std::fabs(value) < limit && value == std::trunc(value))
    return padded(static_cast<long long>(value), 1);
  // Amounts and rates: when the shortest text that reads back as the value has at most
  // `precision` significant digits, rounding to that many digits gives those same digits, so that
  // text is the answer (the binary value is far closer to it than half a unit of the last digit).
  if (std::fabs(value) >= 1e-4 && std::fabs(value) < limit) {
    char buf[64];
    auto shortest = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    std::string_view text(buf, static_cast<std::size_t>(shortest.ptr - buf));
    std::size_t first = text.find_first_not_of("-0.");
    int significant = 0;
    for (std::size_t k = first; k < text.size(); ++k) significant += text[k] != '.';
    if (significant <= precision) {
      std::u16string out = ascii_to_u16(text);
      if (std::size_t dot = out.find(u'.'); dot != std::u16string::npos) out[dot] = rs.decimal;
      return out;
    }
  }
  return scientific_text(static_cast<double>(value), precision, precision, rs);
}

}  // namespace

std::u16string double_to_text(double value, const RegionalSettings& rs) {
  return number_text(value, 15, rs);
}

std::u16string fixed_number_text(double value, int decimals, bool leading_zero, bool parens,
                                 bool group, const RegionalSettings& rs) {
  if (!std::isfinite(value)) return double_to_text(value, rs);
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
  std::string_view sci(buf, static_cast<std::size_t>(res.ptr - buf));  // "-d.dddde+XX"
  // A negative amount keeps its sign when it rounds to zero ("-0.00"), as the platform's
  // formatting does; only zero itself has none.
  bool negative = value < 0;
  std::size_t e = sci.find('e');
  int exponent = 0;
  std::from_chars(sci.data() + e + (sci[e + 1] == '+' ? 2 : 1), sci.data() + sci.size(), exponent);
  std::string digits;
  for (std::size_t k = sci[0] == '-' ? 1 : 0; k < e; ++k)
    if (sci[k] != '.') digits += sci[k];
  // digits[0..point) is the whole part.
  int point = exponent + 1;
  if (point < 0) {
    digits.insert(0, static_cast<std::size_t>(-point), '0');
    point = 0;
  }
  std::size_t kept = static_cast<std::size_t>(point) + static_cast<std::size_t>(decimals);
  if (digits.size() < kept) digits.append(kept - digits.size(), '0');
  bool up = digits.size() > kept && digits[kept] >= '5';
  digits.resize(kept);
  if (up) {
    std::size_t k = kept;
    while (k > 0 && digits[k - 1] == '9') digits[--k] = '0';
    if (k == 0) {
      digits.insert(0, 1, '1');
      ++point;
    } else {
      ++digits[k - 1];
    }
  }
  std::string whole = digits.substr(0, static_cast<std::size_t>(point));
  std::string fraction = digits.substr(static_cast<std::size_t>(point));
  whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size()));
  std::u16string out;
  if (whole.empty() && leading_zero) out += u'0';
  for (std::size_t k = 0; k < whole.size(); ++k) {
    if (group && k > 0 && (whole.size() - k) % 3 == 0) out += rs.thousands;
    out += static_cast<char16_t>(whole[k]);
  }
  if (decimals > 0) {
    out += rs.decimal;
    out += ascii_to_u16(fraction);
  }
  if (!negative) return out;
  return parens ? u"(" + out + u")" : u"-" + out;
}

std::u16string single_to_text(float value, const RegionalSettings& rs) {
  return number_text(value, 7, rs);
}

std::u16string double_to_round_trip_text(double value, const RegionalSettings& rs) {
  if (std::isnan(value)) return u"NaN";
  if (std::isinf(value)) return value > 0 ? u"Infinity" : u"-Infinity";
  if (value == 0) return u"0";
  // Without a precision, to_chars writes the fewest digits that read back as the value.
  return scientific_text(value, 0, 15, rs);
}

// The date part by order: MDY "M/D/YYYY", DMY "DD/MM/YYYY", YMD "YYYY/MM/DD", each with the
// regional separator (so YMD with '-' is ISO); the time part "h:mm:ss AM" (12h, the regional
// AM/PM texts) or "HH:mm:ss" (24h), seconds rounded. Day 0 gives the time only (also at
// midnight: "12:00:00 AM"), midnight the date only. A serial outside 100-01-01 .. 9999-12-31
// fails with 6.
std::u16string date_to_text(Date value, const RegionalSettings& rs) {
  return date_to_text(value, rs, DateForm::General);
}

namespace {

constexpr std::u16string_view kMonthNames[] = {u"January",   u"February", u"March",    u"April",
                                               u"May",       u"June",     u"July",     u"August",
                                               u"September", u"October",  u"November", u"December"};
constexpr std::u16string_view kWeekdayNames[] = {u"Sunday",   u"Monday", u"Tuesday", u"Wednesday",
                                                 u"Thursday", u"Friday", u"Saturday"};

}  // namespace

std::u16string_view month_name(unsigned month, bool abbreviated) {
  std::u16string_view name = kMonthNames[(month - 1) % 12];
  return abbreviated ? name.substr(0, 3) : name;
}

std::u16string_view weekday_name(unsigned weekday, bool abbreviated) {
  std::u16string_view name = kWeekdayNames[(weekday - 1) % 7];
  return abbreviated ? name.substr(0, 3) : name;
}

std::u16string date_to_text(Date value, const RegionalSettings& rs, DateForm form) {
  if (!serial_in_range(value.serial)) fail(err::kOverflow);
  double whole = std::trunc(value.serial);
  long long day = static_cast<long long>(whole);
  long long secs = std::llround(std::fabs(value.serial - whole) * 86400);
  if (secs >= 86400) {  // 23:59:59.6 is the next day's midnight
    secs -= 86400;
    ++day;
  }

  bool general = form == DateForm::General;
  bool show_date = general ? day != 0 : form == DateForm::LongDate || form == DateForm::ShortDate;
  bool show_time =
      general ? day == 0 || secs != 0 : form == DateForm::LongTime || form == DateForm::ShortTime;
  std::u16string out;
  out.reserve(32);
  if (show_date && form == DateForm::LongDate) {
    CivilDate c = civil_date(day);
    // 1899-12-30, day 0, was a Saturday.
    long long weekday = ((day % 7) + 7 + 6) % 7 + 1;
    out += weekday_name(static_cast<unsigned>(weekday), false);
    out += u", ";
    out += month_name(c.month, false);
    out += u' ';
    append_padded(out, c.day, 1);
    out += u", ";
    append_padded(out, c.year, 4);
  } else if (show_date) {
    CivilDate c = civil_date(day);
    const char16_t sep = rs.date_separator;
    switch (rs.date_order) {
      case DateOrder::MDY:
        append_padded(out, c.month, 1);
        out += sep;
        append_padded(out, c.day, 1);
        out += sep;
        append_padded(out, c.year, 4);
        break;
      case DateOrder::DMY:
        append_padded(out, c.day, 2);
        out += sep;
        append_padded(out, c.month, 2);
        out += sep;
        append_padded(out, c.year, 4);
        break;
      case DateOrder::YMD:
        append_padded(out, c.year, 4);
        out += sep;
        append_padded(out, c.month, 2);
        out += sep;
        append_padded(out, c.day, 2);
        break;
    }
  }
  if (show_time && form == DateForm::ShortTime) {
    append_padded(out, secs / 3600, 2);
    out += u':';
    append_padded(out, secs / 60 % 60, 2);
  } else if (show_time) {
    if (!out.empty()) out += u' ';
    long long h = secs / 3600, m = secs / 60 % 60, s = secs % 60;
    if (rs.time_24h)
      append_padded(out, h, 2);
    else
      append_padded(out, h % 12 == 0 ? 12 : h % 12, 1);
    out += u':';
    append_padded(out, m, 2);
    out += u':';
    append_padded(out, s, 2);
    if (!rs.time_24h) {
      out += u' ';
      out += h < 12 ? rs.am : rs.pm;
    }
  }
  return out;
}

}  // namespace halvora
