// The SDK conventions every data-access class shares: splits, the record fill, item
// conversions, the 16-bit piece counter and the connection opening, against a fake SDK.
#include "data/sdk_conventions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "automation/conversions.h"
#include "support/calls.h"
#include "support/fake_sdk.h"
#include "support/test_env.h"

namespace halvora {

namespace {

using sdk::Entries;
using sdk::FieldType;
using test::error_of;
using test::list_of;
using test::texts;

using Items = std::vector<std::u16string>;

struct SplitCase {
  std::u16string text;
  std::u16string separator;
  Items expected;
};

TEST(DataRecordSplit, CutsExactlyAndKeepsEveryPiece) {
  const SplitCase cases[] = {
      {u"", u"|", {}},
      {u"", u"", {}},
      {u"whole", u"|", {u"whole"}},
      {u"a|b", u"", {u"a|b"}},
      {u"a||b|", u"|", {u"a", u"", u"b", u""}},
      {u"|", u"|", {u"", u""}},
      {u" a | b ", u"|", {u" a ", u" b "}},
      {u"1XY2XY", u"XY", {u"1", u"2", u""}},
      {u"1xy2", u"XY", {u"1xy2"}},
      {u"a|||b", u"||", {u"a", u"|b"}},
      {u"ñ|é", u"|", {u"ñ", u"é"}},
  };
  for (const SplitCase& c : cases) {
    Collection into;
    sdk::add_fields(into, c.text, c.separator);
    EXPECT_EQ(texts(into), c.expected) << std::string(c.text.begin(), c.text.end());
  }
}

struct EntryCase {
  std::u16string text;
  Items skip_blank;
  Items keep_all;
};

TEST(DataEntrySplit, BlankSkippingDropsOnlyPiecesOfSpaces) {
  const EntryCase cases[] = {
      {u"", {}, {}},
      {u"*", {}, {u"", u""}},
      {u"*a|1*  * b |2*", {u"a|1", u" b |2"}, {u"", u"a|1", u"  ", u" b |2", u""}},
      {u"a*\t*\r\n*b", {u"a", u"\t", u"\r\n", u"b"}, {u"a", u"\t", u"\r\n", u"b"}},
      {u"a**b", {u"a", u"b"}, {u"a", u"", u"b"}},
      {u"a|b", {u"a|b"}, {u"a|b"}},
  };
  for (const EntryCase& c : cases) {
    Collection skip, keep;
    sdk::add_entries(skip, c.text, Entries::SkipBlank);
    sdk::add_entries(keep, c.text, Entries::KeepAll);
    EXPECT_EQ(texts(skip), c.skip_blank);
    EXPECT_EQ(texts(keep), c.keep_all);
  }
}

std::u16string pieces_of_x(std::size_t n, char16_t separator) {
  std::u16string text;
  text.reserve(n * 2);
  for (std::size_t i = 0; i < n; ++i) {
    if (i) text.push_back(separator);
    text.push_back(u'x');
  }
  return text;
}

struct CounterCase {
  std::size_t pieces;
  int32_t error;
  std::size_t added;
};

TEST(DataPieceCounter, OverflowsAtTheSixteenBitLimit) {
  const CounterCase cases[] = {
      {32767, 0, 32767},
      {32768, err::kOverflow, 32768},  // the counter steps past its limit after the last one
      {32769, err::kOverflow, 0},      // the bound itself does not fit: nothing goes in
  };
  for (const CounterCase& c : cases) {
    Collection fields, entries, blank_skipped;
    EXPECT_EQ(error_of([&] { sdk::add_fields(fields, pieces_of_x(c.pieces, u'|'), u"|"); }),
              c.error);
    EXPECT_EQ(fields.items().size(), c.added);
    EXPECT_EQ(
        error_of([&] { sdk::add_entries(entries, pieces_of_x(c.pieces, u'*'), Entries::KeepAll); }),
        c.error);
    EXPECT_EQ(entries.items().size(), c.added);
    // Skipped pieces still count.
    std::u16string blanks(c.pieces - 1, u'*');
    EXPECT_EQ(error_of([&] { sdk::add_entries(blank_skipped, blanks, Entries::SkipBlank); }),
              c.error);
    EXPECT_EQ(blank_skipped.Count(), 0);
  }
}

class DataConversions : public ::testing::Test {
 protected:
  test::RegionalScope regional_;
};

struct ConversionCase {
  std::u16string item;
  FieldType type;
  Variant expected;  // ignored when error is set
  int32_t error;
};

TEST_F(DataConversions, ItemsReadAsTheirFieldType) {
  set_regional(RegionalSettings{});  // "." decimal, "," thousands, month/day/year
  const ConversionCase cases[] = {
      {u" keep  ", FieldType::String, Variant(u" keep  "), 0},
      {u"", FieldType::String, Variant(u""), 0},
      {u"1,234.5", FieldType::Double, Variant(1234.5), 0},
      {u"-0.25", FieldType::Double, Variant(-0.25), 0},
      {u"", FieldType::Double, {}, err::kTypeMismatch},
      {u"doce", FieldType::Double, {}, err::kTypeMismatch},
      {u"2.5", FieldType::Long, Variant(int32_t{2}), 0},
      {u"3.5", FieldType::Long, Variant(int32_t{4}), 0},
      {u"-2.5", FieldType::Long, Variant(int32_t{-2}), 0},
      {u"2147483647", FieldType::Long, Variant(int32_t{2147483647}), 0},
      {u"2147483648", FieldType::Long, {}, err::kOverflow},
      {u"", FieldType::Long, {}, err::kTypeMismatch},
      {u"12/31/2023", FieldType::Date, Variant(Date{45291}), 0},
      {u"", FieldType::Date, {}, err::kTypeMismatch},
      {u"31/31/2023", FieldType::Date, {}, err::kTypeMismatch},
      {u"TrUe", FieldType::Boolean, Variant(true), 0},
      {u"false", FieldType::Boolean, Variant(false), 0},
      {u"0", FieldType::Boolean, Variant(false), 0},
      {u"-7", FieldType::Boolean, Variant(true), 0},
      {u"", FieldType::Boolean, {}, err::kTypeMismatch},
      {u"si", FieldType::Boolean, {}, err::kTypeMismatch},
  };
  for (const ConversionCase& c : cases) {
    SCOPED_TRACE(std::string(c.item.begin(), c.item.end()));
    if (c.error) {
      EXPECT_EQ(error_of([&] { sdk::convert_item(Variant(c.item), c.type); }), c.error);
    } else {
      EXPECT_EQ(sdk::convert_item(Variant(c.item), c.type), c.expected);
    }
  }
}

TEST_F(DataConversions, NumbersAndDatesFollowTheRegionalSettings) {
  RegionalSettings rs;
  rs.decimal = u',';
  rs.thousands = u'.';
  rs.date_order = DateOrder::DMY;
  set_regional(rs);
  EXPECT_EQ(sdk::convert_item(Variant(u"1.234,5"), FieldType::Double), Variant(1234.5));
  EXPECT_EQ(sdk::convert_item(Variant(u"31/12/2023"), FieldType::Date), Variant(Date{45291}));
  EXPECT_EQ(error_of([] { sdk::convert_item(Variant(u"12/31/2023"), FieldType::Date); }),
            err::kTypeMismatch);
}

TEST(DataPropertyNames, ColumnWhereKnownElsePosition) {
  EXPECT_EQ(sdk::property_name({1, 8, u"NUMHABDA", FieldType::Double}), u"NUMHABDA");
  EXPECT_EQ(sdk::property_name({1, 0, u"", FieldType::Long}), u"Campo000");
  EXPECT_EQ(sdk::property_name({1, 68, u"", FieldType::String}), u"Campo068");
  EXPECT_EQ(sdk::property_name({1, 185, u"", FieldType::String}), u"Campo185");
}

// ---- Record fill ----------------------------------------------------------------------------

const sdk::Field kThreeFields[] = {
    {1, 3, u"", FieldType::String},
    {2, 0, u"", FieldType::Double},
    {3, 1, u"", FieldType::Long},
};

TEST(DataRecordFill, SetsTheTableInItsOrderAndIgnoresExtraItems) {
  test::FakeWorld world;
  ObjectRef slot;
  sdk::fill_record(slot, u"RegistroCargo", list_of({u"x", u"1.5", u"2.5", u"extra"}), kThreeFields);
  auto& r = dynamic_cast<test::FakeRecord&>(*slot);
  ASSERT_EQ(r.sets.size(), 3u);
  EXPECT_EQ(r.sets[0].property, u"Campo003");
  EXPECT_EQ(r.sets[0].value, Variant(u"x"));
  EXPECT_EQ(r.sets[1].property, u"Campo000");
  EXPECT_EQ(r.sets[1].value, Variant(1.5));
  EXPECT_EQ(r.sets[2].property, u"Campo001");
  EXPECT_EQ(r.sets[2].value, Variant(int32_t{2}));
}

struct FillFailure {
  const char* name;
  std::initializer_list<const char16_t*> items;
  int32_t error;
  std::size_t fields_set;
};

TEST(DataRecordFill, FailuresKeepTheNewRecordWithWhatWasSet) {
  const FillFailure cases[] = {
      {"empty list", {}, 0, 0},
      {"one short", {u"x", u"1"}, err::kSubscript, 2},
      {"empty double", {u"x", u"", u"3"}, err::kTypeMismatch, 1},
      {"long overflow", {u"x", u"1", u"3e10"}, err::kOverflow, 2},
  };
  for (const FillFailure& c : cases) {
    SCOPED_TRACE(c.name);
    test::FakeWorld world;
    ObjectRef old = std::make_shared<test::FakeSdk>();
    ObjectRef slot = old;
    EXPECT_EQ(
        error_of([&] { sdk::fill_record(slot, u"RegistroCargo", list_of(c.items), kThreeFields); }),
        c.error);
    ASSERT_NE(slot, old);
    EXPECT_EQ(dynamic_cast<test::FakeRecord&>(*slot).sets.size(), c.fields_set);
  }
}

TEST(DataRecordFill, WithoutAListTheRecordIsStillReplaced) {
  test::FakeWorld world;
  ObjectRef slot;
  EXPECT_EQ(error_of([&] { sdk::fill_record(slot, u"RegistroCargo", nullptr, kThreeFields); }),
            err::kObjectNotSet);
  EXPECT_EQ(slot->type_name(), u"RegistroCargo");
}

TEST(DataRecordFill, ARecordThatCannotBeCreatedLeavesTheOldOne) {
  test::FakeWorld world;
  world.refusals.insert_or_assign(u"RegistroCargo", Error(429, u"cannot create"));
  ObjectRef old = std::make_shared<test::FakeSdk>();
  ObjectRef slot = old;
  EXPECT_EQ(error_of([&] { sdk::fill_record(slot, u"RegistroCargo", list_of({u"x"}), {}); }), 429);
  EXPECT_EQ(slot, old);
}

// ---- Connection -----------------------------------------------------------------------------

struct ConnectCase {
  Variant answer;
  bool opened;
};

TEST(DataConnection, OnlyAnAnswerOfOneOpens) {
  const ConnectCase cases[] = {
      {Variant(int32_t{1}), true},   {Variant(int32_t{0}), false}, {Variant(int32_t{2}), false},
      {Variant(int32_t{-1}), false}, {Variant(1.0), true},
  };
  for (const ConnectCase& c : cases) {
    test::FakeWorld world;
    world.answer(u"Conectar", c.answer);
    sdk::Connection conn;
    int fresh = 0;
    EXPECT_EQ(sdk::open(conn, u"C:\\hotel", u"ana", u"pw", [&] { ++fresh; }), c.opened);
    EXPECT_EQ(fresh, 1);
    EXPECT_TRUE(conn.connected);
    ASSERT_EQ(world.calls.size(), 1u);
    EXPECT_EQ(world.calls[0].args,
              (std::vector<Variant>{Variant(u"C:\\hotel"), Variant(u"ana"), Variant(u"pw")}));
  }
}

TEST(DataConnection, AFailingConectarLeavesTheNewConnectionAndResults) {
  test::FakeWorld world;
  world.fail(u"Conectar", 3044);
  sdk::Connection conn;
  int fresh = 0;
  EXPECT_EQ(error_of([&] { sdk::open(conn, u"nowhere", u"u", u"p", [&] { ++fresh; }); }), 3044);
  EXPECT_EQ(fresh, 1);
  EXPECT_TRUE(conn.connected);
  world.answer(u"CadenaPrueba", Variant(u"ok"));
  EXPECT_EQ(sdk::call_text(conn, u"CadenaPrueba"), u"ok");
}

TEST(DataConnection, ANewConnectionReplacesTheOldAndClosingKeepsItUsable) {
  test::FakeWorld world;
  sdk::Connection conn;
  world.answer(u"Conectar", Variant(int32_t{1}));
  sdk::open(conn, u"a", u"u", u"p", [] {});
  ObjectRef first = conn.sdk;
  sdk::open(conn, u"b", u"u", u"p", [] {});
  EXPECT_NE(conn.sdk, first);
  EXPECT_EQ(world.created, (std::vector<std::u16string>{u"ConexionSdk", u"ConexionSdk"}));
  sdk::close(conn);
  EXPECT_FALSE(conn.connected);
  world.answer(u"CadenaPrueba", Variant(u"still here"));
  EXPECT_EQ(sdk::call_text(conn, u"CadenaPrueba"), u"still here");
}

TEST(DataConnection, NoConnectionObjectMeansNothingChanges) {
  test::FakeWorld world;
  world.refusals.insert_or_assign(u"ConexionSdk", Error(429, u"cannot create"));
  sdk::Connection conn;
  int fresh = 0;
  EXPECT_EQ(error_of([&] { sdk::open(conn, u"a", u"u", u"p", [&] { ++fresh; }); }), 429);
  EXPECT_EQ(fresh, 0);
  EXPECT_FALSE(conn.connected);
  EXPECT_EQ(error_of([&] { sdk::call(conn, u"CadenaPrueba"); }), err::kObjectNotSet);
}

}  // namespace
}  // namespace halvora
