#include "sdk/records.h"

#include <array>
#include <stdexcept>
#include <utility>

#include "automation/conversions.h"
#include "automation/error.h"
#include "automation/text.h"
#include "platform/components.h"
#include "sdk/database.h"

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
  platform::NumberedNameBuffer buffer;
  return std::u16string(platform::numbered_field_name(static_cast<int>(position), buffer));
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

// One property of a record class given as data: its position and its type. These classes name
// no column, so the property is called by its position ("Campo068").
struct FieldRow {
  std::size_t position;
  VarType type;
};

// A layout of N properties from rows. The rows of `answered` are in answer order: item k of an
// answer lands at the property of row k. The rows of `unanswered` are properties that no answer
// carries. Every position has exactly one row.
template <std::size_t N, std::size_t A, std::size_t U = 0>
RecordLayout rows_layout(std::u16string_view class_name, std::u16string_view table,
                         const std::array<FieldRow, A>& answered,
                         const std::array<FieldRow, U>& unanswered = {}) {
  std::vector<FieldInfo> fields(N, FieldInfo{u"", VarType::Empty});
  auto place = [&fields](const FieldRow& row) {
    FieldInfo& field = fields.at(row.position);
    if (field.type != VarType::Empty) throw std::logic_error("two rows for one record position");
    field = {numbered_name(row.position), row.type};
  };
  RecordLayout layout{class_name, table, {}, {}, nullptr};
  for (const FieldRow& row : answered) {
    place(row);
    layout.answer.push_back(row.position);
  }
  for (const FieldRow& row : unanswered) place(row);
  for (const FieldInfo& field : fields)
    if (field.type == VarType::Empty) throw std::logic_error("a record position without a row");
  layout.fields = std::move(fields);
  layout.members = make_table(layout.fields, std::make_index_sequence<N>{});
  return layout;
}

// The record classes of the later data classes, rows in answer order.

// Configuration: positions 0 to 227; answers carry 221 of them.
constexpr std::array<FieldRow, 221> kConfigRows = {{
    {68, S},  {127, S}, {128, S}, {67, S},  {138, S}, {11, S},  {116, S}, {29, D},  {87, S},
    {153, S}, {183, B}, {34, S},  {32, S},  {33, S},  {50, S},  {51, S},  {156, S}, {84, S},
    {129, S}, {27, D},  {126, D}, {189, S}, {148, S}, {106, D}, {102, D}, {104, D}, {101, D},
    {206, B}, {145, D}, {147, D}, {107, D}, {103, D}, {105, D}, {16, D},  {15, D},  {14, D},
    {62, D},  {134, S}, {135, S}, {144, D}, {223, S}, {202, S}, {197, D}, {196, D}, {174, S},
    {99, S},  {100, S}, {24, S},  {82, S},  {28, S},  {22, S},  {204, S}, {30, S},  {31, S},
    {49, S},  {175, S}, {83, S},  {66, S},  {81, D},  {23, S},  {19, D},  {190, S}, {21, S},
    {194, S}, {123, S}, {159, S}, {35, S},  {109, S}, {217, S}, {64, S},  {181, B}, {149, S},
    {178, S}, {179, S}, {7, D},   {120, D}, {208, B}, {54, S},  {53, S},  {162, S}, {88, S},
    {17, S},  {75, S},  {47, S},  {20, S},  {118, S}, {2, S},   {1, S},   {26, S},  {48, S},
    {13, S},  {79, S},  {4, S},   {3, S},   {113, S}, {39, S},  {40, S},  {55, S},  {56, S},
    {6, S},   {5, S},   {76, S},  {18, S},  {131, S}, {59, S},  {89, S},  {74, S},  {146, S},
    {141, S}, {166, B}, {168, S}, {187, B}, {169, S}, {170, S}, {171, S}, {172, S}, {173, S},
    {167, D}, {209, S}, {41, D},  {45, D},  {63, S},  {151, S}, {111, S}, {8, S},   {93, S},
    {130, S}, {0, L},   {97, D},  {92, S},  {9, S},   {10, S},  {218, B}, {121, S}, {91, D},
    {46, S},  {199, S}, {117, S}, {157, S}, {122, S}, {158, S}, {73, D},  {185, D}, {60, D},
    {212, S}, {25, D},  {216, S}, {207, B}, {224, D}, {195, B}, {85, D},  {80, D},  {125, S},
    {161, S}, {227, B}, {98, S},  {205, B}, {143, D}, {163, S}, {164, S}, {198, B}, {114, S},
    {203, D}, {136, D}, {139, S}, {140, S}, {37, S},  {38, S},  {186, D}, {142, S}, {177, S},
    {110, S}, {184, D}, {137, S}, {176, B}, {155, D}, {225, D}, {65, S},  {70, S},  {52, S},
    {57, S},  {95, D},  {61, S},  {226, S}, {77, D},  {12, D},  {58, S},  {69, S},  {78, D},
    {152, S}, {210, B}, {132, S}, {133, S}, {154, S}, {214, B}, {86, S},  {215, B}, {112, S},
    {42, S},  {201, B}, {191, B}, {44, S},  {200, B}, {193, B}, {108, S}, {72, S},  {192, B},
    {94, S},  {71, S},  {36, S},  {90, S},  {188, B}, {150, S}, {119, S}, {43, S},  {213, S},
    {180, S}, {124, S}, {160, S}, {182, B}, {165, S},
}};
// Positions that no answer carries and nothing documents; they are kept as text.
constexpr std::array<FieldRow, 7> kConfigUnanswered = {{
    {96, S},
    {115, S},
    {211, S},
    {219, S},
    {220, S},
    {221, S},
    {222, S},
}};

// Hotel table: positions 0 to 79, all answered.
constexpr std::array<FieldRow, 80> kHotelTableRows = {{
    {33, D}, {47, D}, {28, S}, {37, B}, {8, S},  {60, D}, {57, D}, {45, D}, {42, D}, {39, D},
    {38, D}, {41, D}, {40, D}, {58, D}, {56, D}, {66, D}, {52, D}, {54, D}, {53, D}, {61, D},
    {27, S}, {48, S}, {63, D}, {62, D}, {64, D}, {68, D}, {65, D}, {4, S},  {79, D}, {78, D},
    {34, B}, {20, T}, {19, T}, {18, T}, {55, D}, {16, D}, {17, D}, {0, L},  {11, D}, {51, D},
    {46, D}, {70, D}, {14, D}, {44, D}, {72, D}, {21, D}, {67, D}, {13, D}, {12, D}, {74, D},
    {10, D}, {50, D}, {23, D}, {22, D}, {69, D}, {15, D}, {75, D}, {49, D}, {59, D}, {3, S},
    {35, D}, {30, S}, {31, S}, {32, S}, {9, S},  {43, D}, {71, D}, {24, D}, {25, S}, {77, S},
    {26, S}, {73, D}, {76, D}, {1, T},  {5, S},  {6, S},  {7, S},  {29, S}, {36, D}, {2, S},
}};

// Guest master: positions 0 to 7.
constexpr std::array<FieldRow, 8> kGuestMasterRows = {{
    {6, S},
    {1, D},
    {0, L},
    {5, D},
    {3, D},
    {2, D},
    {4, S},
    {7, S},
}};

// Coupon: positions 0 to 6.
constexpr std::array<FieldRow, 7> kCouponRows = {{
    {0, L},
    {5, S},
    {6, T},
    {1, D},
    {2, D},
    {3, D},
    {4, D},
}};

// Coupon type: positions 0 to 3.
constexpr std::array<FieldRow, 4> kCouponTypeRows = {{
    {0, L},
    {1, S},
    {3, D},
    {2, S},
}};

// Guest commercial info: positions 0 to 17.
constexpr std::array<FieldRow, 18> kCommercialInfoRows = {{
    {7, S},
    {3, S},
    {5, S},
    {6, S},
    {2, S},
    {17, S},
    {16, B},
    {0, L},
    {15, S},
    {11, D},
    {1, S},
    {13, S},
    {12, D},
    {10, D},
    {9, S},
    {8, S},
    {4, S},
    {14, S},
}};

// Configuration table: positions 0 to 15.
constexpr std::array<FieldRow, 16> kConfigTableRows = {{
    {13, L},
    {9, B},
    {6, S},
    {15, S},
    {11, B},
    {8, S},
    {10, S},
    {1, S},
    {5, B},
    {0, L},
    {14, B},
    {12, B},
    {4, S},
    {2, S},
    {7, S},
    {3, S},
}};

// State table: positions 0 to 54.
constexpr std::array<FieldRow, 55> kStateTableRows = {{
    {43, S}, {1, S},  {17, D}, {10, D}, {13, D}, {18, D}, {11, D}, {14, D}, {42, D}, {2, S},
    {46, D}, {40, D}, {38, D}, {39, D}, {21, S}, {0, L},  {51, S}, {50, S}, {52, S}, {53, D},
    {49, D}, {19, D}, {41, D}, {15, D}, {48, D}, {47, B}, {3, S},  {25, S}, {26, S}, {27, S},
    {28, S}, {29, S}, {30, S}, {31, S}, {32, S}, {33, S}, {34, S}, {4, S},  {35, S}, {36, S},
    {37, S}, {5, S},  {6, D},  {7, D},  {8, D},  {22, S}, {23, S}, {24, S}, {54, S}, {20, D},
    {12, D}, {16, D}, {9, S},  {45, D}, {44, D},
}};

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

const RecordLayout& config_layout() {
  static const RecordLayout layout =
      rows_layout<228>(u"RegistroConfiguracion", u"configuracion", kConfigRows, kConfigUnanswered);
  return layout;
}

const RecordLayout& hotel_table_layout() {
  static const RecordLayout layout =
      rows_layout<80>(u"RegistroTablaHotel", u"tabla_hotel", kHotelTableRows);
  return layout;
}

const RecordLayout& guest_master_layout() {
  static const RecordLayout layout =
      rows_layout<8>(u"RegistroMaestroHuesped", u"maestro_huespedes", kGuestMasterRows);
  return layout;
}

const RecordLayout& coupon_layout() {
  static const RecordLayout layout = rows_layout<7>(u"RegistroCupon", u"cupones", kCouponRows);
  return layout;
}

const RecordLayout& coupon_type_layout() {
  static const RecordLayout layout =
      rows_layout<4>(u"RegistroTipoCupon", u"tipos_cupon", kCouponTypeRows);
  return layout;
}

const RecordLayout& commercial_info_layout() {
  static const RecordLayout layout =
      rows_layout<18>(u"RegistroInfComercial", u"inf_comercial", kCommercialInfoRows);
  return layout;
}

const RecordLayout& config_table_layout() {
  static const RecordLayout layout =
      rows_layout<16>(u"RegistroTablaConfiguracion", u"tablas_configuracion", kConfigTableRows);
  return layout;
}

const RecordLayout& state_table_layout() {
  static const RecordLayout layout =
      rows_layout<55>(u"RegistroTablaEstado", u"tablas_estado", kStateTableRows);
  return layout;
}

std::span<const RecordLayout* const> record_layouts() {
  static const std::array<const RecordLayout*, 10> all = {
      &guest_layout(),       &charge_layout(),          &config_layout(),
      &hotel_table_layout(), &guest_master_layout(),    &coupon_layout(),
      &coupon_type_layout(), &commercial_info_layout(), &config_table_layout(),
      &state_table_layout()};
  return all;
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
  for (const RecordLayout* layout : record_layouts())
    if (iequals(layout->class_name, class_name)) return std::make_shared<Record>(*layout);
  return nullptr;
}

std::u16string answer_text(const Variant& value) {
  switch (value.type()) {
    case VarType::Double:
      // Every digit the value needs: an amount read back must be the amount stored.
      return double_to_round_trip_text(value.get<double>(), regional());
    case VarType::Date:
      return date_to_text(value.get<Date>(), regional());
    case VarType::Boolean:
      return value.get<bool>() ? u"True" : u"False";
    default:
      return to_string(value);
  }
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
