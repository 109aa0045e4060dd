// Every conversion between automation values and text, with the regional settings. The
// classes, the dispatcher and the script host all convert through here, so a value reads
// the same whichever of them meets it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "automation/variant.h"

namespace halvora {

enum class DateOrder { MDY, DMY, YMD };

// The user's regional settings as the platform's conversions use them.
struct RegionalSettings {
  char16_t decimal = u'.';
  char16_t thousands = u',';
  DateOrder date_order = DateOrder::MDY;
  char16_t date_separator = u'/';
  bool time_24h = false;  // false: "h:mm:ss AM"
  std::u16string am = u"AM";
  std::u16string pm = u"PM";
};

// The settings in force, read through the source on first use; without a source, the defaults
// above. Tests and the host may replace them.
const RegionalSettings& regional();
void set_regional(const RegionalSettings& settings);

// Where the settings come from: the machine's locale is the platform's to read, so a program
// names the platform's reading here before its first conversion. Setting a source drops the
// settings read so far.
using RegionalSource = RegionalSettings (*)();
void set_regional_source(RegionalSource source);

// Round half to even, as the platform's integer conversions do (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
double round_half_even(double value);

// Variant conversions with the platform's rules:
// - Empty converts to 0, "" or false; Null fails with 94 (invalid use of Null);
// - text converts through the regional settings, and fails with 13 when it does not read;
// - 16/32-bit results round half to even and fail with 6 outside their range;
// - an object or array where a scalar is wanted fails with 13.
int16_t to_integer(const Variant& v);
int32_t to_long(const Variant& v);
float to_single(const Variant& v);  // rounded to the nearest Single; 6 outside its range
double to_double(const Variant& v);
bool to_boolean(const Variant& v);  // "true"/"false" in any case, or any number (0 = false)
Date to_date(const Variant& v);
std::u16string to_string(const Variant& v);  // Boolean as "True"/"False"

// The value converted to a declared parameter or property type (VarType::Variant keeps it
// as it is; VarType::Object wants an object or Nothing, else 13). Used by the dispatcher.
Variant coerce(const Variant& v, VarType type);

// Text to number and date with the regional settings: leading and trailing blanks allowed, an
// optional sign, thousands separators between digits, the decimal separator, an exponent.
// Nothing when the text does not read as a whole.
std::optional<double> text_to_double(std::u16string_view text, const RegionalSettings& rs);
std::optional<Date> text_to_date(std::u16string_view text, const RegionalSettings& rs);

// The leading-number reading of service answers: blanks skipped, optional sign, digits, a
// period as the decimal separator (never the regional one), optional exponent; reading stops at
// the first other character; no number gives 0.
double leading_number(std::u16string_view text);

// Up to 15 significant digits, shortest form, no thousands separator, the regional decimal
// separator; whole numbers without a decimal part (262500 -> "262500"), large or tiny values in
// the platform's exponent form ("1E+16", "1.5E-07").
std::u16string double_to_text(double value, const RegionalSettings& rs);
// The same for a Single, with up to 7 significant digits ("0.3333333", "1.234568E+07").
std::u16string single_to_text(float value, const RegionalSettings& rs);

// The shortest text that reads back (text_to_double, the same settings) as exactly this value:
// up to 17 significant digits, laid out as double_to_text lays out its 15 (no thousands
// separator, the regional decimal separator, the exponent form outside 1E-04 to 1E+15). For
// values that are stored and read again, where double_to_text's rounding would change them.
std::u16string double_to_round_trip_text(double value, const RegionalSettings& rs);

// The general date form: date only at midnight, time only on day 0, else both.
std::u16string date_to_text(Date value, const RegionalSettings& rs);

// The named date forms of the platform's date formatting. General is the form above; ShortDate
// and LongTime are its two halves, each written even when it is zero; LongDate names the day and
// the month ("Thursday, December 24, 2026") and ShortTime is "HH:mm" on the 24-hour clock. The
// regional settings carry no names, so the long date's are English.
enum class DateForm { General, LongDate, ShortDate, LongTime, ShortTime };
std::u16string date_to_text(Date value, const RegionalSettings& rs, DateForm form);

// English month (1..12) and weekday (1 = Sunday .. 7) names, or their first three letters.
std::u16string_view month_name(unsigned month, bool abbreviated);
std::u16string_view weekday_name(unsigned weekday, bool abbreviated);

// A number with a fixed count of decimals, as the platform's number formatting writes it: the
// value taken to 15 significant digits and rounded half away from zero, the regional decimal
// separator, the whole part grouped by threes with the regional thousands separator when
// `group`, "0.5" or ".5" by `leading_zero`, a negative value in parentheses when `parens` (also
// one that rounds to zero: "-0.00").
std::u16string fixed_number_text(double value, int decimals, bool leading_zero, bool parens,
                                 bool group, const RegionalSettings& rs);

}  // namespace halvora
