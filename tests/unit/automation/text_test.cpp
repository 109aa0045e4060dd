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

TEST(TextEncoding, LoneSurrogatesBecomeReplacementCharacters) {
  const std::u16string hi(1, char16_t(0xD800)), lo(1, char16_t(0xDC00));
  const std::pair<std::u16string, std::u16string> cases[] = {
      {u"A" + hi + u"BC", u"A\uFFFDBC"},    {lo + u"X", u"\uFFFDX"},
      {u"end" + hi, u"end\uFFFD"},          {hi + hi + lo, u"\uFFFD\U00010000"},
      {u"ok \U0001F600", u"ok \U0001F600"}, {lo + hi, u"\uFFFD\uFFFD"},
  };
  for (const auto& [in, out] : cases) {
    EXPECT_EQ(well_formed_utf16(in), out);
    EXPECT_EQ(utf8_to_utf16(utf16_to_utf8(in)), out);
  }
}

TEST(TextHelpers, LetterCaseOfLatin1) {
  // Each pair: a letter and its other case; the signs and the letters without a partner in
  // Latin-1 stay as they are.
  const std::pair<char16_t, char16_t> pairs[] = {{u'A', u'a'},           {u'Z', u'z'},
                                                 {u'\u00C0', u'\u00E0'}, {u'\u00C9', u'\u00E9'},
                                                 {u'\u00D1', u'\u00F1'}, {u'\u00DA', u'\u00FA'},
                                                 {u'\u00DE', u'\u00FE'}};
  for (auto [up, low] : pairs) {
    EXPECT_EQ(lower_case(up), low);
    EXPECT_EQ(upper_case(low), up);
  }
  for (char16_t same : {u'1', u'@', u'[', u'\u00D7', u'\u00F7', u'\u00DF', u'\u00FF', u'\u0152'}) {
    EXPECT_EQ(lower_case(same), same);
    EXPECT_EQ(upper_case(same), same);
  }
  EXPECT_EQ(lower_case(u"JOSÉ ÑÚÑEZ"), u"josé ñúñez");
  EXPECT_EQ(upper_case(u"josé ñúñez"), u"JOSÉ ÑÚÑEZ");
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
