// regional_settings() from the user's locale, as the host's own conversions read it.
#include <windows.h>

#include <string>

#include "platform/regional.h"
#include "platform/win32/com_support.h"

namespace halvora::platform {

namespace {

std::u16string locale_text(LCTYPE type) {
  wchar_t buffer[96];
  int n = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, buffer, 96);
  // n counts the terminating null; 0 is a failure.
  return n > 1 ? platform::win32::from_wide(buffer, static_cast<std::size_t>(n - 1))
               : std::u16string();
}

bool single_char(const std::u16string& text, char16_t& out) {
  if (text.size() != 1) return false;
  out = text[0];
  return true;
}

// The order and separator of a short date picture ("M/d/yyyy", "dd.MM.yyyy", "yyyy-MM-dd");
// quoted literals are skipped.
void read_date_format(std::u16string_view picture, RegionalSettings& rs) {
  constexpr std::size_t kNone = std::u16string_view::npos;
  std::size_t day = kNone, month = kNone, year = kNone;
  bool separator = false, quoted = false;
  for (std::size_t i = 0; i < picture.size(); ++i) {
    char16_t c = picture[i];
    if (c == u'\'') quoted = !quoted;
    if (quoted || c == u'\'') continue;
    if (c == u'd' && day == kNone) day = i;
    if (c == u'M' && month == kNone) month = i;
    if (c == u'y' && year == kNone) year = i;
    if (!separator && (c == u'/' || c == u'-' || c == u'.' || c == u',')) {
      rs.date_separator = c;
      separator = true;
    }
  }
  if (year != kNone && year < day && year < month) {
    rs.date_order = DateOrder::YMD;
  } else if (day != kNone && month != kNone && day < month) {
    rs.date_order = DateOrder::DMY;
  } else {
    rs.date_order = DateOrder::MDY;
  }
}

}  // namespace

// A field the system does not answer keeps the default of RegionalSettings.
RegionalSettings regional_settings() {
  RegionalSettings rs;
  single_char(locale_text(LOCALE_SDECIMAL), rs.decimal);
  single_char(locale_text(LOCALE_STHOUSAND), rs.thousands);  // empty or longer: keep ','
  if (rs.thousands == rs.decimal) rs.thousands = rs.decimal == u',' ? u'.' : u',';

  std::u16string short_date = locale_text(LOCALE_SSHORTDATE);
  if (!short_date.empty()) read_date_format(short_date, rs);
  // "H" is the 24-hour clock, "h" the 12-hour one; quoted literals hold neither in practice.
  rs.time_24h = locale_text(LOCALE_STIMEFORMAT).find(u'H') != std::u16string::npos;

  std::u16string am = locale_text(LOCALE_S1159), pm = locale_text(LOCALE_S2359);
  if (!am.empty() && !pm.empty()) {
    rs.am = am;
    rs.pm = pm;
  }
  return rs;
}

}  // namespace halvora::platform
