// Objects the library calls by name only. An outside automation object (a host's own collection, a
// record of a registered component) has no member table here; the runtime reaches it through its
// invoke_by_name, and the properties that hold result collections take it as it is.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "automation/collection.h"
#include "automation/conversions.h"
#include "automation/error.h"
#include "automation/members.h"
#include "automation/text.h"
#include "support/calls.h"

namespace halvora {
namespace {

using test::error_of;

// A host's collection as the runtime sees it: Count, Item and Add by name, and a member that
// changes its argument, as a by-reference parameter may. Every call is logged.
class OutsideList : public Object {
 public:
  struct Call {
    std::u16string name;
    CallKind kind;
    std::vector<Variant> args;
  };
  std::vector<Call> calls;
  std::vector<Variant> items;

  const MemberTable& members() const override {
    static const MemberTable none{};
    return none;
  }
  std::u16string type_name() const override { return u"Object"; }
  bool outside() const override { return true; }

  Variant invoke_by_name(std::u16string_view name, CallKind kind,
                         std::span<Variant> args) override {
    calls.push_back({std::u16string(name), kind, {args.begin(), args.end()}});
    if (iequals(name, u"Count")) return Variant(static_cast<int32_t>(items.size()));
    if (iequals(name, u"Item")) {
      int32_t i = to_long(args[0]);
      if (i < 1 || i > static_cast<int32_t>(items.size())) throw Error::standard(err::kSubscript);
      return items[static_cast<std::size_t>(i - 1)];
    }
    if (iequals(name, u"Add")) {
      items.push_back(args[0]);
      return {};
    }
    if (iequals(name, u"Touch")) {
      args[0] = Variant(u"touched");
      return {};
    }
    throw Error::standard(err::kNoSuchMember);
  }
};

// A class of the library with a property that holds a result collection.
class Holder : public Object {
 public:
  ObjectRef List;
  ObjectRef Anything;

  static const MemberTable& member_table() {
    static const MemberTable table{
        data<&Holder::List>(u"List", takes_list),
        data<&Holder::Anything>(u"Anything"),
    };
    return table;
  }
  const MemberTable& members() const override { return member_table(); }
  std::u16string type_name() const override { return u"Holder"; }
};

std::shared_ptr<OutsideList> outside_of(std::initializer_list<const char16_t*> items) {
  auto list = std::make_shared<OutsideList>();
  for (const char16_t* i : items) list->items.emplace_back(i);
  return list;
}

TEST(CallByName, GoesToTheTableOrToTheOutsideObjectItself) {
  auto own = Collection::create();
  auto theirs = outside_of({});
  std::vector<Variant> one{Variant(u"x")};
  invoke(*own, u"ADD", CallKind::Method, one);
  invoke(*theirs, u"ADD", CallKind::Method, one);
  EXPECT_EQ(own->Count(), 1);
  ASSERT_EQ(theirs->items.size(), 1u);
  EXPECT_EQ(theirs->calls.at(0).name, u"ADD");  // the name as the caller spelt it
  // An unknown name: 438 from the table, and whatever the outside object answers.
  EXPECT_EQ(error_of([&] { invoke(*own, u"Nope", CallKind::Get); }), err::kNoSuchMember);
  EXPECT_EQ(error_of([&] { invoke(*theirs, u"Nope", CallKind::Get); }), err::kNoSuchMember);
  // What the outside object writes into an argument reaches the caller's variable.
  std::vector<Variant> variable{Variant(u"as it was")};
  invoke(*theirs, u"Touch", CallKind::Method, variable);
  EXPECT_EQ(variable[0], Variant(u"touched"));
}

TEST(CallByName, ListsAreReadDirectlyOrByName) {
  auto own = test::list_of({u"a", u"b"});
  auto theirs = outside_of({u"a", u"b"});
  for (Object* list : {static_cast<Object*>(own.get()), static_cast<Object*>(theirs.get())}) {
    EXPECT_EQ(count_of(*list), 2);
    EXPECT_EQ(item_of(*list, 2), Variant(u"b"));
    EXPECT_EQ(error_of([&] { item_of(*list, 3); }), err::kSubscript);
  }
  // The host's collection saw the calls a host's own code would make.
  ASSERT_EQ(theirs->calls.size(), 3u);
  EXPECT_EQ(theirs->calls[0].name, u"Count");
  EXPECT_EQ(theirs->calls[1].name, u"Item");
  EXPECT_EQ(theirs->calls[1].kind, CallKind::Method);
  EXPECT_EQ(theirs->calls[1].args, std::vector<Variant>{Variant(int32_t{2})});
}

TEST(CallByName, ResultPropertiesTakeTheLibrarysCollectionsOrOutsideOnes) {
  Holder holder;
  struct Case {
    const char* what;
    ObjectRef value;
    int32_t error;
  };
  const Case cases[] = {
      {"the library's collection", Collection::create(), 0},
      {"an outside collection", outside_of({u"z"}), 0},
      {"Nothing", nullptr, 0},
      {"another object of the library's", std::make_shared<Holder>(), err::kTypeMismatch},
  };
  for (const Case& c : cases) {
    holder.List = nullptr;
    EXPECT_EQ(error_of([&] { test::put(holder, u"List", c.value); }), c.error) << c.what;
    if (!c.error) {
      EXPECT_EQ(holder.List, c.value) << c.what;
    }
  }
  // A property without the check takes any object, as before.
  test::put(holder, u"Anything", std::make_shared<Holder>());
  EXPECT_NE(holder.Anything, nullptr);
}

// Hosts write obj.List(2) for obj.List.Item(2): with an outside collection the Item goes to it by
// name.
TEST(CallByName, DefaultMemberOfAnOutsideCollection) {
  Holder holder;
  auto theirs = outside_of({u"first", u"second"});
  holder.List = theirs;
  std::vector<Variant> at{Variant(int32_t{2})};
  EXPECT_EQ(invoke(holder, u"List", CallKind::Get, at), Variant(u"second"));
  ASSERT_EQ(theirs->calls.size(), 1u);
  EXPECT_EQ(theirs->calls[0].name, u"Item");
}

}  // namespace
}  // namespace halvora
