// The date and time functions: parts of a date, date arithmetic and the named date forms. Days
// count from 1899-12-30 as the platform's dates do, with the time of day in the fraction; a date
// before that day keeps its time as a positive fraction below its (negative) day.
#include <cmath>
#include <cstdint>

#include "automation/calendar.h"
#include "builtin_support.h"

namespace halvora::host::builtin {

namespace {

constexpr long long kDay = 86400;

// A date as its day and the seconds into that day.
struct Moment {
  long long day = 0;
  long long secs = 0;

  long long total() const { return day * kDay + secs; }
};

Moment moment_of(Date d) {
  double whole = std::trunc(d.serial);
  Moment m{static_cast<long long>(whole), std::llround(std::fabs(d.serial - whole) * kDay)};
  if (m.secs >= kDay) {
    m.secs -= kDay;
    ++m.day;
  }
  return m;
}

long long floor_div(long long a, long long b) {
  long long q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

Moment moment_at(long long total) {
  long long day = floor_div(total, kDay);
  return {day, total - day * kDay};
}

// The platform's years run from 100 to 9999; beyond them a result is 5.
Date date_of(Moment m) {
  double time = static_cast<double>(m.secs) / kDay;
  double serial = m.day < 0 ? static_cast<double>(m.day) - time : static_cast<double>(m.day) + time;
  if (serial < day_serial(100, 1, 1) || serial >= day_serial(10000, 1, 1))
    throw runtime_error(err::kInvalidCall);
  return Date{serial};
}

Moment moment_arg(const Variant& v) {
  return moment_of(to_date(v));
}

// 1 = Sunday .. 7 = Saturday; day 0 was a Saturday.
int weekday_of(long long day) {
  return static_cast<int>(((day % 7) + 7 + 6) % 7) + 1;
}

// The first day of the week: 1 (Sunday) to 7; 0 means the system's, Sunday here.
int first_day_arg(Args a, std::size_t i) {
  int32_t f = given(a, i) ? to_long(a[i]) : 1;
  if (f < 0 || f > 7) throw runtime_error(err::kInvalidCall);
  return f == 0 ? 1 : f;
}

// The weekday counted from the week's first day, 1 to 7.
int weekday_from(long long day, int first) {
  return (weekday_of(day) - first + 7) % 7 + 1;
}

Variant integer(long long v) {
  return Variant(static_cast<int16_t>(v));
}

// Year, Month, Day, Hour, Minute, Second: a part of a date; Null gives Null.
template <long long (*Part)(const Moment&)>
Variant part(Args a) {
  arity(a, 1, 1);
  return null_or(a[0], [&] { return integer(Part(moment_arg(a[0]))); });
}

long long year_of(const Moment& m) {
  return civil_date(m.day).year;
}
long long month_of(const Moment& m) {
  return civil_date(m.day).month;
}
long long day_of(const Moment& m) {
  return civil_date(m.day).day;
}
long long hour_of(const Moment& m) {
  return m.secs / 3600;
}
long long minute_of(const Moment& m) {
  return m.secs / 60 % 60;
}
long long second_of(const Moment& m) {
  return m.secs % 60;
}

// The month count since year 0, and back, for month arithmetic.
long long months_of(const Moment& m) {
  CivilDate c = civil_date(m.day);
  return c.year * 12 + (c.month - 1);
}

// The day `months` months on, kept within the shorter month (Jan 31 + 1 month is Feb 28).
long long add_months(long long day, long long months) {
  CivilDate c = civil_date(day);
  long long total = c.year * 12 + (c.month - 1) + months;
  long long year = floor_div(total, 12);
  unsigned month = static_cast<unsigned>(total - year * 12 + 1);
  if (year < 100 || year > 9999) throw runtime_error(err::kInvalidCall);
  unsigned last = days_in_month(year, month);
  return day_serial(year, month, c.day < last ? c.day : last);
}

std::u16string interval_arg(const Variant& v) {
  return lower_case(text(v));
}

// First day of week 1 of a year: the week of January 1 (1), the first with four days of the year
// (2), or the first whole week (3).
long long first_week_start(long long year, int first_day, int rule) {
  long long jan1 = day_serial(year, 1, 1);
  long long into = weekday_from(jan1, first_day) - 1;  // days of the week before January 1
  long long start = jan1 - into;
  if (rule == 2 && 7 - into < 4) start += 7;
  if (rule == 3 && into != 0) start += 7;
  return start;
}

long long week_of_year(long long day, int first_day, int rule) {
  long long year = civil_date(day).year;
  long long start = first_week_start(year, first_day, rule);
  if (day < start) start = first_week_start(year - 1, first_day, rule);
  return floor_div(day - start, 7) + 1;
}

Variant date_add(Args a) {
  arity(a, 3, 3);
  std::u16string interval = interval_arg(a[0]);
  long long n = to_long(a[1]);
  if (a[2].is_null()) return a[2];
  Moment m = moment_arg(a[2]);
  long long seconds = 0;
  if (interval == u"yyyy" || interval == u"q" || interval == u"m") {
    long long months = interval == u"yyyy" ? 12 * n : interval == u"q" ? 3 * n : n;
    m.day = add_months(m.day, months);
    return Variant(date_of(m));
  }
  if (interval == u"d" || interval == u"y" || interval == u"w")
    seconds = n * kDay;
  else if (interval == u"ww")
    seconds = 7 * n * kDay;
  else if (interval == u"h")
    seconds = n * 3600;
  else if (interval == u"n")
    seconds = n * 60;
  else if (interval == u"s")
    seconds = n;
  else
    throw runtime_error(err::kInvalidCall);
  return Variant(date_of(moment_at(m.total() + seconds)));
}

// How many boundaries of the interval lie between the two dates: whole calendar years, months or
// days, hour marks and so on, negative when the second comes first.
Variant date_diff(Args a) {
  arity(a, 3, 5);
  std::u16string interval = interval_arg(a[0]);
  if (a[1].is_null() || a[2].is_null()) return Variant(Null{});
  Moment x = moment_arg(a[1]), y = moment_arg(a[2]);
  int first = first_day_arg(a, 3);
  long long r = 0;
  if (interval == u"yyyy") {
    r = year_of(y) - year_of(x);
  } else if (interval == u"q") {
    r = floor_div(months_of(y), 3) - floor_div(months_of(x), 3);
  } else if (interval == u"m") {
    r = months_of(y) - months_of(x);
  } else if (interval == u"d" || interval == u"y") {
    r = y.day - x.day;
  } else if (interval == u"w") {
    r = (y.day - x.day) / 7;
  } else if (interval == u"ww") {
    long long from = x.day - (weekday_from(x.day, first) - 1);
    long long to = y.day - (weekday_from(y.day, first) - 1);
    r = (to - from) / 7;
  } else if (interval == u"h") {
    r = floor_div(y.total(), 3600) - floor_div(x.total(), 3600);
  } else if (interval == u"n") {
    r = floor_div(y.total(), 60) - floor_div(x.total(), 60);
  } else if (interval == u"s") {
    r = y.total() - x.total();
  } else {
    throw runtime_error(err::kInvalidCall);
  }
  if (r < INT32_MIN || r > INT32_MAX) throw runtime_error(err::kOverflow);
  return Variant(static_cast<int32_t>(r));
}

Variant date_part(Args a) {
  arity(a, 2, 4);
  std::u16string interval = interval_arg(a[0]);
  int first = first_day_arg(a, 2);
  int32_t rule = given(a, 3) ? to_long(a[3]) : 1;
  if (rule < 0 || rule > 3) throw runtime_error(err::kInvalidCall);
  if (a[1].is_null()) return a[1];
  Moment m = moment_arg(a[1]);
  CivilDate c = civil_date(m.day);
  if (interval == u"yyyy") return integer(c.year);
  if (interval == u"q") return integer((c.month - 1) / 3 + 1);
  if (interval == u"m") return integer(c.month);
  if (interval == u"y") return integer(m.day - day_serial(c.year, 1, 1) + 1);
  if (interval == u"d") return integer(c.day);
  if (interval == u"w") return integer(weekday_from(m.day, first));
  if (interval == u"ww") return integer(week_of_year(m.day, first, rule == 0 ? 1 : rule));
  if (interval == u"h") return integer(hour_of(m));
  if (interval == u"n") return integer(minute_of(m));
  if (interval == u"s") return integer(second_of(m));
  throw runtime_error(err::kInvalidCall);
}

// Months and days beyond their range carry into the next year or month (month 14 is February of
// the next year, day 0 the last of the month before). Years 0 to 99 are 1900 to 1999.
Variant date_serial(Args a) {
  arity(a, 3, 3);
  long long year = to_long(a[0]), month = to_long(a[1]), day = to_long(a[2]);
  if (year >= 0 && year <= 99) year += 1900;
  long long total = year * 12 + (month - 1);
  long long y = floor_div(total, 12);
  if (y < 100 || y > 9999) throw runtime_error(err::kInvalidCall);
  unsigned m = static_cast<unsigned>(total - y * 12 + 1);
  return Variant(date_of({day_serial(y, m, 1) + day - 1, 0}));
}

Variant time_serial(Args a) {
  arity(a, 3, 3);
  long long secs = static_cast<long long>(to_long(a[0])) * 3600 +
                   static_cast<long long>(to_long(a[1])) * 60 + to_long(a[2]);
  return Variant(date_of(moment_at(secs)));
}

Variant weekday(Args a) {
  arity(a, 1, 2);
  int first = first_day_arg(a, 1);
  return null_or(a[0], [&] { return integer(weekday_from(moment_arg(a[0]).day, first)); });
}

Variant month_name_fn(Args a) {
  arity(a, 1, 2);
  int32_t month = to_long(a[0]);
  if (month < 1 || month > 12) throw runtime_error(err::kInvalidCall);
  bool brief = given(a, 1) && to_boolean(a[1]);
  return Variant(std::u16string(month_name(static_cast<unsigned>(month), brief)));
}

Variant weekday_name_fn(Args a) {
  arity(a, 1, 3);
  int32_t day = to_long(a[0]);
  if (day < 1 || day > 7) throw runtime_error(err::kInvalidCall);
  bool brief = given(a, 1) && to_boolean(a[1]);
  int first = first_day_arg(a, 2);
  unsigned weekday = static_cast<unsigned>((day - 1 + first - 1) % 7 + 1);
  return Variant(std::u16string(weekday_name(weekday, brief)));
}

Variant format_date_time(Args a) {
  arity(a, 1, 2);
  int32_t form = given(a, 1) ? to_long(a[1]) : 0;
  if (form < 0 || form > 4) throw runtime_error(err::kInvalidCall);
  return Variant(date_to_text(to_date(a[0]), regional(), static_cast<DateForm>(form)));
}

// A Date, or a text that reads as one with the regional settings; no number is a date.
Variant is_date(Args a) {
  arity(a, 1, 1);
  if (a[0].type() == VarType::Date) return Variant(true);
  if (!a[0].is_string()) return Variant(false);
  return Variant(text_to_date(a[0].string(), regional()).has_value());
}

Variant date_value(Args a) {
  arity(a, 1, 1);
  return null_or(a[0], [&] { return Variant(date_of({moment_arg(a[0]).day, 0})); });
}

Variant time_value(Args a) {
  arity(a, 1, 1);
  return null_or(a[0], [&] { return Variant(date_of({0, moment_arg(a[0]).secs})); });
}

}  // namespace

void add_date_functions(Table& t) {
  t.emplace(u"year", part<year_of>);
  t.emplace(u"month", part<month_of>);
  t.emplace(u"day", part<day_of>);
  t.emplace(u"hour", part<hour_of>);
  t.emplace(u"minute", part<minute_of>);
  t.emplace(u"second", part<second_of>);
  t.emplace(u"weekday", weekday);
  t.emplace(u"dateadd", date_add);
  t.emplace(u"datediff", date_diff);
  t.emplace(u"datepart", date_part);
  t.emplace(u"dateserial", date_serial);
  t.emplace(u"timeserial", time_serial);
  t.emplace(u"datevalue", date_value);
  t.emplace(u"timevalue", time_value);
  t.emplace(u"monthname", month_name_fn);
  t.emplace(u"weekdayname", weekday_name_fn);
  t.emplace(u"formatdatetime", format_date_time);
  t.emplace(u"isdate", is_date);
}

}  // namespace halvora::host::builtin
