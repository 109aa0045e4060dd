// What the seven later data classes (Confi, Tab_ht, MASHUE72, CUPONES, INFCOM, TABCONF, TAB_EST)
// share, called by name as hosts call them against a fake SDK connection that records every
// operation: field tables and fills, connecting, calls to the SDK and the lists they give. Their
// records are the SDK substitute's own, whose layouts were transcribed apart from the library's
// field tables, so a fill into them checks every row of one against the other.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "support/data_tests.h"

namespace halvora::test {
namespace {

using sdk::Field;
using sdk::FieldType;

VarType var_type(FieldType t) {
  switch (t) {
    case FieldType::Double:
      return VarType::Double;
    case FieldType::Long:
      return VarType::Long;
    case FieldType::Date:
      return VarType::Date;
    case FieldType::Boolean:
      return VarType::Boolean;
    case FieldType::String:
      break;
  }
  return VarType::String;
}

// ---- Field tables ---------------------------------------------------------------------------

TEST_F(DataMore, FieldTablesHaveOneRowPerItemInOrderAtDistinctPositions) {
  for (const FillCase& c : fill_cases()) {
    SCOPED_TRACE(c.name);
    std::span<const Field> fields = c.fields();
    const sdk::RecordLayout& layout = c.layout();
    EXPECT_EQ(fields.size(), c.count);
    EXPECT_EQ(layout.answer.size(), c.count);
    std::set<int> positions;
    for (std::size_t i = 0; i < fields.size(); ++i) {
      const Field& f = fields[i];
      EXPECT_EQ(f.item, static_cast<int16_t>(i + 1));
      positions.insert(f.position);
      ASSERT_LT(static_cast<std::size_t>(f.position), layout.fields.size());
      // The property the fill sets by name is the one the substitute publishes there.
      EXPECT_EQ(sdk::property_name(f), layout.fields[static_cast<std::size_t>(f.position)].name);
    }
    EXPECT_EQ(positions.size(), c.count);
  }
}

TEST_F(DataMore, EveryItemLandsAtTheSubstitutesPositionWithItsType) {
  for (const FillCase& c : fill_cases()) {
    SCOPED_TRACE(c.name);
    std::span<const Field> fields = c.fields();
    const sdk::RecordLayout& layout = c.layout();
    ASSERT_EQ(fields.size(), layout.answer.size());
    for (const Field& f : fields) {
      ASSERT_GE(f.item, 1);
      ASSERT_LE(static_cast<std::size_t>(f.item), layout.answer.size());
      std::size_t position = layout.answer[static_cast<std::size_t>(f.item - 1)];
      EXPECT_EQ(var_type(f.type), layout.fields[position].type)
          << "item " << f.item << " at " << position;
    }
    for (int run = 0; run < runs(fields); ++run) {
      ObjectRef o = connected(c.make());
      std::vector<Item> items = distinct_items(fields, run);
      ASSERT_EQ(fill(*o, c, join(items)), 0);
      auto r = record_in(*o, c.record);
      ASSERT_NE(r, nullptr);
      EXPECT_EQ(r->type_name(), layout.class_name);
      expect_filled(*r, c, items, c.count);
    }
  }
}

TEST_F(DataMore, FillFailuresKeepTheFieldsSetBeforeThem) {
  for (const FillCase& c : fill_cases()) {
    SCOPED_TRACE(c.name);
    std::vector<Item> items = distinct_items(c.fields());
    auto listed = [&](Object& o) -> std::size_t { return texts(get(o, c.pieces)).size(); };

    // One item short: 9 at the missing one, the record holds the others.
    ObjectRef o = connected(c.make());
    EXPECT_EQ(fill(*o, c, join(items, c.count - 1)), err::kSubscript);
    expect_filled(*record_in(*o, c.record), c, items, c.count - 1);
    if (c.pieces) {
      EXPECT_EQ(listed(*o), c.lists_after_fill ? 0u : c.count - 1);
    }

    // An empty number, date or Boolean item does not read: 13 at it.
    for (FieldType type :
         {FieldType::Double, FieldType::Boolean, FieldType::Long, FieldType::Date}) {
      auto row = std::find_if(c.fields().begin(), c.fields().end(),
                              [&](const Field& f) { return f.type == type; });
      if (row == c.fields().end()) continue;
      SCOPED_TRACE("empty item " + std::to_string(row->item));
      std::vector<Item> bad = items;
      bad[static_cast<std::size_t>(row->item - 1)].text.clear();
      o = connected(c.make());
      EXPECT_EQ(fill(*o, c, join(bad)), err::kTypeMismatch);
      expect_filled(*record_in(*o, c.record), c, items, static_cast<std::size_t>(row->item - 1));
      if (c.pieces) {
        EXPECT_EQ(listed(*o), c.lists_after_fill ? 0u : c.count);
      }
    }

    // Items past the table are left to the list.
    o = connected(c.make());
    std::vector<Item> more = items;
    more.push_back({u"extra", {}});
    more.push_back({u"", {}});
    EXPECT_EQ(fill(*o, c, join(more)), 0);
    expect_filled(*record_in(*o, c.record), c, items, c.count);
    if (c.pieces) {
      EXPECT_EQ(listed(*o), c.count + 2);
    }

    // Nothing at all: a new blank record, no error.
    o = connected(c.make());
    ObjectRef before = get(*o, c.record);
    EXPECT_EQ(fill(*o, c, u""), 0);
    auto r = record_in(*o, c.record);
    ASSERT_NE(r, nullptr);
    EXPECT_NE(ObjectRef(r), before);
    EXPECT_TRUE(blank(*r));
  }
}

// ---- Connecting -----------------------------------------------------------------------------

enum class After { Kept, NewList, NewRecord };

struct Held {
  const char16_t* property;
  After after;
  const char16_t* record_class = nullptr;
};

// What a property holds now that it held `before`: the same object, or a new one, empty or blank.
void expect_after(const Held& h, const ObjectRef& now, const ObjectRef& before) {
  if (h.after == After::Kept) {
    EXPECT_EQ(now, before);
    return;
  }
  ASSERT_NE(now, nullptr);
  EXPECT_NE(now, before);
  if (h.after == After::NewList) {
    EXPECT_TRUE(texts(now).empty());
  } else {
    EXPECT_EQ(now->type_name(), h.record_class);
    EXPECT_TRUE(blank(dynamic_cast<sdk::Record&>(*now)));
  }
}

struct ConnectCase {
  ObjectRef (*make)();
  std::vector<Held> held;
};

TEST_F(DataMore, ConnectingGivesFreshResultsWhateverConectarAnswers) {
  using enum After;
  const ConnectCase cases[] = {
      {&make<Confi>, {{u"Confi_Sdk_Info", Kept}}},
      {&make<Tab_ht>, {{u"Tab_Ht_SDK_Info", Kept}, {u"ListaResultados", NewList}}},
      {&make<MASHUE72>,
       {{u"MASHUE72_SDK_Info", NewRecord, u"RegistroMaestroHuesped"},
        {u"Lista_Resultados", NewList}}},
      {&make<CUPONES>,
       {{u"Cupones_Sdk_Info", Kept},
        {u"Tipocupon_Sdk_Info", Kept},
        {u"ListaResultadoCupon", NewList},
        {u"ListaResultadoTipoCupon", NewList}}},
      {&make<InfCom>,
       {{u"INFCOM_SDK_Info", Kept},
        {u"ListaResultadoInfCom", NewList},
        {u"ResultadoInfCom", Kept}}},
      {&make<TabConf>, {{u"ListaResultadosTabConf", NewList}, {u"TABCONF_SDK_Info", Kept}}},
      {&make<TAB_EST>,
       {{u"Tab_Est_Sdk_Info", Kept}, {u"Lista_Resultados", NewList}, {u"Resultados", NewList}}},
  };
  // 3044 stands for a Conectar that raises: what it found done stays done.
  for (const ConnectCase& c : cases) {
    for (int32_t answer : {1, 0, 2, -1, 3044}) {
      ObjectRef o = c.make();
      SCOPED_TRACE(utf16_to_utf8(o->type_name()) + " answering " + std::to_string(answer));
      CollectionRef old = list_of({u"old"});
      for (const Held& h : c.held) put(*o, h.property, old);
      world.created.clear();
      if (answer == 3044) {
        world.fail(u"Conectar", 3044);
        Args args{Variant(u"d"), Variant(u"u"), Variant(u"p")};
        EXPECT_EQ(error_of([&] { invoke(*o, u"TelvarConectarLobix", CallKind::Method, args); }),
                  3044);
        world.failures.clear();
      } else {
        EXPECT_EQ(connect(*o, answer), answer == 1);
      }
      EXPECT_EQ(std::count(world.created.begin(), world.created.end(), u"ConexionSdk"), 1);
      for (const Held& h : c.held) {
        SCOPED_TRACE(utf16_to_utf8(h.property));
        ObjectRef now = get(*o, h.property);
        expect_after(h, now, old);
      }
      EXPECT_EQ(texts(old), Texts{u"old"});
    }
  }
}

// ---- Calls to the SDK -----------------------------------------------------------------------

struct QueryCase {
  ObjectRef (*make)();
  const char16_t* member;
  Args args;
  const char16_t* operation;
  Args sent;
};

// clang-format off
const std::vector<QueryCase>& queries() {
  static const std::vector<QueryCase> all = {
      {&make<Confi>, u"GetConfiConfig", {}, u"LeerConfiguracion", {}},
      {&make<Tab_ht>, u"GetTabHtConfig", {}, u"LeerTablaHotel", {}},
      // The operation type is an Integer to hosts and a Long to the SDK.
      {&make<Tab_ht>, u"GetFolioTab_Ht", {int32_t{-3}}, u"FolioPorOperacion", {int32_t{-3}}},
      {&make<Tab_ht>, u"GetFolioTab_Ht", {u"12"}, u"FolioPorOperacion", {int32_t{12}}},
      {&make<MASHUE72>, u"getDataMASHUE72", {}, u"ListarMaestroHuespedes", {}},
      {&make<CUPONES>, u"GetCuponesAll", {}, u"ListarCupones", {}},
      {&make<CUPONES>, u"GetTipoCuponAll", {}, u"ListarCupones", {}},
      {&make<CUPONES>, u"GetCuponesByNumHuest", {int32_t{12}, u" A "}, u"CuponesPorHuesped",
       {12.0, u" A "}},
      {&make<CUPONES>, u"GetCuponesByNumHab", {u"101.5", u""}, u"CuponesPorHabitacion",
       {101.5, u""}},
      {&make<CUPONES>, u"GetTipoCuponByClaveCup", {u" vip "}, u"TipoCuponPorClave", {u" vip "}},
      {&make<CUPONES>, u"GetTipoCuponByNombreCup", {u"A|b"}, u"TipoCuponPorNombre", {u"A|b"}},
      {&make<InfCom>, u"GetInfConfByNumHuest", {int16_t{7}, u"A"}, u"InfComercialPorHuesped",
       {7.0, u"A"}},
      {&make<TabConf>, u"GetListTabConf", {}, u"ListarTablasConfiguracion", {}},
      {&make<TabConf>, u"GetCvetabByTipo", {u" T1 "}, u"ClaveTablaPorTipo", {u" T1 "}},
      {&make<TabConf>, u"GetTipoByCvetab", {u"K*"}, u"TipoPorClaveTabla", {u"K*"}},
      {&make<TAB_EST>, u"GetTabEstByTypTab", {u" E "}, u"TablasEstadoPorTipo", {u" E "}},
  };
  return all;
}
// clang-format on

TEST_F(DataMore, SdkMembersNeedAConnection) {
  for (const QueryCase& q : queries()) {
    SCOPED_TRACE(utf16_to_utf8(q.member));
    ObjectRef o = q.make();
    Args args = q.args;
    EXPECT_EQ(error_of([&] { call(*o, q.member, args); }), err::kObjectNotSet);
  }
  // The record-taking members too, with nothing in their record yet.
  EXPECT_EQ(error_of([] { call(*make<MASHUE72>(), u"MASHUE72_FindBy"); }), err::kObjectNotSet);
  EXPECT_EQ(error_of([] { call(*make<CUPONES>(), u"DbCupones_Save"); }), err::kObjectNotSet);
  EXPECT_TRUE(world.calls.empty());
}

TEST_F(DataMore, EachQueryAsksItsOperationWithCopiesOfTheArgumentsEvenAfterDisconnecting) {
  world.answer(u"FolioPorOperacion", Variant(int32_t{5}));
  for (const QueryCase& q : queries()) {
    SCOPED_TRACE(utf16_to_utf8(q.member));
    ObjectRef o = connected(q.make());
    EXPECT_EQ(call(*o, u"TelvarDesconectar"), Variant());
    Args args = q.args;
    EXPECT_EQ(error_of([&] { call(*o, q.member, args); }), 0);
    EXPECT_EQ(args, q.args);
    ASSERT_EQ(world.calls.size(), 1u);
    EXPECT_EQ(world.calls[0].operation, q.operation);
    EXPECT_EQ(world.calls[0].args, q.sent);
    world.calls.clear();
  }
}

struct FailureCase {
  ObjectRef (*make)();
  const char16_t* member;
  Args args;
  const char16_t* operation;
  // The field table a working answer is a record of; none: a list of two entries.
  std::span<const Field> (*record)();
  std::vector<Held> held;
};

TEST_F(DataMore, AFailingSdkCallReplacesOnlyWhatItsMemberReplacesFirst) {
  using enum After;
  // clang-format off
  const FailureCase cases[] = {
      {&make<Confi>, u"GetConfiConfig", {}, u"LeerConfiguracion", &Confi::field_table,
       {{u"Confi_Sdk_Info", Kept}}},
      // The hotel record is replaced before the SDK is asked; the list only once it answers.
      {&make<Tab_ht>, u"GetTabHtConfig", {}, u"LeerTablaHotel", &Tab_ht::field_table,
       {{u"Tab_Ht_SDK_Info", NewRecord, u"RegistroTablaHotel"}, {u"ListaResultados", Kept}}},
      {&make<MASHUE72>, u"getDataMASHUE72", {}, u"ListarMaestroHuespedes", nullptr,
       {{u"Lista_Resultados", NewList}, {u"MASHUE72_SDK_Info", Kept}}},
      {&make<MASHUE72>, u"MASHUE72_FindBy", {}, u"BuscarMaestroHuespedes", nullptr,
       {{u"Lista_Resultados", NewList}, {u"MASHUE72_SDK_Info", Kept}}},
      {&make<CUPONES>, u"GetCuponesAll", {}, u"ListarCupones", nullptr,
       {{u"ListaResultadoCupon", NewList}}},
      {&make<CUPONES>, u"GetTipoCuponAll", {}, u"ListarCupones", nullptr,
       {{u"ListaResultadoTipoCupon", NewList}}},
      {&make<CUPONES>, u"GetCuponesByNumHuest", {1.0, u"A"}, u"CuponesPorHuesped",
       &CUPONES::coupon_fields, {{u"ListaResultadoCupon", NewList}, {u"Cupones_Sdk_Info", Kept}}},
      {&make<CUPONES>, u"GetCuponesByNumHab", {1.0, u"A"}, u"CuponesPorHabitacion",
       &CUPONES::coupon_fields, {{u"ListaResultadoCupon", NewList}, {u"Cupones_Sdk_Info", Kept}}},
      {&make<CUPONES>, u"GetTipoCuponByClaveCup", {u"K"}, u"TipoCuponPorClave",
       &CUPONES::type_fields,
       {{u"ListaResultadoTipoCupon", NewList}, {u"Tipocupon_Sdk_Info", Kept}}},
      {&make<CUPONES>, u"GetTipoCuponByNombreCup", {u"N"}, u"TipoCuponPorNombre",
       &CUPONES::type_fields,
       {{u"ListaResultadoTipoCupon", NewList}, {u"Tipocupon_Sdk_Info", Kept}}},
      {&make<InfCom>, u"GetInfConfByNumHuest", {1.0, u"A"}, u"InfComercialPorHuesped", nullptr,
       {{u"ListaResultadoInfCom", NewList}}},
      {&make<TabConf>, u"GetListTabConf", {}, u"ListarTablasConfiguracion", nullptr,
       {{u"ListaResultadosTabConf", NewList}}},
      // The states are replaced only once the SDK has answered.
      {&make<TAB_EST>, u"GetTabEstByTypTab", {u"E"}, u"TablasEstadoPorTipo", nullptr,
       {{u"Lista_Resultados", Kept}}},
  };
  // clang-format on
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(utf16_to_utf8(c.member));
    ObjectRef o = connected(c.make());
    world.answer(c.operation, Variant(c.record ? record_text(c.record()) : u"a|1*b|2"));
    ASSERT_EQ(error_of([&] { call(*o, c.member, c.args); }), 0);
    std::vector<ObjectRef> before;
    std::vector<std::vector<Variant>> contents;
    for (const Held& h : c.held) {
      before.push_back(get(*o, h.property));
      contents.push_back(snapshot(before.back()));
      EXPECT_FALSE(contents.back().empty()) << utf16_to_utf8(h.property);
    }

    world.fail(c.operation, 3021);
    EXPECT_EQ(error_of([&] { call(*o, c.member, c.args); }), 3021);
    world.failures.clear();
    for (std::size_t i = 0; i < c.held.size(); ++i) {
      const Held& h = c.held[i];
      SCOPED_TRACE(utf16_to_utf8(h.property));
      ObjectRef now = get(*o, h.property);
      // Whatever the host took before keeps what it had.
      EXPECT_EQ(snapshot(before[i]), contents[i]);
      expect_after(h, now, before[i]);
    }
  }
}

// ---- Lists ----------------------------------------------------------------------------------

struct ListCase {
  ObjectRef (*make)();
  const char16_t* member;
  Args args;
  const char16_t* operation;
  const char16_t* list;
  bool keep_all = false;  // these lists also hand back an empty array of strings
};

TEST_F(DataMore, ListsSkipBlankEntriesOrKeepThemAll) {
  const ListCase cases[] = {
      {&make<MASHUE72>, u"getDataMASHUE72", {}, u"ListarMaestroHuespedes", u"Lista_Resultados"},
      {&make<MASHUE72>, u"MASHUE72_FindBy", {}, u"BuscarMaestroHuespedes", u"Lista_Resultados"},
      {&make<CUPONES>, u"GetCuponesAll", {}, u"ListarCupones", u"ListaResultadoCupon", true},
      {&make<CUPONES>, u"GetTipoCuponAll", {}, u"ListarCupones", u"ListaResultadoTipoCupon", true},
      {&make<InfCom>,
       u"GetInfConfByNumHuest",
       {3.0, u"A"},
       u"InfComercialPorHuesped",
       u"ListaResultadoInfCom"},
      {&make<TabConf>,
       u"GetListTabConf",
       {},
       u"ListarTablasConfiguracion",
       u"ListaResultadosTabConf",
       true},
      {&make<TAB_EST>, u"GetTabEstByTypTab", {u"E"}, u"TablasEstadoPorTipo", u"Lista_Resultados"},
  };
  for (const ListCase& c : cases) {
    SCOPED_TRACE(utf16_to_utf8(c.member));
    ObjectRef o = connected(c.make());
    world.answer(c.operation, Variant(u"*a|1*  *b\t*"));
    Variant result = call(*o, c.member, c.args);
    if (c.keep_all) {
      ASSERT_TRUE(result.is_array());
      EXPECT_EQ(result.type(), array_of(VarType::String));
      EXPECT_TRUE(result.array()->empty());
    } else {
      EXPECT_EQ(result, Variant());
    }
    EXPECT_EQ(texts(get(*o, c.list)),
              c.keep_all ? (Texts{u"", u"a|1", u"  ", u"b\t", u""}) : (Texts{u"a|1", u"b\t"}));
  }
}

TEST_F(DataMore, ListsOverflowAtTheSixteenBitPieceCounter) {
  struct Overflow {
    const char16_t* member;
    ObjectRef (*make)();
    const char16_t* operation;
    const char16_t* list;
    char16_t separator;
    std::size_t listed;  // what the list holds when the counter gives up
  } cases[] = {
      {u"GetTabHtConfig", &make<Tab_ht>, u"LeerTablaHotel", u"ListaResultados", u'|', 32768},
      {u"GetCuponesAll", &make<CUPONES>, u"ListarCupones", u"ListaResultadoCupon", u'*', 32768},
      // Blank pieces count though none is listed.
      {u"getDataMASHUE72", &make<MASHUE72>, u"ListarMaestroHuespedes", u"Lista_Resultados", u'*',
       0},
  };
  for (const Overflow& c : cases) {
    SCOPED_TRACE(utf16_to_utf8(c.member));
    ObjectRef o = connected(c.make());
    char16_t piece = c.listed ? u'x' : u' ';
    std::u16string text(1, piece);
    for (std::size_t i = 1; i < 32768; ++i) text += std::u16string{c.separator, piece};
    world.answer(c.operation, Variant(text));
    EXPECT_EQ(error_of([&] { call(*o, c.member); }), err::kOverflow);
    EXPECT_EQ(texts(get(*o, c.list)).size(), c.listed);
    // One piece fewer fits (what the fill then makes of the pieces is another matter).
    world.answer(c.operation, Variant(text.substr(2)));
    EXPECT_NE(error_of([&] { call(*o, c.member); }), err::kOverflow);
    EXPECT_EQ(texts(get(*o, c.list)).size(), c.listed ? 32767u : 0u);
  }
}

}  // namespace
}  // namespace halvora::test
