#include "data/sdk_conventions.h"

#include <algorithm>
#include <array>

#include "automation/conversions.h"
#include "automation/error.h"
#include "automation/members.h"
#include "platform/components.h"

namespace halvora::sdk {

namespace {

constexpr char16_t kConnectionClass[] = u"ConexionSdk";

[[noreturn]] void overflow() {
  throw Error::standard(err::kOverflow);
}

bool all_spaces(std::u16string_view piece) {
  return piece.find_first_not_of(u' ') == std::u16string_view::npos;
}

void set_field(Object& record, const Field& field, const Variant& item) {
  Variant value[] = {convert_item(item, field.type)};
  platform::NumberedNameBuffer buffer;
  std::u16string_view name =
      field.column.empty() ? platform::numbered_field_name(field.position, buffer) : field.column;
  invoke(record, name, CallKind::Let, value);
}

}  // namespace

bool open(Connection& c, const std::u16string& location, const std::u16string& user,
          const std::u16string& password, const std::function<void()>& fresh_results) {
  c.location = location;
  c.sdk = platform::create_component(kConnectionClass);
  fresh_results();
  c.connected = true;
  // Conectar is declared Long: its answer counts as the Long an early-bound caller would see.
  int32_t answer = to_long(call(c, u"Conectar", {c.location, user, password}));
  return answer == 1;
}

void close(Connection& c) {
  c.connected = false;
}

Variant call(const Connection& c, std::u16string_view operation,
             std::initializer_list<Variant> args) {
  if (!c.sdk) throw Error::standard(err::kObjectNotSet);
  std::vector<Variant> values(args);
  return invoke(*c.sdk, operation, CallKind::Method, values);
}

std::u16string call_text(const Connection& c, std::u16string_view operation,
                         std::initializer_list<Variant> args) {
  Variant answer = call(c, operation, args);
  // A list answer can run to megabytes: taken over, not copied.
  if (answer.type() == VarType::String) return std::move(answer.get<std::u16string>());
  return to_string(answer);
}

std::vector<std::u16string_view> cut(std::u16string_view text, std::u16string_view separator) {
  std::vector<std::u16string_view> pieces;
  if (text.empty()) return pieces;
  if (separator.empty()) {
    pieces.push_back(text);
    return pieces;
  }
  std::size_t start = 0;
  for (;;) {
    std::size_t at = text.find(separator, start);
    if (at == std::u16string_view::npos) break;
    pieces.push_back(text.substr(start, at - start));
    start = at + separator.size();
  }
  pieces.push_back(text.substr(start));
  return pieces;
}

CollectionRef fresh_list(ObjectRef& property) {
  CollectionRef list = Collection::create();
  property = list;
  return list;
}

void add_pieces(Collection& into, std::span<const std::u16string_view> pieces, Entries mode) {
  // The hosts' counter fails on the piece after the 32,767th; with more pieces than that its
  // bound does not fit before the first one is added.
  if (pieces.size() > kMaxPieces) overflow();
  for (std::u16string_view piece : pieces) {
    if (mode == Entries::SkipBlank && all_spaces(piece)) continue;
    into.Add(Variant(piece));
  }
  if (pieces.size() == kMaxPieces) overflow();
}

void add_fields(Collection& into, std::u16string_view text, std::u16string_view separator) {
  add_pieces(into, cut(text, separator), Entries::KeepAll);
}

void add_entries(Collection& into, std::u16string_view text, Entries mode) {
  add_pieces(into, cut(text, kEntrySeparator), mode);
}

std::u16string property_name(const Field& field) {
  if (!field.column.empty()) return std::u16string(field.column);
  platform::NumberedNameBuffer buffer;
  return std::u16string(platform::numbered_field_name(field.position, buffer));
}

Variant convert_item(const Variant& item, FieldType type) {
  switch (type) {
    case FieldType::String:
      return Variant(to_string(item));
    case FieldType::Double:
      return Variant(to_double(item));
    case FieldType::Long:
      return Variant(to_long(item));
    case FieldType::Date:
      return Variant(to_date(item));
    case FieldType::Boolean:
      return Variant(to_boolean(item));
  }
  throw Error::standard(err::kTypeMismatch);
}

ObjectRef new_record(std::u16string_view record_class) {
  return platform::create_component(record_class);
}

void fill_record(ObjectRef& slot, std::u16string_view record_class, const ObjectRef& list,
                 std::span<const Field> fields) {
  slot = new_record(record_class);
  if (!list) throw Error::standard(err::kObjectNotSet);
  // Held here: a host's collection is called by name, and its calls must not see it go away.
  ObjectRef items = list;
  if (count_of(*items) == 0) return;
  ObjectRef record = slot;
  if (!record) throw Error::standard(err::kObjectNotSet);
  for (const Field& field : fields) set_field(*record, field, item_of(*items, field.item));
}

void fill_from_pieces(ObjectRef& slot, std::u16string_view record_class,
                      std::span<const std::u16string_view> pieces, std::span<const Field> fields) {
  slot = new_record(record_class);
  if (pieces.size() < 2) return;
  ObjectRef record = slot;
  if (!record) throw Error::standard(err::kObjectNotSet);
  for (const Field& field : fields) {
    auto index = static_cast<std::size_t>(field.item);
    if (index < 1 || index > pieces.size()) throw Error::standard(err::kSubscript);
    set_field(*record, field, Variant(pieces[index - 1]));
  }
}

Variant record_argument(const ObjectRef& record, std::u16string_view record_class) {
  if (record && record->type_name() != record_class) throw Error::standard(err::kTypeMismatch);
  return Variant(record);
}

}  // namespace halvora::sdk
