// UTF-8 and UTF-16 at the edges: what peers and files send is not trusted.
#include "automation/text.h"

#include <gtest/gtest.h>

namespace halvora {
namespace {

TEST(TextEncoding, RoundTripsEveryPlane) {
  const std::u16string samples[] = {
      u"",         u"plain ascii",          u"número ¿Saldo?",
      u"€ ∑ 漢字", u"emoji \U0001F600 end", std::u16string(1000, u'x') + u"ñ"};
  for (const auto& s : samples) EXPECT_EQ(utf8_to_utf16(utf16_to_utf8(s)), s);
  EXPECT_EQ(utf16_to_utf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
}

TEST(TextEncoding, InvalidInputBecomesReplacementCharacters) {
  const std::pair<std::string, std::u16string> cases[] = {
      {"a\xFF"
       "b",
       u"a\uFFFDb"},                                      // never valid
      {"\xC3", u"\uFFFD"},                                // truncated at the end
      {"\xC3(", u"\uFFFD("},                              // bad continuation
      {"\xC0\xAF", u"\uFFFD\uFFFD"},                      // overlong
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // an encoded surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // beyond U+10FFFF
  };
  for (const auto& [bytes, text] : cases) EXPECT_EQ(utf8_to_utf16(bytes), text);
  EXPECT_EQ(utf16_to_utf8(std::u16string(1, char16_t(0xD800)) + u"x"), "\xEF\xBF\xBDx");
}

TEST(TextHelpers, TrimAndCompareNames) {
  EXPECT_EQ(trim_spaces(u"  a b  "), u"a b");
  EXPECT_EQ(trim_spaces(u" \t "), u"\t");  // only spaces are trimmed
  EXPECT_EQ(trim_spaces(u"   "), u"");
  EXPECT_TRUE(iequals(u"TarjetaVIP", u"tarjetavip"));
  EXPECT_FALSE(iequals(u"Saldo", u"Saldos"));
}

}  // namespace
}  // namespace halvora
