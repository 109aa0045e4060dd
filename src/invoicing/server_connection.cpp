#include "invoicing/server_connection.h"

#include "automation/conversions.h"
#include "automation/error.h"
#include "platform/components.h"

namespace halvora::invoicing {

namespace {

Object& existing(const ObjectRef& object) {
  if (!object) throw Error::standard(err::kObjectNotSet);
  return *object;
}

}  // namespace

ObjectRef create(std::u16string_view class_name) {
  return platform::create_component(class_name);
}

bool connect(ServerConnection& c, const std::u16string& location, const std::u16string& user,
             const std::u16string& password, const std::function<void()>& on_create) {
  if (!c.objects_created) {
    if (on_create) on_create();
    c.server = create(kServerClass);
    c.objects_created = true;
  }
  // Conectar is declared Long: its answer counts as the Long an early-bound caller would see.
  return to_long(call(c.server, u"Conectar", {location, user, password})) == 1;
}

Variant call(const ObjectRef& object, std::u16string_view operation,
             std::initializer_list<Variant> args) {
  // Held here: an outside component's call may run the host's code, which must not see it go.
  ObjectRef target = object;
  std::vector<Variant> values(args);
  return invoke(existing(target), operation, CallKind::Method, values);
}

void put(const ObjectRef& record, std::u16string_view member, const Variant& value) {
  ObjectRef target = record;
  Variant args[] = {value};
  invoke(existing(target), member, CallKind::Let, args);
}

Variant get(const ObjectRef& record, std::u16string_view member) {
  ObjectRef target = record;
  return invoke(existing(target), member, CallKind::Get);
}

void release(const ObjectRef& object) {
  ObjectRef target = object;
  existing(target).assign_default(Variant(Null{}));
}

std::vector<std::u16string> split_fields(std::u16string_view text) {
  std::vector<std::u16string> pieces;
  if (text.empty()) return pieces;
  std::size_t start = 0;
  for (std::size_t at; (at = text.find(u'|', start)) != std::u16string_view::npos; start = at + 1)
    pieces.emplace_back(text.substr(start, at - start));
  pieces.emplace_back(text.substr(start));
  return pieces;
}

void empty_list(const ObjectRef& list) {
  ObjectRef target = list;
  Object& items = existing(target);
  for (int32_t count; (count = to_long(invoke(items, u"Count", CallKind::Get))) > 0;) {
    Variant index[] = {Variant(count)};
    invoke(items, u"Remove", CallKind::Method, index);
  }
}

void add_pieces(const ObjectRef& list, std::span<const std::u16string> pieces) {
  ObjectRef target = list;
  // The hosts' counter: its bound does not fit before the first piece when there are more, and it
  // steps past 32,767 after the last one when there are exactly this many.
  if (pieces.size() > kMaxPieces) throw Error::standard(err::kOverflow);
  if (pieces.empty()) return;
  Object& items = existing(target);
  for (const std::u16string& piece : pieces) {
    Variant item[] = {Variant(piece)};
    invoke(items, u"Add", CallKind::Method, item);
  }
  if (pieces.size() == kMaxPieces) throw Error::standard(err::kOverflow);
}

}  // namespace halvora::invoicing
