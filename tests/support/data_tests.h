// What the tests of the seven later data classes share: a look into the substitute's records,
// texts with a distinct value in every item, a fill for each field table and the fixture that
// connects the classes to the fake SDK.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <span>
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
#include "support/test_env.h"

namespace halvora::test {

using Args = std::vector<Variant>;
using Texts = std::vector<std::u16string>;

template <class T>
ObjectRef make() {
  return std::make_shared<T>();
}

inline std::shared_ptr<sdk::Record> record_in(Object& o, std::u16string_view property) {
  return std::dynamic_pointer_cast<sdk::Record>(get(o, property));
}

inline std::string shown(const Variant& v) {
  return utf16_to_utf8(to_string(v));
}

// What a record holds, by position, or a list's items: enough to tell whether it changed.
inline std::vector<Variant> snapshot(const ObjectRef& o) {
  if (auto* c = dynamic_cast<Collection*>(o.get())) return c->items();
  std::vector<Variant> values;
  if (auto* r = dynamic_cast<sdk::Record*>(o.get()))
    for (std::size_t p = 0; p < r->layout().fields.size(); ++p) values.push_back(r->value(p));
  return values;
}

inline bool blank(const sdk::Record& r) {
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
inline std::vector<Item> distinct_items(std::span<const sdk::Field> fields, int run = 0,
                                        int base = 0) {
  auto number = [](long n) { return utf8_to_utf16(std::to_string(n)); };
  std::vector<Item> items(fields.size());
  int booleans = 0;
  for (const sdk::Field& f : fields) {
    Item& it = items.at(static_cast<std::size_t>(f.item - 1));
    int k = f.item + base;
    switch (f.type) {
      case sdk::FieldType::String:
        it.text = u"s" + number(k);
        it.value = Variant(it.text);
        break;
      case sdk::FieldType::Double: {
        double d = k + 0.25;
        it.text = double_to_text(d, regional());
        it.value = Variant(d);
        break;
      }
      case sdk::FieldType::Long:
        it.text = number(100000 + k);
        it.value = Variant(int32_t{100000 + k});
        break;
      case sdk::FieldType::Date: {
        Date d{40000.0 + k};
        it.text = date_to_text(d, regional());
        it.value = Variant(d);
        break;
      }
      case sdk::FieldType::Boolean: {
        bool b = ((++booleans >> run) & 1) != 0;
        it.text = b ? u"True" : u"fALSE";  // any case reads
        it.value = Variant(b);
        break;
      }
    }
  }
  return items;
}

inline int runs(std::span<const sdk::Field> fields) {
  auto booleans = std::count_if(fields.begin(), fields.end(), [](const sdk::Field& f) {
    return f.type == sdk::FieldType::Boolean;
  });
  int n = 1;
  while ((1L << n) <= booleans) ++n;
  return n;
}

inline std::u16string join(const std::vector<Item>& items, std::size_t count) {
  std::u16string text;
  for (std::size_t i = 0; i < count; ++i) {
    if (i) text += u"|";
    text += items[i].text;
  }
  return text;
}
inline std::u16string join(const std::vector<Item>& items) {
  return join(items, items.size());
}

inline std::u16string record_text(std::span<const sdk::Field> fields) {
  return join(distinct_items(fields));
}

// ---- Fills, one per field table -------------------------------------------------------------

struct FillCase {
  const char* name;
  std::span<const sdk::Field> (*fields)();
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
inline const std::vector<FillCase>& fill_cases() {
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
// clang-format on

// ---- The fixture ----------------------------------------------------------------------------

// The seven later classes against the fake SDK, under the default regional settings.
class DataMore : public ::testing::Test {
 protected:
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
    for (const sdk::Field& f : c.fields()) {
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

  RegionalScope regional_;
  FakeWorld world;
};

}  // namespace halvora::test
