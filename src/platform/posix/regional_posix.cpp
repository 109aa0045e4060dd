// regional_settings() for POSIX systems: the process locale when the host has set
// one, else the locale the environment names; read with newlocale/nl_langinfo_l so that the
// process locale itself is never changed.
#include <langinfo.h>
#include <locale.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "automation/text.h"
#include "platform/regional.h"

namespace halvora::platform {

namespace {

bool is_c_locale(const std::string& name) {
  return name.empty() || name == "C" || name == "POSIX" || name.rfind("C.", 0) == 0;
}

// The locale name for one category: the process's own when the host called setlocale with
// something other than "C"; else LC_ALL, then the category's variable, then LANG.
std::string locale_name(int category, const char* variable) {
  if (const char* process = setlocale(category, nullptr); process && !is_c_locale(process))
    return process;
  for (const char* var : {"LC_ALL", variable, "LANG"}) {
    const char* value = std::getenv(var);
    if (value && *value) return value;
  }
  return "C";
}

// A one-character locale string (UTF-8) as a UTF-16 unit; nothing for empty or longer text.
bool single_char(const char* text, char16_t& out) {
  if (!text || !*text) return false;
  std::u16string u = utf8_to_utf16(text);
  if (u.size() != 1 || u[0] == 0xFFFD) return false;
  out = u[0];
  return true;
}

// The order and separator of a D_FMT pattern ("%d.%m.%Y", "%m/%d/%y", "%Y-%m-%d", "%F").
void read_date_format(std::string fmt, RegionalSettings& rs) {
  for (auto [from, to] : {std::pair{"%F", "%Y-%m-%d"}, std::pair{"%D", "%m/%d/%y"}}) {
    for (std::size_t at; (at = fmt.find(from)) != std::string::npos;) fmt.replace(at, 2, to);
  }
  std::size_t day = std::string::npos, month = day, year = day;
  bool separator = false;
  for (std::size_t i = 0; i < fmt.size(); ++i) {
    if (fmt[i] == '%' && i + 1 < fmt.size()) {
      std::size_t k = i + 1;
      while (k < fmt.size() && std::strchr("EO-_0^#", fmt[k])) ++k;  // modifiers and flags
      if (k >= fmt.size()) break;
      char c = fmt[k];
      if ((c == 'd' || c == 'e') && day == std::string::npos) day = i;
      if ((c == 'm' || c == 'b' || c == 'B') && month == std::string::npos) month = i;
      if ((c == 'Y' || c == 'y') && year == std::string::npos) year = i;
      i = k;
      continue;
    }
    unsigned char uc = static_cast<unsigned char>(fmt[i]);
    if (!separator && uc < 0x80 && std::strchr("/-.,", fmt[i])) {
      rs.date_separator = static_cast<char16_t>(fmt[i]);
      separator = true;
    }
  }
  if (year != std::string::npos && year < day && year < month) {
    rs.date_order = DateOrder::YMD;
  } else if (day != std::string::npos && month != std::string::npos && day < month) {
    rs.date_order = DateOrder::DMY;
  } else {
    rs.date_order = DateOrder::MDY;
  }
}

}  // namespace

// "C", "POSIX", "C.UTF-8" and locales that do not load give the defaults of RegionalSettings.
RegionalSettings regional_settings() {
  RegionalSettings rs;

  std::string numeric = locale_name(LC_NUMERIC, "LC_NUMERIC");
  if (!is_c_locale(numeric)) {
    if (locale_t loc = newlocale(LC_NUMERIC_MASK, numeric.c_str(), locale_t(0))) {
      single_char(nl_langinfo_l(RADIXCHAR, loc), rs.decimal);
      single_char(nl_langinfo_l(THOUSEP, loc), rs.thousands);  // empty: keep ','
      freelocale(loc);
      if (rs.thousands == rs.decimal) rs.thousands = rs.decimal == u',' ? u'.' : u',';
    }
  }

  std::string time = locale_name(LC_TIME, "LC_TIME");
  if (!is_c_locale(time)) {
    if (locale_t loc = newlocale(LC_TIME_MASK, time.c_str(), locale_t(0))) {
      read_date_format(nl_langinfo_l(D_FMT, loc), rs);
      std::string t_fmt = nl_langinfo_l(T_FMT, loc);
      rs.time_24h = t_fmt.find("%H") != std::string::npos ||
                    t_fmt.find("%T") != std::string::npos || t_fmt.find("%R") != std::string::npos;
      const char* am = nl_langinfo_l(AM_STR, loc);
      const char* pm = nl_langinfo_l(PM_STR, loc);
      if (am && *am && pm && *pm) {
        rs.am = utf8_to_utf16(am);
        rs.pm = utf8_to_utf16(pm);
      }
      freelocale(loc);
    }
  }
  return rs;
}

}  // namespace halvora::platform
