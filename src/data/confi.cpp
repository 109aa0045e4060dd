#include "data/confi.h"

#include <array>

namespace halvora {

namespace {

using sdk::Field;
using enum sdk::FieldType;

// Item, property position, type: the 221 fields of the configuration text in the order the SDK
// writes them. Positions 96, 115, 211 and 219 to 222 are never set.
constexpr std::array<Field, 221> kFields{{
    {1, 68, u"", String},     {2, 127, u"", String},    {3, 128, u"", String},
    {4, 67, u"", String},     {5, 138, u"", String},    {6, 11, u"", String},
    {7, 116, u"", String},    {8, 29, u"", Double},     {9, 87, u"", String},
    {10, 153, u"", String},   {11, 183, u"", Boolean},  {12, 34, u"", String},
    {13, 32, u"", String},    {14, 33, u"", String},    {15, 50, u"", String},
    {16, 51, u"", String},    {17, 156, u"", String},   {18, 84, u"", String},
    {19, 129, u"", String},   {20, 27, u"", Double},    {21, 126, u"", Double},
    {22, 189, u"", String},   {23, 148, u"", String},   {24, 106, u"", Double},
    {25, 102, u"", Double},   {26, 104, u"", Double},   {27, 101, u"", Double},
    {28, 206, u"", Boolean},  {29, 145, u"", Double},   {30, 147, u"", Double},
    {31, 107, u"", Double},   {32, 103, u"", Double},   {33, 105, u"", Double},
    {34, 16, u"", Double},    {35, 15, u"", Double},    {36, 14, u"", Double},
    {37, 62, u"", Double},    {38, 134, u"", String},   {39, 135, u"", String},
    {40, 144, u"", Double},   {41, 223, u"", String},   {42, 202, u"", String},
    {43, 197, u"", Double},   {44, 196, u"", Double},   {45, 174, u"", String},
    {46, 99, u"", String},    {47, 100, u"", String},   {48, 24, u"", String},
    {49, 82, u"", String},    {50, 28, u"", String},    {51, 22, u"", String},
    {52, 204, u"", String},   {53, 30, u"", String},    {54, 31, u"", String},
    {55, 49, u"", String},    {56, 175, u"", String},   {57, 83, u"", String},
    {58, 66, u"", String},    {59, 81, u"", Double},    {60, 23, u"", String},
    {61, 19, u"", Double},    {62, 190, u"", String},   {63, 21, u"", String},
    {64, 194, u"", String},   {65, 123, u"", String},   {66, 159, u"", String},
    {67, 35, u"", String},    {68, 109, u"", String},   {69, 217, u"", String},
    {70, 64, u"", String},    {71, 181, u"", Boolean},  {72, 149, u"", String},
    {73, 178, u"", String},   {74, 179, u"", String},   {75, 7, u"", Double},
    {76, 120, u"", Double},   {77, 208, u"", Boolean},  {78, 54, u"", String},
    {79, 53, u"", String},    {80, 162, u"", String},   {81, 88, u"", String},
    {82, 17, u"", String},    {83, 75, u"", String},    {84, 47, u"", String},
    {85, 20, u"", String},    {86, 118, u"", String},   {87, 2, u"", String},
    {88, 1, u"", String},     {89, 26, u"", String},    {90, 48, u"", String},
    {91, 13, u"", String},    {92, 79, u"", String},    {93, 4, u"", String},
    {94, 3, u"", String},     {95, 113, u"", String},   {96, 39, u"", String},
    {97, 40, u"", String},    {98, 55, u"", String},    {99, 56, u"", String},
    {100, 6, u"", String},    {101, 5, u"", String},    {102, 76, u"", String},
    {103, 18, u"", String},   {104, 131, u"", String},  {105, 59, u"", String},
    {106, 89, u"", String},   {107, 74, u"", String},   {108, 146, u"", String},
    {109, 141, u"", String},  {110, 166, u"", Boolean}, {111, 168, u"", String},
    {112, 187, u"", Boolean}, {113, 169, u"", String},  {114, 170, u"", String},
    {115, 171, u"", String},  {116, 172, u"", String},  {117, 173, u"", String},
    {118, 167, u"", Double},  {119, 209, u"", String},  {120, 41, u"", Double},
    {121, 45, u"", Double},   {122, 63, u"", String},   {123, 151, u"", String},
    {124, 111, u"", String},  {125, 8, u"", String},    {126, 93, u"", String},
    {127, 130, u"", String},  {128, 0, u"", Long},      {129, 97, u"", Double},
    {130, 92, u"", String},   {131, 9, u"", String},    {132, 10, u"", String},
    {133, 218, u"", Boolean}, {134, 121, u"", String},  {135, 91, u"", Double},
    {136, 46, u"", String},   {137, 199, u"", String},  {138, 117, u"", String},
    {139, 157, u"", String},  {140, 122, u"", String},  {141, 158, u"", String},
    {142, 73, u"", Double},   {143, 185, u"", Double},  {144, 60, u"", Double},
    {145, 212, u"", String},  {146, 25, u"", Double},   {147, 216, u"", String},
    {148, 207, u"", Boolean}, {149, 224, u"", Double},  {150, 195, u"", Boolean},
    {151, 85, u"", Double},   {152, 80, u"", Double},   {153, 125, u"", String},
    {154, 161, u"", String},  {155, 227, u"", Boolean}, {156, 98, u"", String},
    {157, 205, u"", Boolean}, {158, 143, u"", Double},  {159, 163, u"", String},
    {160, 164, u"", String},  {161, 198, u"", Boolean}, {162, 114, u"", String},
    {163, 203, u"", Double},  {164, 136, u"", Double},  {165, 139, u"", String},
    {166, 140, u"", String},  {167, 37, u"", String},   {168, 38, u"", String},
    {169, 186, u"", Double},  {170, 142, u"", String},  {171, 177, u"", String},
    {172, 110, u"", String},  {173, 184, u"", Double},  {174, 137, u"", String},
    {175, 176, u"", Boolean}, {176, 155, u"", Double},  {177, 225, u"", Double},
    {178, 65, u"", String},   {179, 70, u"", String},   {180, 52, u"", String},
    {181, 57, u"", String},   {182, 95, u"", Double},   {183, 61, u"", String},
    {184, 226, u"", String},  {185, 77, u"", Double},   {186, 12, u"", Double},
    {187, 58, u"", String},   {188, 69, u"", String},   {189, 78, u"", Double},
    {190, 152, u"", String},  {191, 210, u"", Boolean}, {192, 132, u"", String},
    {193, 133, u"", String},  {194, 154, u"", String},  {195, 214, u"", Boolean},
    {196, 86, u"", String},   {197, 215, u"", Boolean}, {198, 112, u"", String},
    {199, 42, u"", String},   {200, 201, u"", Boolean}, {201, 191, u"", Boolean},
    {202, 44, u"", String},   {203, 200, u"", Boolean}, {204, 193, u"", Boolean},
    {205, 108, u"", String},  {206, 72, u"", String},   {207, 192, u"", Boolean},
    {208, 94, u"", String},   {209, 71, u"", String},   {210, 36, u"", String},
    {211, 90, u"", String},   {212, 188, u"", Boolean}, {213, 150, u"", String},
    {214, 119, u"", String},  {215, 43, u"", String},   {216, 213, u"", String},
    {217, 180, u"", String},  {218, 124, u"", String},  {219, 160, u"", String},
    {220, 182, u"", Boolean}, {221, 165, u"", String},
}};

}  // namespace

std::span<const sdk::Field> Confi::field_table() {
  return kFields;
}

bool Confi::TelvarConectarLobix(Text pcDir, std::u16string& pcUser, std::u16string& pcPass) {
  return sdk::open(connection_, pcDir, pcUser, pcPass, [this] { fields_ = Collection::create(); });
}

Variant Confi::TelvarDesconectar() {
  sdk::close(connection_);
  return {};
}

// The SDK is asked first: a failed read leaves the record the host had.
Variant Confi::GetConfiConfig() {
  std::u16string text = sdk::call_text(connection_, u"LeerConfiguracion");
  fields_->clear();
  sdk::add_fields(*fields_, text, sdk::kFieldSeparator);
  sdk::fill_record(Confi_Sdk_Info, kRecordClass, fields_, kFields);
  return {};
}

const MemberTable& Confi::member_table() {
  static const MemberTable table{
      data<&Confi::Confi_Sdk_Info>(u"Confi_Sdk_Info"),
      data<&Confi::cgcasa>(u"cgcasa"),
      method<&Confi::TelvarConectarLobix>(u"TelvarConectarLobix", {u"pcDir", u"pcUser", u"pcPass"}),
      method<&Confi::TelvarDesconectar>(u"TelvarDesconectar"),
      method<&Confi::GetConfiConfig>(u"GetConfiConfig"),
  };
  return table;
}

}  // namespace halvora
