// The record classes of the database SDK substitute: every property by position, name and type,
// answers in item order, initial values, conversion on writes, creation by class name.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "automation/conversions.h"
#include "automation/error.h"
#include "automation/members.h"
#include "automation/text.h"
#include "platform/components.h"
#include "sdk/records.h"
#include "support/test_env.h"

namespace halvora::sdk {
namespace {

// One record class as its field table gives it: "position type" per item, in item order (S
// String, D Double, B Boolean, L Long, T Date), the positions no item fills, and how many
// properties of each type the items set.
struct RecordCase {
  const char16_t* class_name;
  const RecordLayout& (*layout)();
  std::size_t size;
  std::string items;
  std::vector<std::size_t> unfilled;
  std::map<char, int> counts;
};

const std::vector<RecordCase>& cases() {
  static const std::vector<RecordCase> all = {
      {u"RegistroConfiguracion",
       &config_layout,
       228,
       "68 S, 127 S, 128 S, 67 S, 138 S, 11 S, 116 S, 29 D, 87 S, 153 S, "
       "183 B, 34 S, 32 S, 33 S, 50 S, 51 S, 156 S, 84 S, 129 S, 27 D, "
       "126 D, 189 S, 148 S, 106 D, 102 D, 104 D, 101 D, 206 B, 145 D, 147 D, "
       "107 D, 103 D, 105 D, 16 D, 15 D, 14 D, 62 D, 134 S, 135 S, 144 D, "
       "223 S, 202 S, 197 D, 196 D, 174 S, 99 S, 100 S, 24 S, 82 S, 28 S, "
       "22 S, 204 S, 30 S, 31 S, 49 S, 175 S, 83 S, 66 S, 81 D, 23 S, "
       "19 D, 190 S, 21 S, 194 S, 123 S, 159 S, 35 S, 109 S, 217 S, 64 S, "
       "181 B, 149 S, 178 S, 179 S, 7 D, 120 D, 208 B, 54 S, 53 S, 162 S, "
       "88 S, 17 S, 75 S, 47 S, 20 S, 118 S, 2 S, 1 S, 26 S, 48 S, "
       "13 S, 79 S, 4 S, 3 S, 113 S, 39 S, 40 S, 55 S, 56 S, 6 S, "
       "5 S, 76 S, 18 S, 131 S, 59 S, 89 S, 74 S, 146 S, 141 S, 166 B, "
       "168 S, 187 B, 169 S, 170 S, 171 S, 172 S, 173 S, 167 D, 209 S, 41 D, "
       "45 D, 63 S, 151 S, 111 S, 8 S, 93 S, 130 S, 0 L, 97 D, 92 S, "
       "9 S, 10 S, 218 B, 121 S, 91 D, 46 S, 199 S, 117 S, 157 S, 122 S, "
       "158 S, 73 D, 185 D, 60 D, 212 S, 25 D, 216 S, 207 B, 224 D, 195 B, "
       "85 D, 80 D, 125 S, 161 S, 227 B, 98 S, 205 B, 143 D, 163 S, 164 S, "
       "198 B, 114 S, 203 D, 136 D, 139 S, 140 S, 37 S, 38 S, 186 D, 142 S, "
       "177 S, 110 S, 184 D, 137 S, 176 B, 155 D, 225 D, 65 S, 70 S, 52 S, "
       "57 S, 95 D, 61 S, 226 S, 77 D, 12 D, 58 S, 69 S, 78 D, 152 S, "
       "210 B, 132 S, 133 S, 154 S, 214 B, 86 S, 215 B, 112 S, 42 S, 201 B, "
       "191 B, 44 S, 200 B, 193 B, 108 S, 72 S, 192 B, 94 S, 71 S, 36 S, "
       "90 S, 188 B, 150 S, 119 S, 43 S, 213 S, 180 S, 124 S, 160 S, 182 B, "
       "165 S, "
       "",
       {96, 115, 211, 219, 220, 221, 222},
       {{'L', 1}, {'S', 151}, {'D', 46}, {'B', 23}}},
      {u"RegistroTablaHotel",
       &hotel_table_layout,
       80,
       "33 D, 47 D, 28 S, 37 B, 8 S, 60 D, 57 D, 45 D, 42 D, 39 D, "
       "38 D, 41 D, 40 D, 58 D, 56 D, 66 D, 52 D, 54 D, 53 D, 61 D, "
       "27 S, 48 S, 63 D, 62 D, 64 D, 68 D, 65 D, 4 S, 79 D, 78 D, "
       "34 B, 20 T, 19 T, 18 T, 55 D, 16 D, 17 D, 0 L, 11 D, 51 D, "
       "46 D, 70 D, 14 D, 44 D, 72 D, 21 D, 67 D, 13 D, 12 D, 74 D, "
       "10 D, 50 D, 23 D, 22 D, 69 D, 15 D, 75 D, 49 D, 59 D, 3 S, "
       "35 D, 30 S, 31 S, 32 S, 9 S, 43 D, 71 D, 24 D, 25 S, 77 S, "
       "26 S, 73 D, 76 D, 1 T, 5 S, 6 S, 7 S, 29 S, 36 D, 2 S, "
       "",
       {},
       {{'L', 1}, {'D', 55}, {'S', 18}, {'T', 4}, {'B', 2}}},
      {u"RegistroMaestroHuesped",
       &guest_master_layout,
       8,
       "6 S, 1 D, 0 L, 5 D, 3 D, 2 D, 4 S, 7 S",
       {},
       {{'L', 1}, {'D', 4}, {'S', 3}}},
      {u"RegistroCupon",
       &coupon_layout,
       7,
       "0 L, 5 S, 6 T, 1 D, 2 D, 3 D, 4 D",
       {},
       {{'L', 1}, {'D', 4}, {'S', 1}, {'T', 1}}},
      {u"RegistroTipoCupon",
       &coupon_type_layout,
       4,
       "0 L, 1 S, 3 D, 2 S",
       {},
       {{'L', 1}, {'D', 1}, {'S', 2}}},
      {u"RegistroInfComercial",
       &commercial_info_layout,
       18,
       "7 S, 3 S, 5 S, 6 S, 2 S, 17 S, 16 B, 0 L, 15 S, 11 D, 1 S, 13 S, 12 D, 10 D, 9 S, 8 S, 4 "
       "S, 14 S",
       {},
       {{'L', 1}, {'D', 3}, {'S', 13}, {'B', 1}}},
      {u"RegistroTablaConfiguracion",
       &config_table_layout,
       16,
       "13 L, 9 B, 6 S, 15 S, 11 B, 8 S, 10 S, 1 S, 5 B, 0 L, 14 B, 12 B, 4 S, 2 S, 7 S, 3 S",
       {},
       {{'L', 2}, {'B', 5}, {'S', 9}}},
      {u"RegistroTablaEstado",
       &state_table_layout,
       55,
       "43 S, 1 S, 17 D, 10 D, 13 D, 18 D, 11 D, 14 D, 42 D, 2 S, 46 D, 40 D, 38 D, 39 D, 21 S, 0 "
       "L, 51 S, 50 S, 52 S, 53 D, 49 D, 19 D, 41 D, 15 D, 48 D, 47 B, 3 S, 25 S, 26 S, 27 S, 28 "
       "S, 29 S, 30 S, 31 S, 32 S, 33 S, 34 S, 4 S, 35 S, 36 S, 37 S, 5 S, 6 D, 7 D, 8 D, 22 S, 23 "
       "S, 24 S, 54 S, 20 D, 12 D, 16 D, 9 S, 45 D, 44 D",
       {},
       {{'L', 1}, {'D', 25}, {'S', 28}, {'B', 1}}},
  };
  return all;
}

VarType type_of(char letter) {
  switch (letter) {
    case 'L':
      return VarType::Long;
    case 'D':
      return VarType::Double;
    case 'B':
      return VarType::Boolean;
    case 'T':
      return VarType::Date;
    default:
      return VarType::String;
  }
}

struct Item {
  std::size_t position;
  char type;
};

std::vector<Item> parse(const std::string& text) {
  std::vector<Item> out;
  std::istringstream in(text);
  std::string position, type;
  while (in >> position >> type) out.push_back({std::stoul(position), type.at(0)});
  return out;
}

std::u16string numbered(std::size_t position) {
  platform::NumberedNameBuffer buffer;
  return std::u16string(platform::numbered_field_name(static_cast<int>(position), buffer));
}

class SdkRecords : public ::testing::Test {
  test::RegionalScope regional_;
};

TEST_F(SdkRecords, EveryItemLandsAtItsPropertyWithItsType) {
  for (const RecordCase& c : cases()) {
    SCOPED_TRACE(utf16_to_utf8(c.class_name));
    const RecordLayout& layout = c.layout();
    std::vector<Item> items = parse(c.items);
    EXPECT_EQ(layout.class_name, c.class_name);
    ASSERT_EQ(layout.fields.size(), c.size);
    ASSERT_EQ(layout.answer.size(), items.size());
    ASSERT_EQ(items.size() + c.unfilled.size(), c.size);
    std::map<char, int> counts;
    for (std::size_t k = 0; k < items.size(); ++k) {
      const Item& item = items[k];
      SCOPED_TRACE("item " + std::to_string(k + 1));
      EXPECT_EQ(layout.answer[k], item.position);
      ASSERT_LT(item.position, c.size);
      EXPECT_EQ(layout.fields[item.position].name, numbered(item.position));
      EXPECT_EQ(layout.fields[item.position].type, type_of(item.type));
      ++counts[item.type];
    }
    EXPECT_EQ(counts, c.counts);
    for (std::size_t p : c.unfilled) {
      EXPECT_EQ(layout.fields.at(p).name, numbered(p));
      EXPECT_EQ(layout.fields.at(p).type, VarType::String);
      EXPECT_EQ(std::count(layout.answer.begin(), layout.answer.end(), p), 0) << p;
    }
  }
}

TEST_F(SdkRecords, CreatedByClassNameWithEveryPropertyAtItsInitialValue) {
  for (const RecordCase& c : cases()) {
    SCOPED_TRACE(utf16_to_utf8(c.class_name));
    ObjectRef made = platform::create_component(c.class_name);
    auto* record = dynamic_cast<Record*>(made.get());
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(&record->layout(), &c.layout());
    EXPECT_EQ(made->type_name(), c.class_name);
    const auto& members = made->members().members();
    ASSERT_EQ(members.size(), c.size);
    for (std::size_t p = 0; p < c.size; ++p) {
      const FieldInfo& field = c.layout().fields[p];
      EXPECT_EQ(members[p].name, field.name);
      EXPECT_EQ(members[p].result, field.type);
      EXPECT_EQ(record->find(field.name), p);
      Variant initial = invoke(*made, field.name, CallKind::Get);
      EXPECT_EQ(initial.type(), field.type) << p;
      EXPECT_EQ(to_string(initial), to_string(initial_value(field.type))) << p;
    }
  }
  EXPECT_THROW(platform::create_component(u"RegistroDesconocido"), Error);
}

TEST_F(SdkRecords, WritesByNameConvertToThePropertyType) {
  struct Write {
    const char16_t* class_name;
    const char16_t* property;
    const char16_t* text;
    const char16_t* read_back;  // the value read back, as text
  } writes[] = {
      {u"RegistroConfiguracion", u"Campo000", u"42", u"42"},
      {u"RegistroConfiguracion", u"campo029", u"12.5", u"12.5"},
      {u"RegistroConfiguracion", u"Campo183", u"-1", u"True"},
      {u"RegistroConfiguracion", u"Campo068", u"7", u"7"},
      {u"RegistroTablaHotel", u"Campo033", u"0.25", u"0.25"},
      {u"RegistroTablaHotel", u"Campo037", u"0", u"False"},
      {u"RegistroMaestroHuesped", u"Campo001", u"3", u"3"},
      {u"RegistroCupon", u"Campo004", u"99.5", u"99.5"},
      {u"RegistroTipoCupon", u"Campo003", u"1.5", u"1.5"},
      {u"RegistroInfComercial", u"Campo016", u"1", u"True"},
      {u"RegistroTablaConfiguracion", u"Campo013", u"8", u"8"},
      {u"RegistroTablaEstado", u"Campo053", u"2.75", u"2.75"},
  };
  for (const Write& w : writes) {
    SCOPED_TRACE(utf16_to_utf8(w.property));
    ObjectRef r = platform::create_component(w.class_name);
    Variant value[] = {Variant(std::u16string(w.text))};
    invoke(*r, w.property, CallKind::Let, value);
    Variant read = invoke(*r, w.property, CallKind::Get);
    EXPECT_EQ(read.type(), r->members().find(w.property)->result);
    EXPECT_EQ(to_string(read), w.read_back);
  }
  struct Bad {
    const char16_t* class_name;
    const char16_t* property;
  } bad[] = {
      {u"RegistroConfiguracion", u"Campo000"}, {u"RegistroConfiguracion", u"Campo183"},
      {u"RegistroTablaHotel", u"Campo001"},    {u"RegistroMaestroHuesped", u"Campo005"},
      {u"RegistroCupon", u"Campo006"},         {u"RegistroTipoCupon", u"Campo000"},
      {u"RegistroInfComercial", u"Campo011"},  {u"RegistroTablaConfiguracion", u"Campo009"},
      {u"RegistroTablaEstado", u"Campo047"},
  };
  for (const Bad& b : bad) {
    ObjectRef r = platform::create_component(b.class_name);
    Variant words[] = {Variant(u"twelve")};
    try {
      invoke(*r, b.property, CallKind::Let, words);
      ADD_FAILURE() << utf16_to_utf8(b.property);
    } catch (const Error& e) {
      EXPECT_EQ(e.number(), err::kTypeMismatch) << utf16_to_utf8(b.property);
    }
  }
}

}  // namespace
}  // namespace halvora::sdk
