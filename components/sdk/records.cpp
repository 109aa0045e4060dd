#include "records.h"

#include <array>
#include <stdexcept>
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

// One property of a record class given as data: its position, its name and its type.
struct FieldRow {
  std::size_t position;
  std::u16string_view name;
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
    field = {std::u16string(row.name), row.type};
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

// The record classes of the later data classes: their properties carry no known column name, so
// each is named "Campo" + its position. Rows are in answer order.

// Configuration: positions 0 to 227; answers carry 221 of them.
constexpr std::array<FieldRow, 221> kConfigRows = {{
    {68, u"Campo068", S},  {127, u"Campo127", S}, {128, u"Campo128", S}, {67, u"Campo067", S},
    {138, u"Campo138", S}, {11, u"Campo011", S},  {116, u"Campo116", S}, {29, u"Campo029", D},
    {87, u"Campo087", S},  {153, u"Campo153", S}, {183, u"Campo183", B}, {34, u"Campo034", S},
    {32, u"Campo032", S},  {33, u"Campo033", S},  {50, u"Campo050", S},  {51, u"Campo051", S},
    {156, u"Campo156", S}, {84, u"Campo084", S},  {129, u"Campo129", S}, {27, u"Campo027", D},
    {126, u"Campo126", D}, {189, u"Campo189", S}, {148, u"Campo148", S}, {106, u"Campo106", D},
    {102, u"Campo102", D}, {104, u"Campo104", D}, {101, u"Campo101", D}, {206, u"Campo206", B},
    {145, u"Campo145", D}, {147, u"Campo147", D}, {107, u"Campo107", D}, {103, u"Campo103", D},
    {105, u"Campo105", D}, {16, u"Campo016", D},  {15, u"Campo015", D},  {14, u"Campo014", D},
    {62, u"Campo062", D},  {134, u"Campo134", S}, {135, u"Campo135", S}, {144, u"Campo144", D},
    {223, u"Campo223", S}, {202, u"Campo202", S}, {197, u"Campo197", D}, {196, u"Campo196", D},
    {174, u"Campo174", S}, {99, u"Campo099", S},  {100, u"Campo100", S}, {24, u"Campo024", S},
    {82, u"Campo082", S},  {28, u"Campo028", S},  {22, u"Campo022", S},  {204, u"Campo204", S},
    {30, u"Campo030", S},  {31, u"Campo031", S},  {49, u"Campo049", S},  {175, u"Campo175", S},
    {83, u"Campo083", S},  {66, u"Campo066", S},  {81, u"Campo081", D},  {23, u"Campo023", S},
    {19, u"Campo019", D},  {190, u"Campo190", S}, {21, u"Campo021", S},  {194, u"Campo194", S},
    {123, u"Campo123", S}, {159, u"Campo159", S}, {35, u"Campo035", S},  {109, u"Campo109", S},
    {217, u"Campo217", S}, {64, u"Campo064", S},  {181, u"Campo181", B}, {149, u"Campo149", S},
    {178, u"Campo178", S}, {179, u"Campo179", S}, {7, u"Campo007", D},   {120, u"Campo120", D},
    {208, u"Campo208", B}, {54, u"Campo054", S},  {53, u"Campo053", S},  {162, u"Campo162", S},
    {88, u"Campo088", S},  {17, u"Campo017", S},  {75, u"Campo075", S},  {47, u"Campo047", S},
    {20, u"Campo020", S},  {118, u"Campo118", S}, {2, u"Campo002", S},   {1, u"Campo001", S},
    {26, u"Campo026", S},  {48, u"Campo048", S},  {13, u"Campo013", S},  {79, u"Campo079", S},
    {4, u"Campo004", S},   {3, u"Campo003", S},   {113, u"Campo113", S}, {39, u"Campo039", S},
    {40, u"Campo040", S},  {55, u"Campo055", S},  {56, u"Campo056", S},  {6, u"Campo006", S},
    {5, u"Campo005", S},   {76, u"Campo076", S},  {18, u"Campo018", S},  {131, u"Campo131", S},
    {59, u"Campo059", S},  {89, u"Campo089", S},  {74, u"Campo074", S},  {146, u"Campo146", S},
    {141, u"Campo141", S}, {166, u"Campo166", B}, {168, u"Campo168", S}, {187, u"Campo187", B},
    {169, u"Campo169", S}, {170, u"Campo170", S}, {171, u"Campo171", S}, {172, u"Campo172", S},
    {173, u"Campo173", S}, {167, u"Campo167", D}, {209, u"Campo209", S}, {41, u"Campo041", D},
    {45, u"Campo045", D},  {63, u"Campo063", S},  {151, u"Campo151", S}, {111, u"Campo111", S},
    {8, u"Campo008", S},   {93, u"Campo093", S},  {130, u"Campo130", S}, {0, u"Campo000", L},
    {97, u"Campo097", D},  {92, u"Campo092", S},  {9, u"Campo009", S},   {10, u"Campo010", S},
    {218, u"Campo218", B}, {121, u"Campo121", S}, {91, u"Campo091", D},  {46, u"Campo046", S},
    {199, u"Campo199", S}, {117, u"Campo117", S}, {157, u"Campo157", S}, {122, u"Campo122", S},
    {158, u"Campo158", S}, {73, u"Campo073", D},  {185, u"Campo185", D}, {60, u"Campo060", D},
    {212, u"Campo212", S}, {25, u"Campo025", D},  {216, u"Campo216", S}, {207, u"Campo207", B},
    {224, u"Campo224", D}, {195, u"Campo195", B}, {85, u"Campo085", D},  {80, u"Campo080", D},
    {125, u"Campo125", S}, {161, u"Campo161", S}, {227, u"Campo227", B}, {98, u"Campo098", S},
    {205, u"Campo205", B}, {143, u"Campo143", D}, {163, u"Campo163", S}, {164, u"Campo164", S},
    {198, u"Campo198", B}, {114, u"Campo114", S}, {203, u"Campo203", D}, {136, u"Campo136", D},
    {139, u"Campo139", S}, {140, u"Campo140", S}, {37, u"Campo037", S},  {38, u"Campo038", S},
    {186, u"Campo186", D}, {142, u"Campo142", S}, {177, u"Campo177", S}, {110, u"Campo110", S},
    {184, u"Campo184", D}, {137, u"Campo137", S}, {176, u"Campo176", B}, {155, u"Campo155", D},
    {225, u"Campo225", D}, {65, u"Campo065", S},  {70, u"Campo070", S},  {52, u"Campo052", S},
    {57, u"Campo057", S},  {95, u"Campo095", D},  {61, u"Campo061", S},  {226, u"Campo226", S},
    {77, u"Campo077", D},  {12, u"Campo012", D},  {58, u"Campo058", S},  {69, u"Campo069", S},
    {78, u"Campo078", D},  {152, u"Campo152", S}, {210, u"Campo210", B}, {132, u"Campo132", S},
    {133, u"Campo133", S}, {154, u"Campo154", S}, {214, u"Campo214", B}, {86, u"Campo086", S},
    {215, u"Campo215", B}, {112, u"Campo112", S}, {42, u"Campo042", S},  {201, u"Campo201", B},
    {191, u"Campo191", B}, {44, u"Campo044", S},  {200, u"Campo200", B}, {193, u"Campo193", B},
    {108, u"Campo108", S}, {72, u"Campo072", S},  {192, u"Campo192", B}, {94, u"Campo094", S},
    {71, u"Campo071", S},  {36, u"Campo036", S},  {90, u"Campo090", S},  {188, u"Campo188", B},
    {150, u"Campo150", S}, {119, u"Campo119", S}, {43, u"Campo043", S},  {213, u"Campo213", S},
    {180, u"Campo180", S}, {124, u"Campo124", S}, {160, u"Campo160", S}, {182, u"Campo182", B},
    {165, u"Campo165", S},
}};
// Positions that no answer carries and nothing documents; they are kept as text.
constexpr std::array<FieldRow, 7> kConfigUnanswered = {{
    {96, u"Campo096", S},
    {115, u"Campo115", S},
    {211, u"Campo211", S},
    {219, u"Campo219", S},
    {220, u"Campo220", S},
    {221, u"Campo221", S},
    {222, u"Campo222", S},
}};

// Hotel table: positions 0 to 79, all answered.
constexpr std::array<FieldRow, 80> kHotelTableRows = {{
    {33, u"Campo033", D}, {47, u"Campo047", D}, {28, u"Campo028", S}, {37, u"Campo037", B},
    {8, u"Campo008", S},  {60, u"Campo060", D}, {57, u"Campo057", D}, {45, u"Campo045", D},
    {42, u"Campo042", D}, {39, u"Campo039", D}, {38, u"Campo038", D}, {41, u"Campo041", D},
    {40, u"Campo040", D}, {58, u"Campo058", D}, {56, u"Campo056", D}, {66, u"Campo066", D},
    {52, u"Campo052", D}, {54, u"Campo054", D}, {53, u"Campo053", D}, {61, u"Campo061", D},
    {27, u"Campo027", S}, {48, u"Campo048", S}, {63, u"Campo063", D}, {62, u"Campo062", D},
    {64, u"Campo064", D}, {68, u"Campo068", D}, {65, u"Campo065", D}, {4, u"Campo004", S},
    {79, u"Campo079", D}, {78, u"Campo078", D}, {34, u"Campo034", B}, {20, u"Campo020", T},
    {19, u"Campo019", T}, {18, u"Campo018", T}, {55, u"Campo055", D}, {16, u"Campo016", D},
    {17, u"Campo017", D}, {0, u"Campo000", L},  {11, u"Campo011", D}, {51, u"Campo051", D},
    {46, u"Campo046", D}, {70, u"Campo070", D}, {14, u"Campo014", D}, {44, u"Campo044", D},
    {72, u"Campo072", D}, {21, u"Campo021", D}, {67, u"Campo067", D}, {13, u"Campo013", D},
    {12, u"Campo012", D}, {74, u"Campo074", D}, {10, u"Campo010", D}, {50, u"Campo050", D},
    {23, u"Campo023", D}, {22, u"Campo022", D}, {69, u"Campo069", D}, {15, u"Campo015", D},
    {75, u"Campo075", D}, {49, u"Campo049", D}, {59, u"Campo059", D}, {3, u"Campo003", S},
    {35, u"Campo035", D}, {30, u"Campo030", S}, {31, u"Campo031", S}, {32, u"Campo032", S},
    {9, u"Campo009", S},  {43, u"Campo043", D}, {71, u"Campo071", D}, {24, u"Campo024", D},
    {25, u"Campo025", S}, {77, u"Campo077", S}, {26, u"Campo026", S}, {73, u"Campo073", D},
    {76, u"Campo076", D}, {1, u"Campo001", T},  {5, u"Campo005", S},  {6, u"Campo006", S},
    {7, u"Campo007", S},  {29, u"Campo029", S}, {36, u"Campo036", D}, {2, u"Campo002", S},
}};

// Guest master: positions 0 to 7.
constexpr std::array<FieldRow, 8> kGuestMasterRows = {{
    {6, u"Campo006", S},
    {1, u"Campo001", D},
    {0, u"Campo000", L},
    {5, u"Campo005", D},
    {3, u"Campo003", D},
    {2, u"Campo002", D},
    {4, u"Campo004", S},
    {7, u"Campo007", S},
}};

// Coupon: positions 0 to 6.
constexpr std::array<FieldRow, 7> kCouponRows = {{
    {0, u"Campo000", L},
    {5, u"Campo005", S},
    {6, u"Campo006", T},
    {1, u"Campo001", D},
    {2, u"Campo002", D},
    {3, u"Campo003", D},
    {4, u"Campo004", D},
}};

// Coupon type: positions 0 to 3.
constexpr std::array<FieldRow, 4> kCouponTypeRows = {{
    {0, u"Campo000", L},
    {1, u"Campo001", S},
    {3, u"Campo003", D},
    {2, u"Campo002", S},
}};

// Guest commercial info: positions 0 to 17.
constexpr std::array<FieldRow, 18> kCommercialInfoRows = {{
    {7, u"Campo007", S},
    {3, u"Campo003", S},
    {5, u"Campo005", S},
    {6, u"Campo006", S},
    {2, u"Campo002", S},
    {17, u"Campo017", S},
    {16, u"Campo016", B},
    {0, u"Campo000", L},
    {15, u"Campo015", S},
    {11, u"Campo011", D},
    {1, u"Campo001", S},
    {13, u"Campo013", S},
    {12, u"Campo012", D},
    {10, u"Campo010", D},
    {9, u"Campo009", S},
    {8, u"Campo008", S},
    {4, u"Campo004", S},
    {14, u"Campo014", S},
}};

// Configuration table: positions 0 to 15.
constexpr std::array<FieldRow, 16> kConfigTableRows = {{
    {13, u"Campo013", L},
    {9, u"Campo009", B},
    {6, u"Campo006", S},
    {15, u"Campo015", S},
    {11, u"Campo011", B},
    {8, u"Campo008", S},
    {10, u"Campo010", S},
    {1, u"Campo001", S},
    {5, u"Campo005", B},
    {0, u"Campo000", L},
    {14, u"Campo014", B},
    {12, u"Campo012", B},
    {4, u"Campo004", S},
    {2, u"Campo002", S},
    {7, u"Campo007", S},
    {3, u"Campo003", S},
}};

// State table: positions 0 to 54.
constexpr std::array<FieldRow, 55> kStateTableRows = {{
    {43, u"Campo043", S}, {1, u"Campo001", S},  {17, u"Campo017", D}, {10, u"Campo010", D},
    {13, u"Campo013", D}, {18, u"Campo018", D}, {11, u"Campo011", D}, {14, u"Campo014", D},
    {42, u"Campo042", D}, {2, u"Campo002", S},  {46, u"Campo046", D}, {40, u"Campo040", D},
    {38, u"Campo038", D}, {39, u"Campo039", D}, {21, u"Campo021", S}, {0, u"Campo000", L},
    {51, u"Campo051", S}, {50, u"Campo050", S}, {52, u"Campo052", S}, {53, u"Campo053", D},
    {49, u"Campo049", D}, {19, u"Campo019", D}, {41, u"Campo041", D}, {15, u"Campo015", D},
    {48, u"Campo048", D}, {47, u"Campo047", B}, {3, u"Campo003", S},  {25, u"Campo025", S},
    {26, u"Campo026", S}, {27, u"Campo027", S}, {28, u"Campo028", S}, {29, u"Campo029", S},
    {30, u"Campo030", S}, {31, u"Campo031", S}, {32, u"Campo032", S}, {33, u"Campo033", S},
    {34, u"Campo034", S}, {4, u"Campo004", S},  {35, u"Campo035", S}, {36, u"Campo036", S},
    {37, u"Campo037", S}, {5, u"Campo005", S},  {6, u"Campo006", D},  {7, u"Campo007", D},
    {8, u"Campo008", D},  {22, u"Campo022", S}, {23, u"Campo023", S}, {24, u"Campo024", S},
    {54, u"Campo054", S}, {20, u"Campo020", D}, {12, u"Campo012", D}, {16, u"Campo016", D},
    {9, u"Campo009", S},  {45, u"Campo045", D}, {44, u"Campo044", D},
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
      return double_to_text(value.get<double>(), regional());
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
