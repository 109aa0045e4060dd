// A stand-in for the hotel database SDK at the component seam: a connection that answers canned
// texts and records every call with its arguments, and records that log every property set.
#pragma once

#include <array>
#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "frame/error.h"
#include "frame/members.h"
#include "frame/object.h"
#include "platform/components.h"
#include "sdk/records.h"

namespace halvora::test {

struct SdkCall {
  std::u16string operation;
  std::vector<Variant> args;
};

struct PropertySet {
  std::u16string property;
  Variant value;
};

inline std::u16string campo(int position) {
  std::u16string digits = u"000";
  for (int i = 2; i >= 0; --i, position /= 10)
    digits[i] = static_cast<char16_t>(u'0' + position % 10);
  return u"Campo" + digits;
}

// The guest-data record's properties by position; the library relies only on the names of the
// ones it sets, the rest make the layout the SDK publishes.
inline std::vector<std::u16string> guest_record_layout() {
  static const char16_t* const kColumns[] = {
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
      u"HABGRUDA",   u"NORESMDA"};
  std::vector<std::u16string> layout{campo(0)};
  for (const char16_t* c : kColumns) layout.emplace_back(c);
  for (int p = 183; p <= 185; ++p) layout.push_back(campo(p));
  return layout;
}

inline std::vector<std::u16string> charge_record_layout() {
  std::vector<std::u16string> layout;
  for (int p = 0; p <= 28; ++p) layout.push_back(campo(p));
  return layout;
}

inline constexpr std::size_t kMaxFakeProperties = 200;

// A record: every property set is logged in order and kept by position.
class FakeRecord : public Object {
 public:
  FakeRecord(std::u16string class_name, const MemberTable& table)
      : class_name_(std::move(class_name)), table_(table), values_(kMaxFakeProperties) {}

  std::vector<PropertySet> sets;
  const Variant& value(std::size_t position) const { return values_[position]; }

  const MemberTable& members() const override { return table_; }
  std::u16string type_name() const override { return class_name_; }

  template <std::size_t I>
  static Variant get(Object& o, std::span<Variant>) {
    return static_cast<FakeRecord&>(o).values_[I];
  }
  template <std::size_t I>
  static void put(Object& o, const Variant& v) {
    auto& r = static_cast<FakeRecord&>(o);
    r.values_[I] = v;
    r.sets.push_back({r.table_.members()[I].name, v});
  }

 private:
  std::u16string class_name_;
  const MemberTable& table_;
  std::vector<Variant> values_;
};

template <std::size_t... I>
MemberTable record_table(const std::vector<std::u16string>& layout, std::index_sequence<I...>) {
  auto member = [&](std::size_t i, Member::Getter g, Member::Putter p) {
    Member m;
    m.name = i < layout.size() ? layout[i] : u"Unused" + campo(static_cast<int>(i));
    m.kind = MemberKind::Data;
    m.access = kGet | kLet;
    m.result = VarType::Variant;
    m.call = g;
    m.put = p;
    return m;
  };
  return MemberTable{member(I, &FakeRecord::get<I>, &FakeRecord::put<I>)...};
}

class FakeSdk;

// The test's view of the SDK: what each operation answers or raises, what was created and
// called. One at a time; it installs the component factory while it lives.
class FakeWorld {
 public:
  FakeWorld() : previous_(platform::set_component_factory(&FakeWorld::create)) { current() = this; }
  ~FakeWorld() {
    platform::set_component_factory(previous_);
    current() = nullptr;
  }
  FakeWorld(const FakeWorld&) = delete;
  FakeWorld& operator=(const FakeWorld&) = delete;

  std::map<std::u16string, Variant> answers;  // by operation; none: an empty text
  std::map<std::u16string, Error> failures;   // by operation
  std::map<std::u16string, Error> refusals;   // by class: creating it fails
  std::vector<SdkCall> calls;
  std::vector<std::u16string> created;  // class names, in creation order

  void answer(const std::u16string& op, Variant v) { answers[op] = std::move(v); }
  void fail(const std::u16string& op, int32_t number = 3021) {
    failures.insert_or_assign(op, Error(number, u"SDK failure", u"LobixSdkCore"));
  }

  static FakeWorld*& current() {
    static FakeWorld* world = nullptr;
    return world;
  }

  Variant run(std::u16string_view op, std::span<Variant> args) {
    calls.push_back({std::u16string(op), std::vector<Variant>(args.begin(), args.end())});
    if (auto f = failures.find(std::u16string(op)); f != failures.end()) throw f->second;
    if (auto a = answers.find(std::u16string(op)); a != answers.end()) return a->second;
    return Variant(u"");
  }

 private:
  static ObjectRef create(std::u16string_view class_name);
  platform::ComponentFactory previous_;
};

// Operations of the connection with their arity; Conectar takes the user and password by
// reference and scribbles on them, so a caller that hands its own variables over would notice.
// The later operations do the same with every argument.
struct FakeOperation {
  const char16_t* name;
  int arity;
  bool scribbles = false;
};
inline constexpr std::array<FakeOperation, 25> kFakeOperations{{
    {u"CadenaPrueba", 0},
    {u"Conectar", 3},
    {u"ListarHuespedesEnCasa", 0},
    {u"HuespedPorHabitacion", 2},
    {u"HuespedPorNumero", 2},
    {u"HuespedPorNombre", 2},
    {u"RegistrarCargo", 1},
    {u"ListarCargos", 5},
    {u"BuscarCargos", 1},
    {u"LeerConfiguracion", 0},
    {u"LeerTablaHotel", 0},
    {u"FolioPorOperacion", 1, true},
    {u"ListarMaestroHuespedes", 0},
    {u"BuscarMaestroHuespedes", 1, true},
    {u"ListarCupones", 0},
    {u"CuponesPorHuesped", 2, true},
    {u"CuponesPorHabitacion", 2, true},
    {u"GuardarCupon", 1, true},
    {u"TipoCuponPorClave", 1, true},
    {u"TipoCuponPorNombre", 1, true},
    {u"ListarTablasConfiguracion", 0},
    {u"ClaveTablaPorTipo", 1, true},
    {u"TipoPorClaveTabla", 1, true},
    {u"TablasEstadoPorTipo", 1, true},
    {u"InfComercialPorHuesped", 2, true},
}};

class FakeSdk : public Object {
 public:
  const MemberTable& members() const override { return table(); }
  std::u16string type_name() const override { return u"ConexionSdk"; }

  template <std::size_t I>
  static Variant op(Object&, std::span<Variant> args) {
    std::u16string_view name = kFakeOperations[I].name;
    Variant result = FakeWorld::current()->run(name, args);
    if (name == u"Conectar") args[1] = args[2] = Variant(u"scribbled");
    if (kFakeOperations[I].scribbles)
      for (Variant& arg : args) arg = Variant(u"scribbled");
    return result;
  }

  static const MemberTable& table() {
    static const MemberTable t = make(std::make_index_sequence<kFakeOperations.size()>{});
    return t;
  }

 private:
  template <std::size_t... I>
  static MemberTable make(std::index_sequence<I...>) {
    auto member = [](std::size_t i, Member::Getter call) {
      Member m;
      m.name = kFakeOperations[i].name;
      m.kind = MemberKind::Method;
      m.result = VarType::Variant;
      bool by_ref = m.name == u"Conectar" || kFakeOperations[i].scribbles;
      for (int a = 0; a < kFakeOperations[i].arity; ++a)
        m.params.push_back({u"arg", VarType::Variant, by_ref, false, {}});
      m.call = call;
      return m;
    };
    return MemberTable{member(I, &FakeSdk::op<I>)...};
  }
};

inline ObjectRef FakeWorld::create(std::u16string_view class_name) {
  FakeWorld& w = *current();
  std::u16string name(class_name);
  if (auto r = w.refusals.find(name); r != w.refusals.end()) throw r->second;
  w.created.push_back(name);
  if (name == u"ConexionSdk") return std::make_shared<FakeSdk>();
  static const MemberTable guest =
      record_table(guest_record_layout(), std::make_index_sequence<kMaxFakeProperties>{});
  static const MemberTable charge =
      record_table(charge_record_layout(), std::make_index_sequence<kMaxFakeProperties>{});
  if (name == u"RegistroDatosHuesped") return std::make_shared<FakeRecord>(name, guest);
  if (name == u"RegistroCargo") return std::make_shared<FakeRecord>(name, charge);
  // The later record classes are the substitute's own: their layouts were transcribed apart from
  // the library's field tables, so a fill into them checks one against the other.
  if (sdk::RecordRef record = sdk::create_record(name)) return record;
  throw Error(429, u"ActiveX component can't create object");
}

}  // namespace halvora::test
