// Db_Datos and DB_CAPCT called by name, as hosts call them, against a fake SDK that records
// every operation with its arguments.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "automation/conversions.h"
#include "data/db_capct.h"
#include "data/db_datos.h"
#include "support/calls.h"
#include "support/fake_sdk.h"
#include "support/test_env.h"

namespace halvora {
namespace {

using test::call;
using test::error_of;
using test::FakeRecord;
using test::FakeWorld;
using test::get;
using test::list_of;
using test::put;
using test::texts;

// A guest text of `n` fields that all read as their types.
std::u16string guest_text(std::size_t n) {
  std::u16string text;
  for (std::size_t i = 0; i < n; ++i) {
    if (i) text += u"|";
    switch (i < Db_Datos::field_table().size() ? Db_Datos::field_table()[i].type
                                               : sdk::FieldType::String) {
      case sdk::FieldType::Date:
        text += u"1/2/2024";
        break;
      case sdk::FieldType::String:
        text += u"s" + std::u16string(1, static_cast<char16_t>(u'a' + i % 26));
        break;
      default:
        text += u"7";
    }
  }
  return text;
}

class DataDbDatos : public ::testing::Test {
 protected:
  void SetUp() override { world.answer(u"Conectar", Variant(int32_t{1})); }

  void connect() {
    std::vector<Variant> args{Variant(u"C:\\h"), Variant(u"ana"), Variant(u"pw")};
    ASSERT_EQ(invoke(db, u"TelvarConectarLobix", CallKind::Method, args), Variant(true));
    EXPECT_EQ(args[1], Variant(u"ana"));  // the SDK's writes never reach the host's variables
    EXPECT_EQ(args[2], Variant(u"pw"));
    world.calls.clear();
  }
  FakeRecord& record() { return dynamic_cast<FakeRecord&>(*db.Db_Datos_Sdk_Info); }

  test::RegionalScope regional_;
  FakeWorld world;
  Db_Datos db;
};

TEST_F(DataDbDatos, ConnectingGivesFreshEmptyListsWhateverTheAnswer) {
  for (int32_t answer : {1, 0, 2, -1}) {
    world.answer(u"Conectar", Variant(answer));
    std::vector<Variant> args{Variant(u"d"), Variant(u"u"), Variant(u"p")};
    EXPECT_EQ(invoke(db, u"TelvarConectarLobix", CallKind::Method, args), Variant(answer == 1));
    EXPECT_TRUE(texts(db.ListaResultados).empty());
    EXPECT_TRUE(texts(db.GetList_ListaResultados).empty());
    EXPECT_EQ(db.Db_Datos_Sdk_Info, nullptr);
  }
}

TEST_F(DataDbDatos, SdkMembersNeedAConnection) {
  EXPECT_EQ(error_of([&] { call(db, u"PruebaString"); }), err::kObjectNotSet);
  EXPECT_EQ(error_of([&] { call(db, u"GetList_HuespedesEnCasa"); }), err::kObjectNotSet);
  EXPECT_EQ(error_of([&] { call(db, u"GetHuespedByNumHab", {u"101", u"A"}); }), err::kObjectNotSet);
  EXPECT_EQ(error_of([&] { call(db, u"GetEntityObject"); }), err::kObjectNotSet);
  // The record split and fill need no connection.
  EXPECT_EQ(call(db, u"GetListaResultados", {guest_text(45), u"|"}), Variant(ObjectRef{}));
  call(db, u"GetEntityObject");
  EXPECT_EQ(record().sets.size(), 45u);
  EXPECT_TRUE(world.calls.empty());
}

TEST_F(DataDbDatos, PruebaStringHandsBackTheSdkText) {
  connect();
  world.answer(u"CadenaPrueba", Variant(u"Lobix 3.1"));
  EXPECT_EQ(call(db, u"PruebaString"), Variant(u"Lobix 3.1"));
  EXPECT_EQ(world.calls[0].operation, u"CadenaPrueba");
  EXPECT_TRUE(world.calls[0].args.empty());
}

TEST_F(DataDbDatos, InHouseListSkipsBlankEntries) {
  connect();
  call(db, u"GetListaResultados", {u"a|b", u"|"});
  ObjectRef fields = db.ListaResultados;
  world.answer(u"ListarHuespedesEnCasa", Variant(u"*101|ANA* \t *  *102|LUIS *"));
  Variant result = call(db, u"GetList_HuespedesEnCasa");
  ASSERT_TRUE(result.is_array());
  EXPECT_EQ(result.type(), array_of(VarType::String));
  EXPECT_TRUE(result.array()->empty());
  EXPECT_EQ(texts(db.GetList_ListaResultados),
            (std::vector<std::u16string>{u"101|ANA", u" \t ", u"102|LUIS "}));
  EXPECT_EQ(db.ListaResultados, fields);  // the look-up results stay
}

TEST_F(DataDbDatos, AFailedInHouseListLeavesAnEmptyList) {
  connect();
  world.answer(u"ListarHuespedesEnCasa", Variant(u"a*b"));
  call(db, u"GetList_HuespedesEnCasa");
  ObjectRef before = db.GetList_ListaResultados;
  world.fail(u"ListarHuespedesEnCasa", 3021);
  EXPECT_EQ(error_of([&] { call(db, u"GetList_HuespedesEnCasa"); }), 3021);
  EXPECT_NE(db.GetList_ListaResultados, before);
  EXPECT_TRUE(texts(db.GetList_ListaResultados).empty());
  EXPECT_EQ(texts(before), (std::vector<std::u16string>{u"a", u"b"}));
}

struct LookUp {
  const char16_t* member;
  const char16_t* operation;
};

TEST_F(DataDbDatos, EachLookUpAsksItsOperationWithKeyAndStatus) {
  const LookUp cases[] = {
      {u"GetHuespedByNumHab", u"HuespedPorHabitacion"},
      {u"GetHuespedByNumHuest", u"HuespedPorNumero"},
      {u"GetHuespedByNombreHuesped", u"HuespedPorNombre"},
  };
  connect();
  for (const LookUp& c : cases) {
    world.calls.clear();
    world.answer(c.operation, Variant(guest_text(47)));
    EXPECT_EQ(call(db, c.member, {u" key ", u"A"}), Variant());
    ASSERT_EQ(world.calls.size(), 1u);
    EXPECT_EQ(world.calls[0].operation, c.operation);
    EXPECT_EQ(world.calls[0].args, (std::vector<Variant>{Variant(u" key "), Variant(u"A")}));
    EXPECT_EQ(texts(db.ListaResultados).size(), 47u);  // extra fields stay in the list only
    EXPECT_EQ(record().sets.size(), 45u);
  }
}

TEST_F(DataDbDatos, AGuestFillsTheTableColumnsWithTheirTypes) {
  connect();
  std::u16string text = guest_text(45);
  world.answer(u"HuespedPorHabitacion", Variant(text));
  call(db, u"GetHuespedByNumHab", {u"101", u""});
  const std::vector<std::u16string> layout = test::record_names(sdk::guest_layout());
  ASSERT_EQ(layout.size(), 186u);
  auto fields = Db_Datos::field_table();
  ASSERT_EQ(record().sets.size(), fields.size());
  for (std::size_t i = 0; i < fields.size(); ++i) {
    // Each row names the property the SDK publishes at the row's position.
    EXPECT_EQ(record().sets[i].property, layout[static_cast<std::size_t>(fields[i].position)]);
    EXPECT_EQ(fields[i].item, static_cast<int16_t>(i + 1));
  }
  EXPECT_EQ(record().value(0), Variant(int32_t{7}));
  EXPECT_EQ(record().value(8), Variant(7.0));          // NUMHABDA
  EXPECT_EQ(record().value(5), Variant(Date{45293}));  // FHAENTDA, 1/2/2024
  EXPECT_EQ(record().value(184), Variant(7.0));
  EXPECT_EQ(record().value(1), Variant(u"sb"));  // NOMBREDA, the second field
  EXPECT_EQ(record().value(2), Variant(u"ss"));  // STATUSDA, the last field
}

TEST_F(DataDbDatos, LookUpFailuresKeepWhatWasDone) {
  connect();
  world.answer(u"HuespedPorNumero", Variant(guest_text(45)));
  call(db, u"GetHuespedByNumHuest", {u"9", u"A"});
  ObjectRef first_record = db.Db_Datos_Sdk_Info;
  ObjectRef first_list = db.ListaResultados;

  // The SDK fails: nothing was replaced.
  world.fail(u"HuespedPorNumero", 3021);
  EXPECT_EQ(error_of([&] { call(db, u"GetHuespedByNumHuest", {u"9", u"A"}); }), 3021);
  EXPECT_EQ(db.Db_Datos_Sdk_Info, first_record);
  EXPECT_EQ(db.ListaResultados, first_list);

  // One field short: the new record holds the 44 before it; the old one keeps its guest.
  world.failures.clear();
  world.answer(u"HuespedPorNumero", Variant(guest_text(44)));
  EXPECT_EQ(error_of([&] { call(db, u"GetHuespedByNumHuest", {u"9", u"A"}); }), err::kSubscript);
  EXPECT_NE(db.Db_Datos_Sdk_Info, first_record);
  EXPECT_EQ(record().sets.size(), 44u);
  EXPECT_EQ(dynamic_cast<FakeRecord&>(*first_record).sets.size(), 45u);

  // An empty Double field (NUMHABDA, the seventh).
  std::u16string text = guest_text(45);
  text.replace(text.find(u"|7|7|") + 1, 1, u"");
  world.answer(u"HuespedPorNumero", Variant(text));
  EXPECT_EQ(error_of([&] { call(db, u"GetHuespedByNumHuest", {u"9", u"A"}); }), err::kTypeMismatch);
  EXPECT_EQ(record().sets.size(), 5u);
}

TEST_F(DataDbDatos, AnEmptyAnswerGivesAnEmptyListAndABlankRecord) {
  connect();
  world.answer(u"HuespedPorNombre", Variant(u""));
  call(db, u"GetHuespedByNombreHuesped", {u"NADIE", u"A"});
  EXPECT_TRUE(texts(db.ListaResultados).empty());
  ASSERT_NE(db.Db_Datos_Sdk_Info, nullptr);
  EXPECT_TRUE(record().sets.empty());
}

TEST_F(DataDbDatos, DisconnectingKeepsQueriesWorking) {
  connect();
  EXPECT_EQ(call(db, u"TelvarDesconectar"), Variant());
  world.answer(u"CadenaPrueba", Variant(u"ok"));
  EXPECT_EQ(call(db, u"PruebaString"), Variant(u"ok"));
}

TEST_F(DataDbDatos, HostsReadAndReplaceTheResults) {
  CollectionRef mine = list_of({u"5"});
  put(db, u"ListaResultados", mine);
  EXPECT_EQ(get(db, u"listaresultados"), mine);
  EXPECT_EQ(error_of([&] { put(db, u"ListaResultados", std::make_shared<Db_Datos>()); }),
            err::kTypeMismatch);
  // The fill reads the host's list.
  EXPECT_EQ(error_of([&] { call(db, u"GetEntityObject"); }), err::kSubscript);
  EXPECT_EQ(record().value(0), Variant(int32_t{5}));
}

// ---- DB_CAPCT -------------------------------------------------------------------------------

// A charge text: the 29 fields in item order, each readable as its type.
std::u16string charge_text(std::size_t n = 29) {
  std::u16string text;
  for (std::size_t i = 0; i < n; ++i) {
    if (i) text += u"|";
    switch (i < DB_CAPCT::field_table().size() ? DB_CAPCT::field_table()[i].type
                                               : sdk::FieldType::String) {
      case sdk::FieldType::Date:
        text += u"3/4/2024";
        break;
      case sdk::FieldType::Boolean:
        text += u"True";
        break;
      case sdk::FieldType::String:
        text += u"c";
        break;
      default:
        text += u"12.5";
    }
  }
  return text;
}

class DataDbCapct : public DataDbDatos {
 protected:
  void connect_charges(int32_t answer = 1) {
    world.answer(u"Conectar", Variant(answer));
    std::vector<Variant> args{Variant(u"d"), Variant(u"u"), Variant(u"p")};
    EXPECT_EQ(invoke(charges, u"TelvarConectarLobix", CallKind::Method, args),
              Variant(answer == 1));
    world.calls.clear();
  }
  FakeRecord& charge() { return dynamic_cast<FakeRecord&>(*charges.Db_CapCt_Sdk_Info); }
  DB_CAPCT charges;
};

TEST_F(DataDbCapct, ConnectingGivesANewChargeAndListButLeavesResultados) {
  call(charges, u"GetListaResultados", {u"x|y", u"|"});
  ObjectRef fields = charges.Resultados;
  for (int32_t answer : {1, 0}) {
    connect_charges(answer);
    EXPECT_EQ(charges.Db_CapCt_Sdk_Info->type_name(), u"RegistroCargo");
    EXPECT_TRUE(charge().sets.empty());
    EXPECT_TRUE(texts(charges.ListaResultados).empty());
    EXPECT_EQ(charges.Resultados, fields);
  }
}

TEST_F(DataDbCapct, PostingHandsTheHostsRecordOverAndReturnsTheAnswer) {
  connect_charges();
  call(charges, u"GeneraObjects");
  std::vector<Variant> amount{Variant(u"250.75")};
  invoke(*charges.Db_CapCt_Sdk_Info, u"Campo023", CallKind::Let, amount);
  world.answer(u"RegistrarCargo", Variant(int32_t{4711}));
  EXPECT_EQ(call(charges, u"GenerarCargo"), Variant(4711.0));
  ASSERT_EQ(world.calls.size(), 1u);
  EXPECT_EQ(world.calls[0].operation, u"RegistrarCargo");
  EXPECT_EQ(world.calls[0].args, (std::vector<Variant>{Variant(charges.Db_CapCt_Sdk_Info)}));
  EXPECT_EQ(charge().sets.size(), 1u);  // exactly what the host set: no defaults added
}

TEST_F(DataDbCapct, AForeignObjectInTheRecordIsRefusedBeforeTheSdk) {
  connect_charges();
  charges.Db_CapCt_Sdk_Info = Collection::create();
  EXPECT_EQ(error_of([&] { call(charges, u"GenerarCargo"); }), err::kTypeMismatch);
  EXPECT_EQ(error_of([&] { call(charges, u"CapCt_Findby"); }), err::kTypeMismatch);
  EXPECT_TRUE(world.calls.empty());
  EXPECT_TRUE(texts(charges.ListaResultados).empty());
}

TEST_F(DataDbCapct, ListsKeepAllAndSearchesSkipBlanks) {
  connect_charges();
  std::u16string answer = charge_text() + u"*" + charge_text() + u"*";
  world.answer(u"ListarCargos", Variant(answer));
  world.answer(u"BuscarCargos", Variant(answer));
  Variant listed =
      call(charges, u"GetListCargos", {Variant(101.0), Variant(int32_t{7}), u"3", 0.5, u"S"});
  ASSERT_TRUE(listed.is_array());
  EXPECT_EQ(listed.type(), array_of(VarType::Object));
  EXPECT_TRUE(listed.array()->empty());
  EXPECT_EQ(texts(charges.ListaResultados),
            (std::vector<std::u16string>{charge_text(), charge_text(), u""}));
  EXPECT_EQ(world.calls[0].args, (std::vector<Variant>{Variant(101.0), Variant(7.0), Variant(3.0),
                                                       Variant(0.5), Variant(u"S")}));
  EXPECT_EQ(call(charges, u"CapCt_Findby"), Variant(0.0));
  EXPECT_EQ(texts(charges.ListaResultados).size(), 2u);
  EXPECT_EQ(world.calls[1].operation, u"BuscarCargos");
  EXPECT_EQ(world.calls[1].args, (std::vector<Variant>{Variant(charges.Db_CapCt_Sdk_Info)}));
}

TEST_F(DataDbCapct, AFailingListLeavesTheNewEmptyList) {
  connect_charges();
  world.answer(u"ListarCargos", Variant(u"a*b"));
  call(charges, u"GetListCargos", {1.0, 2.0, 3.0, 4.0, u""});
  ObjectRef taken = charges.ListaResultados;
  world.fail(u"ListarCargos", 3021);
  world.fail(u"BuscarCargos", 3022);
  EXPECT_EQ(error_of([&] { call(charges, u"GetListCargos", {1.0, 2.0, 3.0, 4.0, u""}); }), 3021);
  EXPECT_TRUE(texts(charges.ListaResultados).empty());
  EXPECT_EQ(error_of([&] { call(charges, u"CapCt_Findby"); }), 3022);
  EXPECT_TRUE(texts(charges.ListaResultados).empty());
  EXPECT_EQ(texts(taken).size(), 2u);
}

TEST_F(DataDbCapct, AChargeEntryRebuildsEveryProperty) {
  call(charges, u"GetListaResultados", {charge_text(30), u"|"});
  EXPECT_EQ(call(charges, u"GetEntityObject"), Variant());
  ASSERT_EQ(charge().sets.size(), 29u);
  std::vector<bool> seen(29);
  for (const sdk::Field& f : DB_CAPCT::field_table())
    seen[static_cast<std::size_t>(f.position)] = true;
  EXPECT_EQ(std::count(seen.begin(), seen.end(), true), 29);
  EXPECT_EQ(charge().value(24), Variant(true));
  EXPECT_EQ(charge().value(9), Variant(Date{45355}));
  EXPECT_EQ(charge().value(27), Variant(int32_t{12}));  // 12.5 to even
  EXPECT_EQ(charge().value(12), Variant(u"c"));
}

TEST_F(DataDbCapct, PartialChargesStayWhereTheHostLooks) {
  call(charges, u"GetListaResultados", {charge_text(28), u"|"});
  EXPECT_EQ(error_of([&] { call(charges, u"GetEntityObject"); }), err::kSubscript);
  EXPECT_EQ(charge().sets.size(), 28u);

  DB_CAPCT fresh;
  EXPECT_EQ(error_of([&] { call(fresh, u"GetEntityObject"); }), err::kObjectNotSet);
  EXPECT_EQ(fresh.Db_CapCt_Sdk_Info->type_name(), u"RegistroCargo");
}

TEST_F(DataDbCapct, EachSplitReplacesResultados) {
  call(charges, u"GetListaResultados", {u"a|b", u"|"});
  ObjectRef first = get(charges, u"Resultados");
  call(charges, u"GetListaResultados", {u"c", u"|"});
  EXPECT_EQ(texts(first), (std::vector<std::u16string>{u"a", u"b"}));
  EXPECT_EQ(texts(charges.Resultados), (std::vector<std::u16string>{u"c"}));
}

}  // namespace
}  // namespace halvora
