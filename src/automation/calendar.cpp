#include "automation/calendar.h"

#include <chrono>
#include <ctime>

namespace halvora {

namespace {

// Days from 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
long long days_from_civil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

CivilDate civil_from_days(long long z) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return {static_cast<long long>(yoe) + era * 400 + (m <= 2), m, d};
}

// 1899-12-30 counted from 1970-01-01.
constexpr long long kEpoch = -25569;

}  // namespace

long long day_serial(long long year, unsigned month, unsigned day) {
  return days_from_civil(year, month, day) - kEpoch;
}

CivilDate civil_date(long long serial) {
  return civil_from_days(serial + kEpoch);
}

bool is_leap_year(long long y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

unsigned days_in_month(long long y, unsigned m) {
  static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && is_leap_year(y) ? 29 : kDays[m - 1];
}

namespace {

struct LocalClock {
  std::tm fields{};
  int milliseconds = 0;
  bool known = false;
};

// One reading of the clock, so the date, the time and the milliseconds agree.
LocalClock read_local_clock() {
  auto now = std::chrono::system_clock::now();
  std::time_t t = std::chrono::system_clock::to_time_t(now);
  LocalClock c;
  // The library is apartment-threaded: one thread calls in, so localtime's shared buffer is safe.
  if (const std::tm* tm = std::localtime(&t)) {
    c.fields = *tm;
    c.known = true;
  }
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) % 1000;
  c.milliseconds = static_cast<int>(ms.count());
  return c;
}

int seconds_of_day(const std::tm& tm) {
  return tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec;
}

}  // namespace

Date local_now() {
  LocalClock c = read_local_clock();
  if (!c.known) return Date{};
  const std::tm& tm = c.fields;
  long long day = day_serial(tm.tm_year + 1900, static_cast<unsigned>(tm.tm_mon + 1),
                             static_cast<unsigned>(tm.tm_mday));
  return Date{static_cast<double>(day) + seconds_of_day(tm) / 86400.0};
}

double local_seconds_today() {
  LocalClock c = read_local_clock();
  if (!c.known) return 0;
  return seconds_of_day(c.fields) + c.milliseconds / 1000.0;
}

}  // namespace halvora
