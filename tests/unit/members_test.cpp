// Dispatch by name, member tables and the class registry.
#include "automation/members.h"

#include <gtest/gtest.h>

#include <set>

#include "automation/collection.h"
#include "library/registry.h"
#include "services/document.h"
#include "support/calls.h"
#include "support/test_env.h"

namespace halvora {
namespace {

using test::error_of;
TEST(MemberTable, DocumentInterfaceOrderGivesTheDispatchIdentifiers) {
  const std::pair<const char16_t*, int32_t> expected[] = {
      {u"TarjetaVIP", 0x40030000},   {u"SocioVIP", 0x40030001},   {u"DllMain", 0x60030002},
      {u"PedirTarjeta", 0x60030003}, {u"Saldo", 0x60030004},      {u"TarjetaOnline", 0x60030005},
      {u"AplicarSaldo", 0x60030006}, {u"PedirSaldo", 0x60030007}, {u"Lan", 0x60030008},
      {u"Modem", 0x60030009},        {u"Proxy", 0x6003000A},      {u"Online", 0x6003000B},
  };
  const auto& members = Document::member_table().members();
  ASSERT_EQ(members.size(), std::size(expected));
  for (std::size_t i = 0; i < members.size(); ++i) {
    EXPECT_EQ(members[i].name, expected[i].first);
    EXPECT_EQ(members[i].dispid, expected[i].second);
  }
  const Member* saldo = Document::member_table().find(u"SALDO");
  ASSERT_NE(saldo, nullptr);
  EXPECT_EQ(saldo->result, VarType::Double);
  ASSERT_EQ(saldo->params.size(), 5u);
  EXPECT_TRUE(saldo->params[4].optional);
  EXPECT_EQ(saldo->params[4].type, VarType::String);
  const Member* dll = Document::member_table().find(0x60030002);
  ASSERT_NE(dll, nullptr);
  EXPECT_TRUE(dll->params[1].by_ref);
  EXPECT_EQ(dll->params[1].type, VarType::Long);
  EXPECT_EQ(dll->result, VarType::Boolean);
}

TEST(Dispatch, ArgumentRulesFollowThePlatform) {
  test::ScopedEnv offline{"HALVORA_NETSTATE", ""};
  test::UiScope ui;
  auto doc = std::make_shared<Document>();
  Variant a(u"h"), b(u"d"), c(u"u");
  auto call = [&](std::u16string_view name, std::vector<Variant> args,
                  CallKind kind = CallKind::Method) {
    return error_of([&] { invoke(*doc, name, kind, args); });
  };
  EXPECT_EQ(call(u"NoSuchThing", {}), 438);
  EXPECT_EQ(call(u"Saldo", {u"h", u"d", u"u"}), 449);  // a required argument is missing
  EXPECT_EQ(call(u"Saldo", {u"h", u"d", u"u", Missing{}, u"1"}), 449);
  EXPECT_EQ(call(u"Lan", {int32_t{1}}), 450);
  EXPECT_EQ(call(u"TarjetaVIP", {u"x"}, CallKind::Get), 450);
  EXPECT_EQ(call(u"Online", {u"x"}, CallKind::Let), 438);
  EXPECT_EQ(call(u"DllMain", {u"abc", int32_t{1}, int32_t{0}}), 13);
  EXPECT_EQ(call(u"DllMain", {3e9, int32_t{1}, int32_t{0}}), 6);
  // Omitted optional arguments and numbers for text are fine.
  EXPECT_EQ(call(u"Saldo", {u"h", u"d", u"u", 5.0}), 0);
  EXPECT_EQ(call(u"Saldo", {u"h", u"d", u"u", u"p", Missing{}}), 0);
}

TEST(Dispatch, ByReferenceArgumentsComeBackCoercedAndUnchanged) {
  auto doc = std::make_shared<Document>();
  for (int32_t reason : {0, 1, 2, 3}) {
    std::vector<Variant> args{int16_t{7}, Variant(u"  " + std::u16string(1, u'0' + reason)),
                              Variant()};
    Variant r = invoke(*doc, u"DllMain", CallKind::Method, args);
    EXPECT_EQ(r, Variant(reason == 1)) << reason;
    EXPECT_EQ(args[0], Variant(int32_t{7}));
    EXPECT_EQ(args[1], Variant(reason));
    EXPECT_EQ(args[2], Variant(int32_t{0}));
  }
}

TEST(Dispatch, DataMembersReadAndAssignWithConversion) {
  auto doc = std::make_shared<Document>();
  EXPECT_EQ(invoke(*doc, u"SocioVIP", CallKind::Get), Variant(u""));
  Variant v(12.5);
  invoke(*doc, u"sociovip", CallKind::Let, {&v, 1});
  EXPECT_EQ(doc->SocioVIP, u"12.5");
  Variant b(true);
  invoke(*doc, u"SocioVIP", CallKind::Let, {&b, 1});
  EXPECT_EQ(doc->SocioVIP, u"True");
  Variant obj = ObjectRef(Collection::create());
  EXPECT_EQ(error_of([&] { invoke(*doc, u"SocioVIP", CallKind::Let, {&obj, 1}); }), 13);
}

TEST(Registry, PublishesEighteenClassesWithDistinctIdentities) {
  auto classes = published_classes();
  ASSERT_EQ(classes.size(), 18u);
  std::set<std::u16string_view> guids{type_library().guid};
  for (const ClassInfo& c : classes) {
    EXPECT_TRUE(guids.insert(c.clsid).second) << std::string(c.name.begin(), c.name.end());
    EXPECT_TRUE(guids.insert(c.iid).second);
    EXPECT_EQ(c.clsid.size(), 38u);
    EXPECT_EQ(c.interface_name.substr(0, 1), u"_");
    EXPECT_EQ(find_class(published_library().progid(c)), &c);
    if (c.creatable()) {
      ObjectRef obj = create_object(published_library().progid(c));
      EXPECT_EQ(&obj->members(), c.members());
    } else {
      EXPECT_EQ(error_of([&] { create_object(published_library().progid(c)); }), 429);
    }
  }
  EXPECT_EQ(find_class(u"halvora.document")->clsid, u"{79261CCC-12B1-49B7-89B2-CD12CC3EB84F}");
  EXPECT_EQ(find_class(u"HALVORA.Nothing"), nullptr);
  EXPECT_EQ(error_of([] { create_object(u"Other.Document"); }), 429);
  EXPECT_EQ(type_library().name, u"HALVORA");
  EXPECT_EQ(type_library().lcid, 0x409u);

  ASSERT_EQ(enumerations().size(), 1u);
  const EnumInfo& e = enumerations()[0];
  EXPECT_EQ(e.name, u"TipoComando");
  ASSERT_EQ(e.values.size(), 3u);
  EXPECT_EQ(e.values[2], (std::pair<std::u16string_view, int32_t>{u"Consulta", 2}));
}

TEST(Registry, ObjectsLiveWhileHeldAndCountForUnloading) {
  long before = Object::live_count();
  ObjectRef doc = create_object(u"HALVORA.Document");
  CollectionRef list = Collection::create();
  Variant held(ObjectRef{list});
  EXPECT_EQ(Object::live_count(), before + 2);
  list.reset();
  EXPECT_EQ(Object::live_count(), before + 2);  // the variant still holds it
  held = Variant();
  doc.reset();
  EXPECT_EQ(Object::live_count(), before);
}

}  // namespace
}  // namespace halvora
