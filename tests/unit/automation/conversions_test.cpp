// The conversions against the platform's own answers (VBScript/VBA CInt, CLng, CDbl, CBool,
// CDate, CStr, Val), table by table.
#include "automation/conversions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "automation/error.h"
#include "automation/text.h"
#include "support/calls.h"

namespace halvora {
namespace {

using test::error_of;
std::string u8(std::u16string_view s) {
  return utf16_to_utf8(s);
}

// The settings of a German desktop: comma decimals, dotted day-first dates, a 24-hour clock.
RegionalSettings german() {
  RegionalSettings rs;
  rs.decimal = u',';
  rs.thousands = u'.';
  rs.date_order = DateOrder::DMY;
  rs.date_separator = u'.';
  rs.time_24h = true;
  return rs;
}

// Every test starts from the default (US) settings and leaves the process-wide ones as found.
class ConversionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = regional();
    set_regional(RegionalSettings{});
  }
  void TearDown() override { set_regional(saved_); }

 private:
  RegionalSettings saved_;
};

using ConversionsRounding = ConversionsTest;
using ConversionsNumbers = ConversionsTest;
using ConversionsText = ConversionsTest;
using ConversionsRegional = ConversionsTest;
using ConversionsBoolean = ConversionsTest;
using ConversionsDates = ConversionsTest;
using ConversionsErrors = ConversionsTest;

TEST_F(ConversionsRounding, HalvesGoToEven) {
  const std::pair<double, double> table[] = {{0.5, 0},  {1.5, 2},   {2.5, 2},    {3.5, 4},
                                             {-0.5, 0}, {-1.5, -2}, {-2.5, -2},  {-3.5, -4},
                                             {2.49, 2}, {2.51, 3},  {-2.51, -3}, {7, 7}};
  for (auto [in, out] : table) EXPECT_EQ(round_half_even(in), out) << in;
}

// Expected value, or the error number when `error` is set.
struct IntCase {
  Variant in;
  int32_t out;
  int32_t error = 0;
};

TEST_F(ConversionsNumbers, IntegerEdges) {
  // clang-format off
  const IntCase table[] = {
      {int32_t{32767}, 32767}, {32767.49, 32767},   {32767.5, 0, 6},  {-32768.5, -32768},
      {int32_t{-32769}, 0, 6}, {-32768.51, 0, 6},   {u"40000", 0, 6}, {u" 123 ", 123},
      {u"1,234", 1234},        {true, -1},          {false, 0},       {Variant(), 0},
      {Date{2.5}, 2},          {u"&HFFFF", -1},     {u"2.5", 2},
      {std::numeric_limits<double>::quiet_NaN(), 0, 6}};
  // clang-format on
  for (const auto& c : table) {
    SCOPED_TRACE(u8(c.error ? u"" : to_string(c.in)));
    if (c.error) {
      EXPECT_EQ(error_of([&] { to_integer(c.in); }), c.error);
    } else {
      EXPECT_EQ(to_integer(c.in), c.out);
    }
  }
}

TEST_F(ConversionsNumbers, LongEdges) {
  const IntCase table[] = {
      {2147483647.0, 2147483647}, {2147483647.5, 0, 6}, {-2147483648.5, -2147483647 - 1},
      {-2147483649.0, 0, 6},      {1e10, 0, 6},         {u"40000", 40000},
      {u"&H10000", 65536},        {u"&HFFFFFFFF", -1},  {u"&o17", 15},
      {u"&H100000000", 0, 6},     {int16_t{-7}, -7},    {u"1e400", 0, 6}};
  for (const auto& c : table) {
    if (c.error) {
      EXPECT_EQ(error_of([&] { to_long(c.in); }), c.error) << c.out;
    } else {
      EXPECT_EQ(to_long(c.in), c.out);
    }
  }
}

TEST_F(ConversionsText, TextToDoubleReads) {
  const std::pair<const char16_t*, double> table[] = {
      {u"1234.5", 1234.5}, {u" \t-1,234.5 ", -1234.5},
      {u"+.5", 0.5},       {u"5.", 5},
      {u"1e3", 1000},      {u"1.5E-2", 0.015},
      {u"1,234,5", 12345}, {u"&H1F", 31},
      {u"&O777", 511},     {u"1e-400", 0},
      {u"007", 7}};
  for (auto [in, out] : table) {
    auto r = text_to_double(in, regional());
    ASSERT_TRUE(r.has_value()) << u8(in);
    EXPECT_DOUBLE_EQ(*r, out) << u8(in);
  }
}

TEST_F(ConversionsText, TextToDoubleRejects) {
  const char16_t* table[] = {u"",     u"  ",    u"abc", u"1.2.3", u"12abc", u"1e",
                             u"1e+",  u".",     u"-",   u",1",    u"1,",    u"1.2,3",
                             u"True", u"1e400", u"&HG", u"&H",    u"- 1",   u"1 2"};
  for (auto in : table) EXPECT_FALSE(text_to_double(in, regional()).has_value()) << u8(in);
}

TEST_F(ConversionsText, LeadingNumberIsVal) {
  // clang-format off
  const std::pair<const char16_t*, double> table[] = {
      {u" 12abc", 12},   {u"-35", -35},     {u"1520.75", 1520.75}, {u"abc", 0},
      {u"", 0},          {u"  -0.5x", -0.5}, {u"1 2 3", 123},      {u"1e3", 1000},
      {u"&H1F", 31},     {u"12.9", 12.9},   {u"&HFFFF", -1},       {u"&O17", 15},
      {u"1e", 1},        {u"2D2", 200},     {u"- 5", -5},          {u"\r\n\t7", 7},
      {u"1.5.6", 1.5},   {u".5", 0.5},      {u"-", 0},             {u"1,5", 1},
      {u" 1615 198th Avenue", 1615198}};
  // clang-format on
  for (auto [in, out] : table) EXPECT_DOUBLE_EQ(leading_number(in), out) << u8(in);
  EXPECT_FALSE(std::signbit(leading_number(u"-0")));
  EXPECT_EQ(error_of([] { leading_number(u"1e999"); }), 6);
}

TEST_F(ConversionsText, DoubleToText) {
  // clang-format off
  const std::pair<double, const char16_t*> table[] = {
      {0, u"0"},             {-0.0, u"0"},                  {-1, u"-1"},
      {262500, u"262500"},   {1234.5, u"1234.5"},           {0.1 + 0.2, u"0.3"},
      {-0.5, u"-0.5"},       {1.0 / 3, u"0.333333333333333"}, {2.0 / 3, u"0.666666666666667"},
      {1e15, u"1E+15"},      {123456789012345, u"123456789012345"}, {1e16, u"1E+16"},
      {0.0001, u"0.0001"},   {0.00001, u"1E-05"},           {1.5e-7, u"1.5E-07"},
      {1.5e100, u"1.5E+100"}, {-1.25e-300, u"-1.25E-300"},  {999999999999999.9, u"1E+15"},
      {12345678901234567.0, u"1.23456789012346E+16"}, {-0.00012, u"-0.00012"},
      {12345678901.2345, u"12345678901.2345"},        {1234.56 + 1999, u"3233.56"}};
  // clang-format on
  for (auto [in, out] : table) EXPECT_EQ(u8(double_to_text(in, regional())), u8(out)) << in;
}

// A Single keeps 7 significant digits where a Double keeps 15, and goes to the exponent form
// from 1E+07 up.
TEST_F(ConversionsText, SingleToText) {
  // clang-format off
  const std::pair<float, const char16_t*> table[] = {
      {0.0f, u"0"},              {1.0f / 3, u"0.3333333"},  {0.1f, u"0.1"},
      {1234567.0f, u"1234567"},  {12345678.0f, u"1.234568E+07"}, {86399.99f, u"86399.99"},
      {1.5e-7f, u"1.5E-07"},     {-2.5f, u"-2.5"},           {3.4028235e38f, u"3.402823E+38"}};
  // clang-format on
  for (auto [in, out] : table) EXPECT_EQ(u8(single_to_text(in, regional())), u8(out)) << in;
  EXPECT_EQ(to_single(Variant(u"0.5")), 0.5f);
  EXPECT_EQ(error_of([] { to_single(Variant(1e39)); }), 6);
  EXPECT_EQ(coerce(Variant(int32_t{3}), VarType::Single), Variant(3.0f));
}

TEST_F(ConversionsText, RoundTripTextReadsBackAsTheSameDouble) {
  const double max = std::numeric_limits<double>::max();
  const double tiny = std::numeric_limits<double>::denorm_min();
  // clang-format off
  const std::pair<double, const char16_t*> table[] = {
      {0, u"0"},                      {262500, u"262500"},        {1234.5, u"1234.5"},
      {0.1 + 0.2, u"0.30000000000000004"}, {1.0 / 3, u"0.3333333333333333"},
      {-2.0 / 3, u"-0.6666666666666666"},  {1e15, u"1E+15"},      {0.0001, u"0.0001"},
      {0.00001, u"1E-05"},            {1.5e-7, u"1.5E-07"},        {1e100, u"1E+100"},
      {max, u"1.7976931348623157E+308"}, {-max, u"-1.7976931348623157E+308"},
      {tiny, u"5E-324"},              {123456789012345.67, u"123456789012345.67"},
      {12345678901234567.0, u"1.2345678901234568E+16"}, {9007199254740993.0, u"9.007199254740992E+15"}};
  // clang-format on
  RegionalSettings comma = german();
  for (auto [in, out] : table) {
    std::u16string text = double_to_round_trip_text(in, regional());
    EXPECT_EQ(u8(text), u8(out)) << in;
    EXPECT_EQ(text_to_double(text, regional()), in) << u8(text);
    std::u16string regional_text = double_to_round_trip_text(in, comma);
    EXPECT_EQ(regional_text.find(u'.'), std::u16string::npos) << u8(regional_text);
    EXPECT_EQ(text_to_double(regional_text, comma), in) << u8(regional_text);
  }
  // Values that 15 digits cannot carry: the largest one would not even read back.
  EXPECT_FALSE(text_to_double(double_to_text(max, regional()), regional()).has_value());
  EXPECT_NE(text_to_double(double_to_text(0.1 + 0.2, regional()), regional()), 0.1 + 0.2);
}

TEST_F(ConversionsText, ToStringAndCoerce) {
  auto list = std::make_shared<Array>(Array{Variant(int32_t{1})});
  // clang-format off
  const std::pair<Variant, const char16_t*> strings[] = {
      {Variant(), u""},     {true, u"True"},             {false, u"False"},
      {int16_t{-5}, u"-5"}, {int32_t{100000}, u"100000"}, {1234.5, u"1234.5"},
      {u"as is", u"as is"}, {Date{36526.5}, u"1/1/2000 12:00:00 PM"}};
  // clang-format on
  for (const auto& [in, out] : strings) EXPECT_EQ(u8(to_string(in)), u8(out));

  struct CoerceCase {
    Variant in;
    VarType type;
    Variant out;
  };
  // clang-format off
  const CoerceCase table[] = {
      {int32_t{5}, VarType::Integer, int16_t{5}},  {u"12", VarType::Long, int32_t{12}},
      {2.5, VarType::Integer, int16_t{2}},         {true, VarType::String, u"True"},
      {u"FALSE", VarType::Boolean, false},         {36526.0, VarType::Date, Date{36526}},
      {ObjectRef(), VarType::Object, ObjectRef()}, {Null{}, VarType::Variant, Null{}},
      {Missing{}, VarType::Variant, Missing{}},    {Missing{}, VarType::Error, Missing{}},
      {list, VarType::Array, list},                {u"x", VarType::Variant, u"x"}};
  // clang-format on
  for (const auto& c : table) EXPECT_EQ(coerce(c.in, c.type), c.out) << int(c.type);
}

TEST_F(ConversionsRegional, CommaDecimalDotThousands) {
  set_regional(german());
  const std::pair<const char16_t*, double> reads[] = {
      {u"1.234,5", 1234.5}, {u"1,5", 1.5}, {u"1.5", 15}, {u"-0,25", -0.25}, {u"2,5E-3", 0.0025}};
  for (auto [in, out] : reads) EXPECT_DOUBLE_EQ(to_double(Variant(in)), out) << u8(in);
  EXPECT_FALSE(text_to_double(u"1,234.5", regional()).has_value());
  EXPECT_EQ(u8(double_to_text(1234.5, regional())), "1234,5");
  EXPECT_EQ(u8(double_to_text(1.5e-7, regional())), "1,5E-07");
  EXPECT_EQ(u8(to_string(Variant(0.25))), "0,25");
  EXPECT_EQ(leading_number(u"1,5"), 1);  // Val always reads '.'
  EXPECT_EQ(to_integer(Variant(u"2,5")), 2);
}

TEST_F(ConversionsBoolean, Table) {
  struct BoolCase {
    Variant in;
    bool out;
    int32_t error = 0;
  };
  // clang-format off
  const BoolCase table[] = {
      {true, true},          {u"true", true},    {u"FALSE", false},  {u" True\t", true},
      {u"0", false},         {u"-1", true},      {u"0.0", false},    {u"2.5", true},
      {u"yes", false, 13},   {u"", false, 13},   {Variant(), false}, {int16_t{0}, false},
      {int32_t{5}, true},    {0.1, true},        {Date{0}, false},   {Null{}, false, 94},
      {Missing{}, false, 449}, {ObjectRef(), false, 13}};
  // clang-format on
  for (const auto& c : table) {
    if (c.error) {
      EXPECT_EQ(error_of([&] { to_boolean(c.in); }), c.error) << int(c.in.type());
    } else {
      EXPECT_EQ(to_boolean(c.in), c.out) << int(c.in.type());
    }
  }
  // "True" reads as a Boolean, never as a number.
  EXPECT_EQ(error_of([] { to_double(Variant(u"True")); }), 13);
}

// Text -> serial -> text under one set of settings.
struct DateCase {
  const char16_t* text;
  const char16_t* back;  // date_to_text of the reading
};

TEST_F(ConversionsDates, RoundTripsUS) {
  // clang-format off
  const DateCase table[] = {
      {u"1/1/2000",             u"1/1/2000"},
      {u"2/29/2024",            u"2/29/2024"},
      {u"12/29/1899 12:00 PM",  u"12/29/1899 12:00:00 PM"},
      {u"6:30 pm",              u"6:30:00 PM"},
      {u"2000-01-01 13:45:30",  u"1/1/2000 1:45:30 PM"},
      {u"2000-01-01T00:00:01",  u"1/1/2000 12:00:01 AM"},
      {u"1/1/99",               u"1/1/1999"},
      {u"1/1/29",               u"1/1/2029"},
      {u"1/1/100",              u"1/1/0100"},
      {u"12.31.9999 23:59:59",  u"12/31/9999 11:59:59 PM"},
      {u" 1-2-2003 12:00 AM ",  u"1/2/2003"},
      {u"1/1/1800 6:00 AM",     u"1/1/1800 6:00:00 AM"}};
  // clang-format on
  for (const auto& c : table) {
    auto d = text_to_date(c.text, regional());
    ASSERT_TRUE(d.has_value()) << u8(c.text);
    EXPECT_EQ(u8(date_to_text(*d, regional())), u8(c.back)) << u8(c.text);
    EXPECT_EQ(text_to_date(date_to_text(*d, regional()), regional()), d) << u8(c.text);
  }
  EXPECT_EQ(text_to_date(u"1/1/2000", regional())->serial, 36526);
  EXPECT_EQ(text_to_date(u"2/29/2024", regional())->serial, 45351);
  // Before 1899-12-30 the integer part is the day and the time counts away from zero.
  EXPECT_EQ(text_to_date(u"12/29/1899 12:00 PM", regional())->serial, -1.5);
  EXPECT_EQ(text_to_date(u"1/1/1800 6:00 AM", regional())->serial, -36522.25);
  EXPECT_EQ(u8(date_to_text(Date{-1.5}, regional())), "12/29/1899 12:00:00 PM");
  EXPECT_EQ(u8(date_to_text(Date{-0.5}, regional())), "12:00:00 PM");
  EXPECT_EQ(u8(date_to_text(Date{0}, regional())), "12:00:00 AM");
  EXPECT_EQ(u8(date_to_text(Date{36526.99999999}, regional())), "1/2/2000");
}

TEST_F(ConversionsDates, Rejects) {
  // clang-format off
  const char16_t* table[] = {u"13/1/2000", u"2/30/2000", u"2/29/2023", u"2/29/1900", u"1/1",
                             u"25:00", u"abc", u"", u"1/2-2000", u"1/1/2000 12:60",
                             u"1/1/2000 13:00 PM", u"1/1/10000", u"1/1/2000T", u"1/1/2000 x"};
  // clang-format on
  for (auto in : table) EXPECT_FALSE(text_to_date(in, regional()).has_value()) << u8(in);
}

TEST_F(ConversionsDates, OtherOrders) {
  RegionalSettings de = german();
  auto d = text_to_date(u"31.12.2023 18:05:09", de);
  ASSERT_TRUE(d.has_value());
  EXPECT_EQ(u8(date_to_text(*d, de)), "31.12.2023 18:05:09");
  EXPECT_EQ(u8(date_to_text(Date{36526.25}, de)), "01.01.2000 06:00:00");
  EXPECT_EQ(text_to_date(u"29/02/2024", de)->serial, 45351);  // '/' is always a separator
  EXPECT_EQ(text_to_date(u"2024-02-29", de)->serial, 45351);  // and ISO always reads

  RegionalSettings iso;
  iso.date_order = DateOrder::YMD;
  iso.date_separator = u'-';
  EXPECT_EQ(u8(date_to_text(Date{45351}, iso)), "2024-02-29");
  EXPECT_EQ(text_to_date(u"24-02-29", iso)->serial, 45351);
}

TEST_F(ConversionsDates, VariantToDate) {
  EXPECT_EQ(to_date(Variant(u"1/1/2000")).serial, 36526);
  EXPECT_EQ(to_date(Variant(36526.5)).serial, 36526.5);
  EXPECT_EQ(to_date(Variant(true)).serial, -1);
  EXPECT_EQ(to_date(Variant()).serial, 0);
  EXPECT_EQ(error_of([] { to_date(Variant(u"36526")); }), 13);
  EXPECT_EQ(error_of([] { to_date(Variant(1e7)); }), 6);
  EXPECT_EQ(error_of([] { to_date(Variant(Null{})); }), 94);
  EXPECT_EQ(error_of([] { date_to_text(Date{1e7}, regional()); }), 6);
}

TEST_F(ConversionsErrors, NumbersAndSource) {
  auto list = std::make_shared<Array>();
  // clang-format off
  const std::pair<std::function<void()>, int32_t> table[] = {
      {[] { to_integer(Variant(Null{})); }, 94},      {[] { to_long(Variant(u"abc")); }, 13},
      {[] { to_long(Variant(u"")); }, 13},            {[] { to_double(Variant(Missing{})); }, 449},
      {[] { to_string(Variant(Null{})); }, 94},       {[] { to_string(Variant(Missing{})); }, 449},
      {[&] { to_string(Variant(list)); }, 13},        {[] { to_integer(Variant(u"True")); }, 13},
      {[] { to_double(Variant(u"1e400")); }, 6},      {[] { to_double(Variant(ObjectRef())); }, 13},
      {[] { coerce(Variant(1), VarType::Object); }, 13},
      {[] { coerce(Variant(), VarType::Object); }, 13},
      {[] { coerce(Variant(Missing{}), VarType::Long); }, 449},
      {[] { coerce(Variant(Missing{}), VarType::Object); }, 449},
      {[] { coerce(Variant(Null{}), VarType::String); }, 94},
      {[] { coerce(Variant(1), VarType::Array); }, 13},
      {[] { coerce(Variant(u"40000"), VarType::Integer); }, 6}};
  // clang-format on
  for (std::size_t i = 0; i < std::size(table); ++i)
    EXPECT_EQ(error_of(table[i].first), table[i].second) << "row " << i;
  try {
    to_long(Variant(u"abc"));
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(u8(e.source()), "HALVORA");
    EXPECT_EQ(u8(e.description()), "Type mismatch");
  }
}

}  // namespace
}  // namespace halvora
