// Confi, Tab_ht, MASHUE72, CUPONES, INFCOM, TABCONF and TAB_EST called by name, as hosts call
// them, against a fake SDK connection that records every operation. Their records are the SDK
// substitute's own, whose layouts were transcribed apart from the library's field tables, so a
// fill into them checks every row of one against the other.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "automation/conversions.h"
#include "automation/text.h"
#include "data/confi.h"
#include "data/cupones.h"
#include "data/inf_com.h"
#include "data/mashue72.h"
#include "data/tab_conf.h"
#include "data/tab_est.h"
#include "data/tab_ht.h"
#include "sdk/records.h"
#include "support/calls.h"
#include "support/fake_sdk.h"

namespace halvora {
namespace {

using sdk::Field;
using sdk::FieldType;
using test::call;
using test::error_of;
using test::FakeWorld;
using test::get;
using test::texts;
using Texts = std::vector<std::u16string>;
using Args = std::vector<Variant>;

void put(Object& o, std::u16string_view name, ObjectRef value) {
  Args v{Variant(std::move(value))};
  invoke(o, name, CallKind::Set, v);
}
std::shared_ptr<sdk::Record> record_in(Object& o, std::u16string_view property) {
  return std::dynamic_pointer_cast<sdk::Record>(get(o, property));
}

template <class T>
ObjectRef make() {
  return std::make_shared<T>();
}

std::string shown(const Variant& v) {
  return utf16_to_utf8(to_string(v));
}

std::u16string number(long n) {
  return utf8_to_utf16(std::to_string(n));
}

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

// What a record holds, by position, or a list's items: enough to tell whether it changed.
std::vector<Variant> snapshot(const ObjectRef& o) {
  if (auto* c = dynamic_cast<Collection*>(o.get())) return c->items();
  std::vector<Variant> values;
  if (auto* r = dynamic_cast<sdk::Record*>(o.get()))
    for (std::size_t p = 0; p < r->layout().fields.size(); ++p) values.push_back(r->value(p));
  return values;
}

bool blank(const sdk::Record& r) {
  for (std::size_t p = 0; p < r.layout().fields.size(); ++p)
    if (r.value(p) != sdk::initial_value(r.layout().fields[p].type)) return false;
  return true;
}

// ---- Texts with a distinct value in every item ---------------------------------------------

struct Item {
  std::u16string text;
  Variant value;  // what the record holds once the item is converted
};

// Item k of a field table, typed by the table, as text and as the value the record should then
// hold; every item differs from the others of its type. A Boolean cannot, so the Boolean with
// ordinal b (counted from 1) reads bit `run` of b: over runs() texts each Boolean item has its
// own pattern, and a Boolean row pointing at another Boolean's position shows up in one of them.
std::vector<Item> distinct_items(std::span<const Field> fields, int run = 0, int base = 0) {
  std::vector<Item> items(fields.size());
  int booleans = 0;
  for (const Field& f : fields) {
    Item& it = items.at(static_cast<std::size_t>(f.item - 1));
    int k = f.item + base;
    switch (f.type) {
      case FieldType::String:
        it.text = u"s" + number(k);
        it.value = Variant(it.text);
        break;
      case FieldType::Double: {
        double d = k + 0.25;
        it.text = double_to_text(d, regional());
        it.value = Variant(d);
        break;
      }
      case FieldType::Long:
        it.text = number(100000 + k);
        it.value = Variant(int32_t{100000 + k});
        break;
      case FieldType::Date: {
        Date d{40000.0 + k};
        it.text = date_to_text(d, regional());
        it.value = Variant(d);
        break;
      }
      case FieldType::Boolean: {
        bool b = ((++booleans >> run) & 1) != 0;
        it.text = b ? u"True" : u"fALSE";  // any case reads
        it.value = Variant(b);
        break;
      }
    }
  }
  return items;
}

int runs(std::span<const Field> fields) {
  auto booleans = std::count_if(fields.begin(), fields.end(),
                                [](const Field& f) { return f.type == FieldType::Boolean; });
  int n = 1;
  while ((1L << n) <= booleans) ++n;
  return n;
}

std::u16string join(const std::vector<Item>& items, std::size_t count) {
  std::u16string text;
  for (std::size_t i = 0; i < count; ++i) {
    if (i) text += u"|";
    text += items[i].text;
  }
  return text;
}
std::u16string join(const std::vector<Item>& items) {
  return join(items, items.size());
}

std::u16string record_text(std::span<const Field> fields) {
  return join(distinct_items(fields));
}

// ---- Fills, one per field table -------------------------------------------------------------

struct FillCase {
  const char* name;
  std::span<const Field> (*fields)();
  const sdk::RecordLayout& (*layout)();
  std::size_t count;
  ObjectRef (*make)();
  const char16_t* record;     // where the fill leaves its record
  const char16_t* operation;  // the SDK answer that carries the text; null: the host splits it
  const char16_t* member;     // the read or look-up, or the fill from the host's split
  Args args;
  const char16_t* split;   // the host's split, when the text is the host's
  const char16_t* pieces;  // the public list the pieces go into, if any
  bool lists_after_fill;   // a failed fill leaves that list empty
};

// clang-format off
const std::vector<FillCase>& fill_cases() {
  static const std::vector<FillCase> all = {
      {"Confi", &Confi::field_table, &sdk::config_layout, 221, &make<Confi>, u"Confi_Sdk_Info",
       u"LeerConfiguracion", u"GetConfiConfig", {}, nullptr, nullptr, false},
      {"Tab_ht", &Tab_ht::field_table, &sdk::hotel_table_layout, 80, &make<Tab_ht>,
       u"Tab_Ht_SDK_Info", u"LeerTablaHotel", u"GetTabHtConfig", {}, nullptr, u"ListaResultados",
       false},
      {"MASHUE72", &MASHUE72::field_table, &sdk::guest_master_layout, 8, &make<MASHUE72>,
       u"MASHUE72_SDK_Info", nullptr, u"GetEntityObject", {}, u"GetListaResultados", nullptr,
       false},
      {"CUPONES coupon", &CUPONES::coupon_fields, &sdk::coupon_layout, 7, &make<CUPONES>,
       u"Cupones_Sdk_Info", u"CuponesPorHuesped", u"GetCuponesByNumHuest", {12.0, u"A"}, nullptr,
       u"ListaResultadoCupon", true},
      {"CUPONES type", &CUPONES::type_fields, &sdk::coupon_type_layout, 4, &make<CUPONES>,
       u"Tipocupon_Sdk_Info", u"TipoCuponPorClave", u"GetTipoCuponByClaveCup", {u"VIP"}, nullptr,
       u"ListaResultadoTipoCupon", true},
      {"INFCOM", &InfCom::field_table, &sdk::commercial_info_layout, 18, &make<InfCom>,
       u"INFCOM_SDK_Info", nullptr, u"GetEntityObject", {}, u"GetListaResultados",
       u"ResultadoInfCom", false},
      {"TABCONF", &TabConf::field_table, &sdk::config_table_layout, 16, &make<TabConf>,
       u"TABCONF_SDK_Info", nullptr, u"GetEntityObject", {}, u"GetListaResultadosTabConf",
       nullptr, false},
      {"TAB_EST", &TAB_EST::field_table, &sdk::state_table_layout, 55, &make<TAB_EST>,
       u"Tab_Est_Sdk_Info", nullptr, u"GetEntityObject", {}, u"GetListaResultados",
       u"Resultados", false},
  };
  return all;
}

// The look-ups of CUPONES, which cut their answer themselves.
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

class DataMore : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = regional();
    set_regional(RegionalSettings{});
  }
  void TearDown() override { set_regional(saved_); }

  // Connects `o` as a host does, with its own variables for the user and password, and forgets
  // the calls so far.
  bool connect(Object& o, int32_t answer = 1) {
    world.calls.clear();
    world.answer(u"Conectar", Variant(answer));
    Args args{Variant(u"C:\\hotel"), Variant(u"ana"), Variant(u"pw")};
    Variant opened = invoke(o, u"TelvarConectarLobix", CallKind::Method, args);
    EXPECT_EQ(args, (Args{Variant(u"C:\\hotel"), Variant(u"ana"), Variant(u"pw")}));
    EXPECT_EQ(world.calls.size(), 1u);
    if (!world.calls.empty()) {
      EXPECT_EQ(world.calls[0].operation, u"Conectar");
      EXPECT_EQ(world.calls[0].args,
                (Args{Variant(u"C:\\hotel"), Variant(u"ana"), Variant(u"pw")}));
    }
    world.calls.clear();
    return opened == Variant(true);
  }
  ObjectRef connected(ObjectRef o) {
    connect(*o);
    return o;
  }

  // Runs the case's fill on `text`: the error it raised, 0 when none.
  int32_t fill(Object& o, const FillCase& c, const std::u16string& text) {
    return error_of([&] {
      if (c.operation) {
        world.answer(c.operation, Variant(text));
        call(o, c.member, c.args);
      } else {
        EXPECT_EQ(call(o, c.split, {Variant(text), Variant(u"|")}), Variant(ObjectRef{}));
        call(o, c.member);
      }
    });
  }

  // The items up to `set` hold their values at the positions the substitute's answers give
  // them; the rest are untouched.
  static void expect_filled(const sdk::Record& r, const FillCase& c, const std::vector<Item>& items,
                            std::size_t set) {
    const sdk::RecordLayout& layout = c.layout();
    for (const Field& f : c.fields()) {
      auto k = static_cast<std::size_t>(f.item);
      std::size_t position = layout.answer.at(k - 1);
      const Variant& held = r.value(position);
      if (k <= set) {
        EXPECT_EQ(held, items[k - 1].value) << c.name << " item " << k << " at " << position << ": "
                                            << shown(held) << " for " << shown(items[k - 1].value);
      } else {
        EXPECT_EQ(held, sdk::initial_value(layout.fields[position].type))
            << c.name << " item " << k << " set past the failure";
      }
    }
  }

  RegionalSettings saved_;
  FakeWorld world;
};

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
      CollectionRef old = Collection::create();
      old->Add(Variant(u"old"));
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
  bool keep_all = false;  // these lists also hand back an empty array
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
}  // namespace halvora
