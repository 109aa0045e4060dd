// What each of the seven later data classes does on its own, called by name as hosts call them
// against the fake SDK: Confi's configuration, Tab_ht's folios, the records MASHUE72 and CUPONES
// hand over, the CUPONES look-ups, the host's splits and the TABCONF translations.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/data_tests.h"

namespace halvora::test {
namespace {

// The look-ups of CUPONES, which cut their answer themselves: the two of fill_cases() and one
// more for each record.
// clang-format off
const std::vector<FillCase>& coupon_look_ups() {
  static const std::vector<FillCase> all = {
      fill_cases()[3],
      {"CUPONES coupon by room", &CUPONES::coupon_fields, &sdk::coupon_layout, 7, &make<CUPONES>,
       u"Cupones_Sdk_Info", u"CuponesPorHabitacion", u"GetCuponesByNumHab", {101.0, u"A"},
       nullptr, u"ListaResultadoCupon", true},
      fill_cases()[4],
      {"CUPONES type by name", &CUPONES::type_fields, &sdk::coupon_type_layout, 4,
       &make<CUPONES>, u"Tipocupon_Sdk_Info", u"TipoCuponPorNombre", u"GetTipoCuponByNombreCup",
       {u"Desayuno"}, nullptr, u"ListaResultadoTipoCupon", true},
  };
  return all;
}
// clang-format on

// ---- Confi ----------------------------------------------------------------------------------

TEST_F(DataMore, ConfiReadsTheConfigurationIntoANewRecordEachTime) {
  Confi confi;
  connect(confi);
  Args casa{Variant(u"HOTEL 01")};
  invoke(confi, u"cgcasa", CallKind::Let, casa);

  std::vector<Item> items = distinct_items(Confi::field_table());
  world.answer(u"LeerConfiguracion", Variant(join(items)));
  call(confi, u"GetConfiConfig");
  auto first = record_in(confi, u"Confi_Sdk_Info");
  ASSERT_NE(first, nullptr);
  // The eleventh item is a Boolean flag, the 128th the record's number.
  EXPECT_EQ(first->value(183), items[10].value);
  EXPECT_EQ(first->value(0), items[127].value);
  EXPECT_EQ(first->value(0), Variant(int32_t{100128}));

  // The private list is refilled, not added to: a text one item short fails even though the
  // previous text had them all.
  std::vector<Item> later = distinct_items(Confi::field_table(), 0, 300);
  world.answer(u"LeerConfiguracion", Variant(join(later, 220)));
  EXPECT_EQ(error_of([&] { call(confi, u"GetConfiConfig"); }), err::kSubscript);
  auto second = record_in(confi, u"Confi_Sdk_Info");
  EXPECT_NE(second, first);
  EXPECT_EQ(second->value(68), later[0].value);
  EXPECT_EQ(first->value(68), items[0].value);  // the record the host took stays as it was

  EXPECT_EQ(invoke(confi, u"CGCASA", CallKind::Get), Variant(u"HOTEL 01"));
  EXPECT_EQ(confi.cgcasa, u"HOTEL 01");
}

// ---- Tab_ht ---------------------------------------------------------------------------------

struct Narrowing {
  Variant answer;
  int32_t error;
  int16_t result;
};

const Narrowing kNarrowings[] = {
    {Variant(int32_t{32767}), 0, 32767},
    {Variant(int32_t{-32768}), 0, -32768},
    {Variant(int32_t{32768}), err::kOverflow, 0},
    {Variant(int32_t{-32769}), err::kOverflow, 0},
    {Variant(2.5), 0, 2},
    {Variant(u"41"), 0, 41},
};

TEST_F(DataMore, FoliosAreNarrowedToAnInteger) {
  Tab_ht hotel;
  connect(hotel);
  for (const Narrowing& n : kNarrowings) {
    SCOPED_TRACE(shown(n.answer));
    world.answer(u"FolioPorOperacion", n.answer);
    Variant result;
    EXPECT_EQ(
        error_of([&] { result = call(hotel, u"GetFolioTab_Ht", {Variant(int16_t{-32768})}); }),
        n.error);
    if (!n.error) {
      EXPECT_EQ(result, Variant(n.result));
    }
    EXPECT_EQ(world.calls.back().args, (Args{Variant(int32_t{-32768})}));
  }
}

// ---- MASHUE72 and CUPONES: records the host hands over ---------------------------------------

TEST_F(DataMore, SearchesAndSavesHandOverTheHostsRecord) {
  MASHUE72 master;
  connect(master);
  ObjectRef example = master.MASHUE72_SDK_Info;
  Args name{Variant(u"RUIZ")};
  invoke(*example, u"Campo006", CallKind::Let, name);
  world.answer(u"BuscarMaestroHuespedes", Variant(u"e1*e2"));
  call(master, u"MASHUE72_FindBy");
  ASSERT_EQ(world.calls.size(), 1u);
  EXPECT_EQ(world.calls[0].args, (Args{Variant(example)}));
  EXPECT_EQ(master.MASHUE72_SDK_Info, example);  // the search lists; it does not read a record
  EXPECT_EQ(dynamic_cast<sdk::Record&>(*example).value(6), Variant(u"RUIZ"));

  CUPONES coupons;
  connect(coupons);
  ObjectRef coupon = sdk::create_record(u"RegistroCupon");
  put(coupons, u"Cupones_Sdk_Info", coupon);
  for (const Narrowing& n : kNarrowings) {
    SCOPED_TRACE(shown(n.answer));
    world.calls.clear();
    world.answer(u"GuardarCupon", n.answer);
    Variant result;
    EXPECT_EQ(error_of([&] { result = call(coupons, u"DbCupones_Save"); }), n.error);
    if (!n.error) {
      EXPECT_EQ(result, Variant(n.result));
    }
    ASSERT_EQ(world.calls.size(), 1u);
    EXPECT_EQ(world.calls[0].operation, u"GuardarCupon");
    EXPECT_EQ(world.calls[0].args, (Args{Variant(coupon)}));
  }
}

TEST_F(DataMore, AnObjectOfAnotherClassIsRefusedBeforeTheSdk) {
  MASHUE72 master;
  CUPONES coupons;
  connect(master);
  connect(coupons);
  put(master, u"MASHUE72_SDK_Info", sdk::create_record(u"RegistroCupon"));
  put(coupons, u"Cupones_Sdk_Info", sdk::create_record(u"RegistroTipoCupon"));
  EXPECT_EQ(error_of([&] { call(master, u"MASHUE72_FindBy"); }), err::kTypeMismatch);
  EXPECT_EQ(error_of([&] { call(coupons, u"DbCupones_Save"); }), err::kTypeMismatch);
  put(coupons, u"Cupones_Sdk_Info", Collection::create());
  EXPECT_EQ(error_of([&] { call(coupons, u"DbCupones_Save"); }), err::kTypeMismatch);
  EXPECT_TRUE(world.calls.empty());
}

// ---- CUPONES look-ups -----------------------------------------------------------------------

TEST_F(DataMore, CouponLookUpsFillOnlyFromTwoPiecesAndListOnlyAfterTheFill) {
  for (const FillCase& c : coupon_look_ups()) {
    SCOPED_TRACE(c.name);
    const std::size_t n = c.count;
    struct Pieces {
      std::size_t pieces;
      int32_t error;
      std::size_t listed;
      std::size_t set;
    } cases[] = {
        {0, 0, 0, 0},  // nothing: a blank record
        {1, 0, 1, 0},  // one piece is listed beside a blank record
        {2, err::kSubscript, 0, 2},
        {n - 1, err::kSubscript, 0, n - 1},
        {n, 0, n, n},
        {n + 1, 0, n + 1, n},
    };
    std::vector<Item> items = distinct_items(c.fields());
    items.push_back({u"extra", {}});
    for (const Pieces& p : cases) {
      SCOPED_TRACE(std::to_string(p.pieces) + " pieces");
      ObjectRef o = connected(c.make());
      EXPECT_EQ(fill(*o, c, join(items, p.pieces)), p.error);
      auto r = record_in(*o, c.record);
      ASSERT_NE(r, nullptr);
      expect_filled(*r, c, items, p.set);
      Texts listed = texts(get(*o, c.pieces));
      EXPECT_EQ(listed.size(), p.listed);
      for (std::size_t i = 0; i < listed.size(); ++i) EXPECT_EQ(listed[i], items[i].text);
    }
  }
}

TEST_F(DataMore, ALaterLookUpLeavesTheResultsTheHostTookAlone) {
  for (const FillCase& c : coupon_look_ups()) {
    SCOPED_TRACE(c.name);
    ObjectRef o = connected(c.make());
    std::vector<Item> first = distinct_items(c.fields());
    ASSERT_EQ(fill(*o, c, join(first)), 0);
    ObjectRef record = get(*o, c.record);
    ObjectRef list = get(*o, c.pieces);
    std::vector<Variant> kept_record = snapshot(record);
    std::vector<Variant> kept_list = snapshot(list);

    std::vector<Item> second = distinct_items(c.fields(), 0, 50);
    ASSERT_EQ(fill(*o, c, join(second)), 0);
    EXPECT_NE(get(*o, c.record), record);
    EXPECT_NE(get(*o, c.pieces), list);
    expect_filled(*record_in(*o, c.record), c, second, c.count);
    EXPECT_EQ(snapshot(record), kept_record);
    EXPECT_EQ(snapshot(list), kept_list);
  }
}

// ---- INFCOM, TABCONF, TAB_EST, MASHUE72: the host's split -----------------------------------

TEST_F(DataMore, AFillWithoutASplitFailsAfterReplacingTheRecord) {
  struct NoSplit {
    const char* name;
    ObjectRef (*make)();
    bool connect;
    const char16_t* record;
    int32_t error;  // 0: the list the connection made is empty, so the record stays blank
  } cases[] = {
      {"INFCOM connected", &make<InfCom>, true, u"INFCOM_SDK_Info", err::kObjectNotSet},
      {"TABCONF connected", &make<TabConf>, true, u"TABCONF_SDK_Info", err::kObjectNotSet},
      {"MASHUE72 connected", &make<MASHUE72>, true, u"MASHUE72_SDK_Info", 0},
      {"TAB_EST connected", &make<TAB_EST>, true, u"Tab_Est_Sdk_Info", 0},
      {"MASHUE72", &make<MASHUE72>, false, u"MASHUE72_SDK_Info", err::kObjectNotSet},
      {"TAB_EST", &make<TAB_EST>, false, u"Tab_Est_Sdk_Info", err::kObjectNotSet},
  };
  for (const NoSplit& c : cases) {
    SCOPED_TRACE(c.name);
    ObjectRef o = c.make();
    if (c.connect) connect(*o);
    ObjectRef old = Collection::create();
    put(*o, c.record, old);
    EXPECT_EQ(error_of([&] { call(*o, u"GetEntityObject"); }), c.error);
    auto r = record_in(*o, c.record);
    ASSERT_NE(r, nullptr);
    EXPECT_TRUE(blank(*r));
  }
  EXPECT_TRUE(world.calls.empty());
}

// The guest master's connection starts its pending fields afresh; the catalogue's leaves them.
TEST_F(DataMore, ConnectingForgetsTheGuestMastersPendingFieldsButNotTheCatalogues) {
  MASHUE72 master;
  call(master, u"GetListaResultados", {record_text(MASHUE72::field_table()), u"|"});
  connect(master);
  call(master, u"GetEntityObject");
  EXPECT_TRUE(blank(*record_in(master, u"MASHUE72_SDK_Info")));

  TabConf catalogue;
  call(catalogue, u"GetListaResultadosTabConf", {record_text(TabConf::field_table()), u"|"});
  connect(catalogue);
  call(catalogue, u"GetEntityObject");
  EXPECT_EQ(record_in(catalogue, u"TABCONF_SDK_Info")->value(13), Variant(int32_t{100001}));
}

TEST_F(DataMore, EachSplitReplacesItsListAndCutsAtTheHostsSeparator) {
  struct Split {
    ObjectRef (*make)();
    const char16_t* member;
    const char16_t* list;
  } cases[] = {
      {&make<InfCom>, u"GetListaResultados", u"ResultadoInfCom"},
      {&make<TAB_EST>, u"GetListaResultados", u"Resultados"},
  };
  for (const Split& c : cases) {
    SCOPED_TRACE(utf16_to_utf8(c.list));
    ObjectRef o = c.make();
    EXPECT_EQ(call(*o, c.member, {Variant(u"a;;b;"), Variant(u";")}), Variant(ObjectRef{}));
    ObjectRef first = get(*o, c.list);
    EXPECT_EQ(texts(first), (Texts{u"a", u"", u"b", u""}));
    call(*o, c.member, {Variant(u"a|b"), Variant(u"")});
    EXPECT_EQ(texts(get(*o, c.list)), Texts{u"a|b"});
    EXPECT_EQ(texts(first), (Texts{u"a", u"", u"b", u""}));
  }
  // The guest master keeps its pieces to itself: only its fill shows where they went.
  MASHUE72 master;
  call(master, u"GetListaResultados", {Variant(u"A;2;3;4;5;6;B;C"), Variant(u";")});
  call(master, u"GetEntityObject");
  EXPECT_EQ(record_in(master, u"MASHUE72_SDK_Info")->value(6), Variant(u"A"));
  EXPECT_EQ(record_in(master, u"MASHUE72_SDK_Info")->value(7), Variant(u"C"));
}

// ---- TABCONF translations -------------------------------------------------------------------

TEST_F(DataMore, CatalogueTranslationsHandBackTheAnswerAndTouchNothing) {
  TabConf catalogue;
  connect(catalogue);
  world.answer(u"ListarTablasConfiguracion", Variant(u"x*y"));
  call(catalogue, u"GetListTabConf");
  call(catalogue, u"GetListaResultadosTabConf",
       {Variant(record_text(TabConf::field_table())), Variant(u"|")});
  call(catalogue, u"GetEntityObject");
  ObjectRef list = catalogue.ListaResultadosTabConf;
  ObjectRef record = catalogue.TABCONF_SDK_Info;
  std::vector<Variant> kept = snapshot(record);

  world.answer(u"ClaveTablaPorTipo", Variant(u" K 01 "));
  world.answer(u"TipoPorClaveTabla", Variant(int32_t{7}));
  EXPECT_EQ(call(catalogue, u"GetCvetabByTipo", {Variant(u"T")}), Variant(u" K 01 "));
  EXPECT_EQ(call(catalogue, u"GetTipoByCvetab", {Variant(u"K")}), Variant(u"7"));
  EXPECT_EQ(catalogue.ListaResultadosTabConf, list);
  EXPECT_EQ(texts(list), (Texts{u"x", u"y"}));
  EXPECT_EQ(catalogue.TABCONF_SDK_Info, record);
  EXPECT_EQ(snapshot(record), kept);
  // The record the fill read is still there to fill again.
  call(catalogue, u"GetEntityObject");
  EXPECT_NE(catalogue.TABCONF_SDK_Info, record);
  EXPECT_EQ(snapshot(catalogue.TABCONF_SDK_Info), kept);
}

}  // namespace
}  // namespace halvora::test
