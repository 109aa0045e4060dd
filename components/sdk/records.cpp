#include "records.h"

#include <array>
#include <utility>

#include "database.h"
#include "frame/conversions.h"
#include "frame/error.h"
#include "frame/text.h"

namespace halvora::sdk {

namespace {

constexpr std::size_t kGuestFields = 186;
constexpr std::size_t kChargeFields = 29;

// Positions 1 to 182 of the guest record carry the hotel database's guest-data columns.
constexpr std::array<std::u16string_view, 182> kGuestColumns = {
    u"NOMBREDA",   u"STATUSDA",   u"CIUDADDA",   u"numresda",   u"FHAENTDA",   u"FHASALDA",
    u"FHAEXTDA",   u"NUMHABDA",   u"PLANVIDA",   u"OBSERVDA",   u"OBSERVDA2",  u"DIRDA",
    u"TELDA",      u"PAISDA",     u"NOMCIADA",   u"FORMPADA",   u"DEPOSIDA",   u"FHADEPDA",
    u"NUMPERDA",   u"TARIFADA",   u"NUMCUADA",   u"FECHRESDA",  u"CARGO1DA",   u"NOMCAR1DA",
    u"CUENCAR1DA", u"CARGO2DA",   u"NOMCAR2DA",  u"CUENCAR2DA", u"CARGO3DA",   u"NOMCAR3DA",
    u"CUENCAR3DA", u"CARGO4DA",   u"NOMCAR4DA",  u"CUENCAR4DA", u"CARGO5DA",   u"NOMCAR5DA",
    u"CUENCAR5DA", u"PASEDA",     u"CUPAGDA",    u"FACTURADA",  u"FHARESDA",   u"NOMFOL1DA",
    u"NOMFOL2DA",  u"NOMFOL3DA",  u"FOLEX1DA",   u"FOLEX2DA",   u"FOLEX3DA",   u"FOLEX4DA",
    u"FOLEX5DA",   u"FOLEX6DA",   u"AUDITDA",    u"HORASALIDA", u"HORAENTRAD", u"PROGEODA",
    u"CVEGRLDA",   u"NUMHUESDA",  u"TPOCAM1DA",  u"TPOCAM2DA",  u"TPOCAM3DA",  u"TPOCAM4DA",
    u"TPOCAM5DA",  u"TPOCAM6DA",  u"CTAMSRDA",   u"GARANTIADA", u"CVEESTDA1",  u"CVEESTDA2",
    u"CVEESTDA3",  u"CVEESTDA4",  u"CVEESTDA5",  u"CVEESTDA6",  u"CVEESTDA7",  u"CVEESTDA8",
    u"CVEESTDA9",  u"CVEESTDA10", u"CVEESTDA11", u"CVEESTDA12", u"CVEESTDA13", u"CVEESTDA14",
    u"CVEESTDA15", u"CVEESTDA16", u"HABEX1DA",   u"HABEX2DA",   u"HABEX3DA",   u"HABEX4DA",
    u"HABEX5DA",   u"INIREGDA",   u"HORAMOVDA",  u"CREDITODA",  u"NUMNINDA",   u"CUENTASDA",
    u"RFCDA",      u"DIRCIADA",   u"CIUDCIADA",  u"FACTADA",    u"FORRESDA",   u"FHALIMDA",
    u"HORLIMDA",   u"TIPTARDA",   u"CVEGPODA",   u"CAJASEDA",   u"NUMREGDA",   u"ORIGENDA",
    u"ESTRESDA",   u"NUMVIPDA",   u"NUMEXTDA",   u"NUMCANDA",   u"CANREGDA",   u"FHAREGDA",
    u"ESTCALDA",   u"MONCREDA",   u"MASCREDA",   u"TARNINDA",   u"ESTADODA",   u"NUMLISDA",
    u"EDAD01DA",   u"EDAD02DA",   u"EDAD03DA",   u"EDAD04DA",   u"EDAD05DA",   u"EDAD06DA",
    u"EDAD07DA",   u"EDAD08DA",   u"EDAD09DA",   u"FOLCEDDA",   u"NOMBR_DA",   u"APPAT_DA",
    u"APMAT_DA",   u"EMAIL_DA",   u"CODPOSDA",   u"TELEFODA",   u"PORCOMDA",   u"TIPCOMDA",
    u"TICAMODA",   u"INIRESDA",   u"HORARESDA",  u"TARTARIFAR", u"OBSERVDA4",  u"OBSERVDA5",
    u"MOTCAMODA",  u"MOTCAMBDA",  u"MOTCAMUDA",  u"MOTCAMDDA",  u"MOTCAMTDA",  u"MOTTARODA",
    u"MOTTARBDA",  u"MOTTARUDA",  u"MOTTARDDA",  u"MOTTARTDA",  u"NOMFACT",    u"FHAMOVDA",
    u"FHAHISTDA",  u"TITHUEDA",   u"ANTHABDA",   u"VIPDA",      u"COLCIADA",   u"EDOCIADA",
    u"PAISCIADA",  u"CPCIADA",    u"NOMAGEDA",   u"DIRAGEDA",   u"COLAGEDA",   u"CIUDAGEDA",
    u"EDOAGEDA",   u"PAISAGEDA",  u"CPAGEDA",    u"COLONIDA",   u"NOTARDA",    u"USOHOTELDA",
    u"DELHUEDA",   u"DELAGEDA",   u"DELCIADA",   u"RFCHUEDA",   u"RFCAGEDA",   u"FE_CPAGO",
    u"FE_C2PAGO",  u"FE_FPAGO",   u"FE_CTAPAG",  u"TARJ_NUM",   u"TARJ_FHA",   u"TARJ_COD",
    u"HABGRUDA",   u"NORESMDA",
};

constexpr VarType L = VarType::Long;
constexpr VarType D = VarType::Double;
constexpr VarType S = VarType::String;
constexpr VarType T = VarType::Date;
constexpr VarType B = VarType::Boolean;

// The guest fields the data classes read, in the order the answers list them.
constexpr std::array<std::pair<std::size_t, VarType>, 45> kGuestAnswer = {{
    {0, L},  {1, S},  {12, S}, {14, S},  {3, S},   {4, D},   {8, D},   {56, D},  {15, S},
    {65, S}, {66, S}, {68, S}, {70, S},  {72, S},  {21, D},  {19, D},  {20, D},  {57, D},
    {45, S}, {58, D}, {46, S}, {59, D},  {17, D},  {110, D}, {88, S},  {16, S},  {9, S},
    {10, S}, {11, S}, {13, S}, {137, S}, {138, S}, {41, T},  {5, T},   {6, T},   {7, T},
    {53, S}, {52, S}, {87, S}, {86, S},  {38, S},  {99, S},  {184, D}, {185, S}, {2, S},
}};

// The charge record: every field is in the answer.
constexpr std::array<std::pair<std::size_t, VarType>, kChargeFields> kChargeAnswer = {{
    {12, S}, {23, D}, {6, D},  {7, D},  {4, D},  {5, D},  {13, D}, {9, T},  {20, D}, {1, D},
    {17, D}, {15, S}, {18, D}, {2, D},  {14, D}, {24, B}, {19, S}, {11, S}, {10, S}, {16, D},
    {3, D},  {25, S}, {8, D},  {21, S}, {22, S}, {28, S}, {0, D},  {26, D}, {27, L},
}};

std::u16string numbered_name(std::size_t position) {
  std::u16string digits = utf8_to_utf16(std::to_string(position));
  return u"Campo" + std::u16string(3 - digits.size(), u'0') + digits;
}

// Properties that no answer carries take a type from the column's name: dates start with FHA
// or FECH, everything else is text.
VarType guessed_type(std::u16string_view name) {
  if (name.starts_with(u"FHA") || name.starts_with(u"FECH")) return VarType::Date;
  return VarType::String;
}

// A property's get and let, one instantiation per position: member tables hold plain function
// pointers.
template <std::size_t I>
Variant get_field(Object& target, std::span<Variant>) {
  return static_cast<Record&>(target).value(I);
}
template <std::size_t I>
void put_field(Object& target, const Variant& value) {
  static_cast<Record&>(target).set(I, value);
}

Member field_member(const FieldInfo& field, Member::Getter get, Member::Putter put) {
  Member m;
  m.name = field.name;
  m.kind = MemberKind::Data;
  m.access = kGet | kLet;
  m.result = field.type;
  m.call = get;
  m.put = put;
  return m;
}

template <std::size_t... I>
const MemberTable* make_table(const std::vector<FieldInfo>& fields, std::index_sequence<I...>) {
  // Lives as long as the process, like the layout that points at it.
  return new MemberTable{field_member(fields.at(I), &get_field<I>, &put_field<I>)...};
}

template <std::size_t N, std::size_t A>
RecordLayout make_layout(std::u16string_view class_name, std::u16string_view table,
                         std::vector<FieldInfo> fields,
                         const std::array<std::pair<std::size_t, VarType>, A>& answer) {
  RecordLayout layout{class_name, table, std::move(fields), {}, nullptr};
  for (auto [position, type] : answer) {
    layout.fields.at(position).type = type;
    layout.answer.push_back(position);
  }
  layout.members = make_table(layout.fields, std::make_index_sequence<N>{});
  return layout;
}

}  // namespace

const RecordLayout& guest_layout() {
  static const RecordLayout layout = [] {
    std::vector<FieldInfo> fields;
    fields.push_back({numbered_name(0), VarType::Long});
    for (std::u16string_view name : kGuestColumns)
      fields.push_back({std::u16string(name), guessed_type(name)});
    for (std::size_t p = fields.size(); p < kGuestFields; ++p)
      fields.push_back({numbered_name(p), VarType::String});
    return make_layout<kGuestFields>(u"RegistroDatosHuesped", u"huespedes", std::move(fields),
                                     kGuestAnswer);
  }();
  return layout;
}

const RecordLayout& charge_layout() {
  static const RecordLayout layout = [] {
    std::vector<FieldInfo> fields;
    for (std::size_t p = 0; p < kChargeFields; ++p)
      fields.push_back({numbered_name(p), VarType::String});
    return make_layout<kChargeFields>(u"RegistroCargo", u"cargos", std::move(fields),
                                      kChargeAnswer);
  }();
  return layout;
}

Variant initial_value(VarType type) {
  switch (type) {
    case VarType::Long:
      return Variant(int32_t{0});
    case VarType::Double:
      return Variant(0.0);
    case VarType::Date:
      return Variant(Date{});
    case VarType::Boolean:
      return Variant(false);
    default:
      return Variant(std::u16string());
  }
}

Record::Record(const RecordLayout& layout) : layout_(&layout) {
  values_.reserve(layout.fields.size());
  for (const FieldInfo& f : layout.fields) values_.push_back(initial_value(f.type));
}

void Record::set(std::size_t position, const Variant& value) {
  values_.at(position) = coerce(value, layout_->fields.at(position).type);
}

std::size_t Record::find(std::u16string_view name) const {
  for (std::size_t p = 0; p < layout_->fields.size(); ++p)
    if (iequals(layout_->fields[p].name, name)) return p;
  return static_cast<std::size_t>(-1);
}

RecordRef create_record(std::u16string_view class_name) {
  for (const RecordLayout* layout : {&guest_layout(), &charge_layout()})
    if (iequals(layout->class_name, class_name)) return std::make_shared<Record>(*layout);
  return nullptr;
}

std::u16string answer_text(const Variant& value) {
  switch (value.type()) {
    case VarType::Double:
      return double_to_text(value.get<double>(), regional());
    case VarType::Date:
      return date_to_text(value.get<Date>(), regional());
    case VarType::Boolean:
      return value.get<bool>() ? u"True" : u"False";
    default:
      return to_string(value);
  }
}

std::u16string answer_of(const RecordLayout& layout, const std::vector<Variant>& values) {
  std::u16string out;
  for (std::size_t i = 0; i < layout.answer.size(); ++i) {
    if (i) out += u'|';
    out += answer_text(values.at(layout.answer[i]));
  }
  return out;
}

void check_storable(const RecordLayout& layout, const std::vector<Variant>& values) {
  for (std::size_t p = 0; p < layout.fields.size(); ++p) {
    if (values.at(p).type() != VarType::String) continue;
    const std::u16string& text = values[p].get<std::u16string>();
    if (text.find_first_of(u"|*") != std::u16string::npos)
      throw Error(err::kInvalidCall,
                  layout.fields[p].name +
                      u" holds \"|\" or \"*\", which the delimited answers cannot carry",
                  kSdkSource);
  }
}

}  // namespace halvora::sdk
