// The runtime's own objects and tables: the collection hosts receive, typed array results, the
// calendar every date counts with, and the table of error numbers.
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <vector>

#include "automation/calendar.h"
#include "automation/collection.h"
#include "automation/error.h"
#include "automation/members.h"
#include "support/calls.h"

namespace halvora {
namespace {

using test::error_of;

TEST(CollectionMembers, OneBasedItemsAndRangeErrors) {
  auto list = Collection::create();
  std::vector<Variant> add{Variant(u"a")};
  invoke(*list, u"Add", CallKind::Method, add);
  add[0] = Variant(u"b");
  invoke(*list, u"add", CallKind::Method, add);
  EXPECT_EQ(invoke(*list, u"Count", CallKind::Get), Variant(int32_t{2}));
  std::vector<Variant> at{Variant(int16_t{2})};
  EXPECT_EQ(invoke(*list, u"Item", CallKind::Method, at), Variant(u"b"));
  for (Variant bad : {Variant(int32_t{0}), Variant(int32_t{3}), Variant(u"x")}) {
    std::vector<Variant> args{bad};
    int32_t n = error_of([&] { invoke(*list, u"Item", CallKind::Method, args); });
    EXPECT_TRUE(n == 9 || n == 13) << n;
  }
  at[0] = Variant(int32_t{1});
  invoke(*list, u"Remove", CallKind::Method, at);
  ASSERT_EQ(list->Count(), 1);
  EXPECT_EQ(list->Item(int32_t{1}), Variant(u"b"));
}

// A class of the shape the published ones have, with typed array results and a Long published as
// an enumeration.
class Lister : public Object {
 public:
  ArrayOf<std::u16string> Names() { return {{u"a", u"b"}}; }
  ArrayOf<CollectionRef> Groups() { return {}; }
  int32_t get_Mode() const { return mode_; }
  void let_Mode(int32_t value) { mode_ = value; }

  static const MemberTable& member_table() {
    static const MemberTable table{
        method<&Lister::Names>(u"Names"),
        method<&Lister::Groups>(u"Groups"),
        property<&Lister::get_Mode, &Lister::let_Mode>(u"Mode", enumeration(u"Modo")),
    };
    return table;
  }
  const MemberTable& members() const override { return member_table(); }
  std::u16string type_name() const override { return u"Lister"; }

 private:
  int32_t mode_ = 0;
};

TEST(TypedMembers, ArrayResultsKeepTheirElementTypeAndAnEnumerationStaysALong) {
  Lister lister;
  Variant names = invoke(lister, u"Names", CallKind::Method);
  EXPECT_EQ(static_cast<int>(names.type()), 8200);  // what VarType() shows a script
  EXPECT_EQ(static_cast<int>(invoke(lister, u"Groups", CallKind::Method).type()), 8201);
  EXPECT_EQ(static_cast<int>(Variant(std::make_shared<Array>(3)).type()), 8204);  // a script's
  Variant copy = names;
  copy.mutable_array()[0] = Variant(u"z");  // written: copied, element type and all
  EXPECT_EQ(copy.type(), array_of(VarType::String));
  EXPECT_EQ(*names.array(), (Array{Variant(u"a"), Variant(u"b")}));

  const Member* mode = lister.members().find(u"mode");
  EXPECT_EQ(mode->result, VarType::Long);
  EXPECT_EQ(mode->enumeration, u"Modo");
  std::vector<Variant> value{Variant(u"2")};
  invoke(lister, u"Mode", CallKind::Let, value);
  EXPECT_EQ(invoke(lister, u"Mode", CallKind::Get), Variant(int32_t{2}));
}

TEST(Calendar, DaySerialsOfTheRangeEndsAndLeapDays) {
  struct Case {
    long long year;
    unsigned month, day;
    long long serial;
  };
  const Case cases[] = {
      {1899, 12, 30, 0},       {1899, 12, 29, -1},     {1900, 1, 1, 2},      {1900, 3, 1, 61},
      {2000, 1, 1, 36526},     {2000, 2, 29, 36585},   {2024, 2, 29, 45351}, {100, 1, 1, -657434},
      {9999, 12, 31, 2958465}, {1600, 2, 29, -109512}, {2100, 3, 1, 73110},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.year) + "-" + std::to_string(c.month) + "-" +
                 std::to_string(c.day));
    EXPECT_EQ(day_serial(c.year, c.month, c.day), c.serial);
    CivilDate back = civil_date(c.serial);
    EXPECT_EQ(back.year, c.year);
    EXPECT_EQ(back.month, c.month);
    EXPECT_EQ(back.day, c.day);
  }
  EXPECT_EQ(days_in_month(1900, 2), 28u);
  EXPECT_EQ(days_in_month(2000, 2), 29u);
}

TEST(Errors, EveryFailureBecomesANumberedError) {
  auto of = [](auto thrower) {
    try {
      thrower();
    } catch (...) {
      return as_error(std::current_exception());
    }
    return Error(0, u"");
  };
  Error own = of([] { throw Error(-5, u"Falla", u"comp.dll"); });
  EXPECT_EQ(own.number(), -5);
  EXPECT_EQ(own.source(), u"comp.dll");
  EXPECT_EQ(of([] { throw std::bad_alloc(); }).description(), u"Out of memory");
  Error internal = of([] { throw std::runtime_error("boom"); });
  EXPECT_EQ(internal.number(), 51);
  EXPECT_EQ(internal.description(), u"Internal error: boom");
  EXPECT_EQ(internal.source(), kLibrarySource);
  EXPECT_EQ(of([] { throw 42; }).description(), u"Internal error");
  EXPECT_EQ(Error::standard(1234).description(), u"Application-defined or object-defined error");
  EXPECT_EQ(Error::standard(http_error::kTimeout, http_error::kSource).source(), u"msxml6.dll");
}

}  // namespace
}  // namespace halvora
