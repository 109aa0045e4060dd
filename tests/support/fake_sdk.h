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

#include "automation/error.h"
#include "automation/members.h"
#include "automation/object.h"
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

// A record class's property names by position, as the substitute publishes them: the guest and
// charge records of the fake take their layout from there, so the two never drift apart.
inline std::vector<std::u16string> record_names(const sdk::RecordLayout& layout) {
  std::vector<std::u16string> names;
  for (const sdk::FieldInfo& field : layout.fields) names.push_back(field.name);
  return names;
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
    platform::NumberedNameBuffer buffer;
    m.name = i < layout.size()
                 ? layout[i]
                 : u"Unused" +
                       std::u16string(platform::numbered_field_name(static_cast<int>(i), buffer));
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
  static const MemberTable guest = record_table(record_names(sdk::guest_layout()),
                                                std::make_index_sequence<kMaxFakeProperties>{});
  static const MemberTable charge = record_table(record_names(sdk::charge_layout()),
                                                 std::make_index_sequence<kMaxFakeProperties>{});
  if (name == u"RegistroDatosHuesped") return std::make_shared<FakeRecord>(name, guest);
  if (name == u"RegistroCargo") return std::make_shared<FakeRecord>(name, charge);
  // The later record classes are the substitute's own: their layouts were transcribed apart from
  // the library's field tables, so a fill into them checks one against the other.
  if (sdk::RecordRef record = sdk::create_record(name)) return record;
  throw Error::standard(err::kCannotCreate);
}

}  // namespace halvora::test
