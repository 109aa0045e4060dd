// Member tables: each class lists its members once, in interface order, and the table binds
// the names to the class's own typed C++ methods. Dispatch by name, the script host and the
// COM type library are all driven from these tables.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "automation/conversions.h"
#include "automation/error.h"
#include "automation/object.h"
#include "automation/variant.h"

namespace halvora {

enum class MemberKind : uint8_t {
  Data,      // a public data member seen as a property
  Method,    // a function or sub
  Property,  // property procedures
};

// Which property operations a data member or property allows.
enum Access : uint8_t { kGet = 1, kLet = 2, kSet = 4 };

// Dispatch identifiers follow the position in the interface, by kind.
inline constexpr int32_t kDispDataBase = 0x40030000;
inline constexpr int32_t kDispMethodBase = 0x60030000;
inline constexpr int32_t kDispPropertyBase = 0x68030000;

struct ParamInfo {
  std::u16string name;
  VarType type = VarType::Variant;
  bool by_ref = false;
  bool optional = false;
  Variant default_value;  // what an omitted optional argument becomes
};

struct Member {
  using Getter = Variant (*)(Object&, std::span<Variant> args);
  using Putter = void (*)(Object&, const Variant& value);

  std::u16string name;
  MemberKind kind = MemberKind::Method;
  uint8_t access = 0;  // Access bits, for Data and Property
  std::vector<ParamInfo> params;
  VarType result = VarType::Empty;  // Empty: a sub; for properties, the property's type
  // For a Long property that the type library declares as one of its enumerations: that
  // enumeration's name. Values still cross as 32-bit integers.
  std::u16string enumeration;
  int32_t dispid = 0;     // assigned by the table from the position
  Getter call = nullptr;  // method, or property read
  Putter put = nullptr;   // property let or set
  // For a data member that holds objects of one kind: which objects an assignment takes (13 for
  // the others). Null: whatever the member's C++ type takes.
  bool (*takes)(const Object&) = nullptr;
};

class MemberTable {
 public:
  MemberTable(std::initializer_list<Member> members);

  const std::vector<Member>& members() const { return members_; }
  // Case-insensitive, as hosts call by name.
  const Member* find(std::u16string_view name) const;
  const Member* find(int32_t dispid) const;

 private:
  std::vector<Member> members_;
  std::vector<uint32_t> by_name_;  // positions, ordered by name without regard to letter case
};

// Calls a member with the platform's rules: omitted optional arguments take their defaults,
// arguments are coerced to the declared types (13, 6), too many arguments or a wrong kind of
// call is 450, a missing required argument 449, an unknown name 438. By-reference arguments
// are written back into args.
Variant invoke(Object& target, const Member& member, CallKind kind, std::span<Variant> args);
// By name, as hosts call: the object's own invoke_by_name, which for the library's objects finds
// the member in their table and for an outside object asks the object itself.
Variant invoke(Object& target, std::u16string_view name, CallKind kind,
               std::span<Variant> args = {});

// ---- Binding typed C++ members ------------------------------------------------------------

// A parameter as a class table names it; the type comes from the C++ signature.
struct ParamSpec {
  ParamSpec(const char16_t* n) : name(n) {}
  ParamSpec(const char16_t* n, Variant def) : name(n), optional(true), default_value(def) {}
  const char16_t* name;
  bool optional = false;
  Variant default_value;
};
// An optional parameter with its default.
inline ParamSpec opt(const char16_t* name, Variant default_value = {}) {
  return ParamSpec(name, std::move(default_value));
}

// A published enumeration as the declared type of a Long property, by the name the type library
// gives it (the registry lists the enumerations; the type library's writer looks it up there).
struct EnumType {
  const char16_t* name;
};
inline EnumType enumeration(const char16_t* name) {
  return EnumType{name};
}

// An array result of a declared element type: hosts see String() or Object() rather than
// Variant(), and the type library declares SAFEARRAY(BSTR) or SAFEARRAY(IDispatch*). Members
// return it; no host passes one in, so it is never a parameter or a property.
template <class T>
struct ArrayOf {
  std::vector<T> items;
};

namespace detail {

template <class T>
struct TypeOf;
template <>
struct TypeOf<bool> : std::integral_constant<VarType, VarType::Boolean> {};
template <>
struct TypeOf<int16_t> : std::integral_constant<VarType, VarType::Integer> {};
template <>
struct TypeOf<int32_t> : std::integral_constant<VarType, VarType::Long> {};
template <>
struct TypeOf<double> : std::integral_constant<VarType, VarType::Double> {};
template <>
struct TypeOf<Date> : std::integral_constant<VarType, VarType::Date> {};
template <>
struct TypeOf<std::u16string> : std::integral_constant<VarType, VarType::String> {};
template <>
struct TypeOf<Variant> : std::integral_constant<VarType, VarType::Variant> {};
template <>
struct TypeOf<void> : std::integral_constant<VarType, VarType::Empty> {};
template <class T>
struct TypeOf<std::shared_ptr<T>> : std::integral_constant<VarType, VarType::Object> {};
template <class T>
struct TypeOf<ArrayOf<T>> : std::integral_constant<VarType, array_of(TypeOf<T>::value)> {};

// The value has already been coerced to TypeOf<T>.
template <class T>
T take(const Variant& v) {
  static_assert(!is_array_type(TypeOf<T>::value), "typed arrays are results only");
  if constexpr (std::is_same_v<T, Variant>) {
    return v;
  } else if constexpr (TypeOf<T>::value == VarType::Object) {
    const ObjectRef& obj = v.object();
    if (!obj) return nullptr;
    auto typed = std::dynamic_pointer_cast<typename T::element_type>(obj);
    if (!typed) throw Error::standard(err::kTypeMismatch);
    return typed;
  } else {
    return v.get<T>();
  }
}

template <class T>
Variant give(T&& value) {
  using U = std::decay_t<T>;
  if constexpr (is_array_type(TypeOf<U>::value)) {
    auto array = std::make_shared<Array>(element_of(TypeOf<U>::value));
    array->reserve(value.items.size());
    for (auto& item : value.items) array->push_back(give(std::move(item)));
    return Variant(std::move(array));
  } else if constexpr (TypeOf<U>::value == VarType::Object) {
    return Variant(ObjectRef(std::forward<T>(value)));
  } else {
    return Variant(std::forward<T>(value));
  }
}

template <class A>
inline constexpr bool kByRef =
    std::is_lvalue_reference_v<A> && !std::is_const_v<std::remove_reference_t<A>>;

std::vector<ParamInfo> make_params(std::u16string_view member,
                                   std::initializer_list<ParamSpec> specs,
                                   std::initializer_list<std::pair<VarType, bool>> types);

template <auto Fn, class C, class R, class... A>
struct MethodImpl {
  using result = R;
  static Variant call(Object& target, std::span<Variant> args) {
    return call_with(static_cast<C&>(target), args, std::index_sequence_for<A...>{});
  }
  template <std::size_t... I>
  static Variant call_with(C& self, [[maybe_unused]] std::span<Variant> args,
                           std::index_sequence<I...>) {
    std::tuple<std::decay_t<A>...> locals{take<std::decay_t<A>>(args[I])...};
    Variant result;
    if constexpr (std::is_void_v<R>) {
      (self.*Fn)(std::get<I>(locals)...);
    } else {
      result = give((self.*Fn)(std::get<I>(locals)...));
    }
    ((kByRef<A> ? void(args[I] = give(std::get<I>(locals))) : void()), ...);
    return result;
  }
  static std::vector<ParamInfo> params(std::u16string_view name,
                                       std::initializer_list<ParamSpec> specs) {
    return make_params(name, specs, {{TypeOf<std::decay_t<A>>::value, kByRef<A>}...});
  }
};

template <auto Fn>
struct MethodBinding;
template <class C, class R, class... A, R (C::*Fn)(A...)>
struct MethodBinding<Fn> : MethodImpl<Fn, C, R, A...> {};
template <class C, class R, class... A, R (C::*Fn)(A...) const>
struct MethodBinding<Fn> : MethodImpl<Fn, C, R, A...> {};

template <auto Field>
struct DataBinding;

template <class C, class T, T C::*Field>
struct DataBinding<Field> {
  using type = T;
  static Variant get(Object& target, std::span<Variant>) {
    return give(static_cast<C&>(target).*Field);
  }
  static void put(Object& target, const Variant& value) {
    static_cast<C&>(target).*Field = take<T>(coerce(value, TypeOf<T>::value));
  }
};

template <auto Fn>
struct LetBinding;
template <class C, class A, void (C::*Fn)(A)>
struct LetBinding<Fn> {
  using type = std::decay_t<A>;
  static void put(Object& target, const Variant& value) {
    (static_cast<C&>(target).*Fn)(take<type>(coerce(value, TypeOf<type>::value)));
  }
};

}  // namespace detail

// A method bound to a member function; parameters named in order, types from the signature
// (a non-const reference parameter is by reference).
template <auto Fn>
Member method(const char16_t* name, std::initializer_list<ParamSpec> params = {}) {
  using B = detail::MethodBinding<Fn>;
  Member m;
  m.name = name;
  m.kind = MemberKind::Method;
  m.params = B::params(name, params);
  m.result = detail::TypeOf<typename B::result>::value;
  m.call = &B::call;
  return m;
}

// A public data member seen as a property: read and assigned (Set for objects, Let otherwise).
template <auto Field>
Member data(const char16_t* name) {
  using B = detail::DataBinding<Field>;
  constexpr VarType type = detail::TypeOf<typename B::type>::value;
  Member m;
  m.name = name;
  m.kind = MemberKind::Data;
  m.result = type;
  m.access = type == VarType::Object    ? kGet | kSet
             : type == VarType::Variant ? kGet | kLet | kSet
                                        : kGet | kLet;
  m.call = &B::get;
  m.put = &B::put;
  return m;
}

// A public data member that holds objects, of which an assignment takes only those `takes`
// accepts (13 for the others): for an object property whose C++ type cannot say which objects a
// host may put there, such as a result collection that may be the host's own.
template <auto Field>
Member data(const char16_t* name, bool (*takes)(const Object&)) {
  static_assert(detail::TypeOf<typename detail::DataBinding<Field>::type>::value == VarType::Object,
                "only an object property checks what it takes");
  Member m = data<Field>(name);
  m.takes = takes;
  return m;
}

// Property procedures: a get and a let bound to member functions, for a property whose let does
// more than store the value.
template <auto Get, auto Let>
Member property(const char16_t* name) {
  using G = detail::MethodBinding<Get>;
  using L = detail::LetBinding<Let>;
  static_assert(std::is_same_v<std::decay_t<typename G::result>, typename L::type>,
                "the get and the let of a property take one type");
  Member m;
  m.name = name;
  m.kind = MemberKind::Property;
  m.access = kGet | kLet;
  m.result = detail::TypeOf<typename L::type>::value;
  m.call = &G::call;
  m.put = &L::put;
  return m;
}

// A read-only property bound to a member function without parameters: one get, no let.
template <auto Get>
Member read_only(const char16_t* name) {
  Member m = method<Get>(name);
  m.kind = MemberKind::Property;
  m.access = kGet;
  return m;
}

// A write-only property bound to a member function of one parameter: one let, no get, as a
// class publishes a value that hosts hand over and never read back.
template <auto Let>
Member write_only(const char16_t* name) {
  using L = detail::LetBinding<Let>;
  Member m;
  m.name = name;
  m.kind = MemberKind::Property;
  m.access = kLet;
  m.result = detail::TypeOf<typename L::type>::value;
  m.put = &L::put;
  return m;
}

// Property procedures of a Long that the type library declares as a published enumeration.
template <auto Get, auto Let>
Member property(const char16_t* name, EnumType type) {
  static_assert(std::is_same_v<typename detail::LetBinding<Let>::type, int32_t>,
                "an enumeration's values are 32-bit integers");
  Member m = property<Get, Let>(name);
  m.enumeration = type.name;
  return m;
}

}  // namespace halvora
