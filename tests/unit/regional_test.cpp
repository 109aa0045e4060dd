// The regional settings read from the process locale, as the conversions receive them.
#include "platform/regional.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <locale>
#include <optional>
#include <stdexcept>
#include <string>

#include "automation/text.h"

namespace halvora::platform {
namespace {

std::string u8(std::u16string_view s) {
  return utf16_to_utf8(s);
}

#if !defined(_WIN32)
// Sets LC_ALL for one test and puts the old value back.
class LcAllGuard {
 public:
  explicit LcAllGuard(const char* value) {
    if (const char* old = std::getenv("LC_ALL")) saved_ = old;
    setenv("LC_ALL", value, 1);
  }
  ~LcAllGuard() {
    if (saved_) {
      setenv("LC_ALL", saved_->c_str(), 1);
    } else {
      unsetenv("LC_ALL");
    }
  }

 private:
  std::optional<std::string> saved_;
};

std::string describe(const RegionalSettings& rs) {
  const char* order[] = {"MDY", "DMY", "YMD"};
  return u8(std::u16string{rs.decimal, u' ', rs.thousands, u' ', rs.date_separator, u' '}) +
         order[int(rs.date_order)] + (rs.time_24h ? " 24h " : " 12h ") + u8(rs.am) + "/" +
         u8(rs.pm);
}

TEST(RegionalSettingsFromLocale, CAndUnknownGiveDefaults) {
  for (const char* name : {"C", "POSIX", "C.UTF-8", "xx_YY.UTF-8"}) {
    LcAllGuard guard(name);
    EXPECT_EQ(describe(regional_settings()), ". , / MDY 12h AM/PM") << name;
  }
}

TEST(RegionalSettingsFromLocale, GermanFromEnvironment) {
  try {
    std::locale probe("de_DE.UTF-8");
  } catch (const std::runtime_error&) {
    GTEST_SKIP() << "de_DE.UTF-8 is not installed (locale -a)";
  }
  LcAllGuard guard("de_DE.UTF-8");
  RegionalSettings rs = regional_settings();
  EXPECT_EQ(describe(rs), ", . . DMY 24h AM/PM");  // glibc de_DE has no AM/PM: defaults stay
  EXPECT_EQ(*text_to_double(u"1.234,5", rs), 1234.5);
}
#endif

}  // namespace
}  // namespace halvora::platform
