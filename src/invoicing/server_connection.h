// What the four invoicing classes share: the e-invoicing server object each one owns, how it is
// connected and let go of, and how the classes reach the server and its records, always late-bound
// by name so that the maker's registered component and the bundled substitute serve alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "automation/members.h"
#include "automation/object.h"
#include "automation/variant.h"

namespace halvora::invoicing {

// The component's classes, as the library creates them.
inline constexpr char16_t kServerClass[] = u"ServidorFacturacion";
inline constexpr char16_t kDocumentClass[] = u"DocumentoFactura";
inline constexpr char16_t kLineClass[] = u"RenglonFactura";
inline constexpr char16_t kMessageClass[] = u"MensajeCorreo";
inline constexpr char16_t kStatementClass[] = u"EstadoCuenta";
inline constexpr char16_t kMovementClass[] = u"MovimientoEdoCta";
inline constexpr char16_t kRegistrationClass[] = u"RegistroHuesped";

// The server object a class owns. `objects_created` is the flag hosts know as ObjetosCreados: set
// once the object exists, cleared by a disconnect that runs to its end.
struct ServerConnection {
  bool objects_created = false;
  ObjectRef server;
};

// A new object of one of the component's classes (platform::create_component).
ObjectRef create(std::u16string_view class_name);

// The steps every TelvarConectar shares: on the first call (or the first after a disconnect) the
// server object is made, `on_create` makes what the class makes with it, and the flag is set,
// whatever Conectar answers later; then Conectar gets the three texts as copies, so that a
// component writing to its parameters cannot reach the host's variables. True exactly when it
// answers 1.
bool connect(ServerConnection& c, const std::u16string& location, const std::u16string& user,
             const std::u16string& password, const std::function<void()>& on_create = {});

// An operation of the server or a record, late-bound by name, arguments by value. 91 when there
// is no object (no TelvarConectar yet, no line yet); the component's own errors pass unchanged.
Variant call(const ObjectRef& object, std::u16string_view operation,
             std::initializer_list<Variant> args = {});

// A record member written or read by name (property put, property get); 91 without a record.
void put(const ObjectRef& record, std::u16string_view member, const Variant& value);
Variant get(const ObjectRef& record, std::u16string_view member);

// The null value assigned to the object's default member: how the classes let go of the server
// and its records. 91 when the object does not exist yet; the component may refuse (438 when it
// has no default member).
void release(const ObjectRef& object);

// ---- Result lists ---------------------------------------------------------------------------

// The hosts' code counts pieces in a 16-bit Integer and relies on the overflow it raises: more
// pieces than this fail before any is added, exactly this many once all of them are in.
inline constexpr std::size_t kMaxPieces = 32768;

// The pieces of `text` at every "|", exactly, empty pieces kept; an empty text has none.
std::vector<std::u16string> split_fields(std::u16string_view text);

// Removes the last item until none is left. The list may be the host's own collection, so it is
// addressed by name (Count, Remove); 91 when the property holds none.
void empty_list(const ObjectRef& list);

// Adds every piece in order (Add by name), counted as above: 6 past kMaxPieces.
void add_pieces(const ObjectRef& list, std::span<const std::u16string> pieces);

// ---- Write-only record members ----------------------------------------------------------------

// A property that hands its value to the record member of the same name and type.
struct RecordField {
  std::u16string_view name;
  VarType type;
};

namespace detail {

template <class M>
struct SlotOwner;
template <class C>
struct SlotOwner<ObjectRef C::*> {
  using type = C;
};

// The value in the property's type, as the platform coerces a typed argument, then put on the
// record that `Slot` holds: no check, no other conversion.
template <auto Slot, const auto& Fields, std::size_t I>
void put_field(Object& target, const Variant& value) {
  using Owner = typename SlotOwner<decltype(Slot)>::type;
  put(static_cast<Owner&>(target).*Slot, Fields[I].name, coerce(value, Fields[I].type));
}

}  // namespace detail

// The member table row of field `I` of `Fields`, a write-only property on the record in `Slot`.
template <auto Slot, const auto& Fields, std::size_t I>
Member record_field() {
  Member m;
  m.name = std::u16string(Fields[I].name);
  m.kind = MemberKind::Property;
  m.access = kLet;
  m.result = Fields[I].type;
  m.put = &detail::put_field<Slot, Fields, I>;
  return m;
}

}  // namespace halvora::invoicing
