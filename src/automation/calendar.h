// The one calendar of the library: day serials (the platform's day count from 1899-12-30) of
// proleptic Gregorian dates and back, and the local time now. The conversions, the forms and the
// script host all count days here.
#pragma once

#include "automation/variant.h"

namespace halvora {

struct CivilDate {
  long long year;
  unsigned month;  // 1..12
  unsigned day;    // 1..31
};

// Days from 1899-12-30 to the date; the month and day are taken as valid.
long long day_serial(long long year, unsigned month, unsigned day);
CivilDate civil_date(long long day_serial);

bool is_leap_year(long long year);
unsigned days_in_month(long long year, unsigned month);

// The local wall-clock time now, to the second.
Date local_now();
// Seconds since local midnight, to the millisecond, from the same clock.
double local_seconds_today();

}  // namespace halvora
