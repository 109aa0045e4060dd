#include "automation/collection.h"

#include "automation/conversions.h"
#include "automation/error.h"

namespace halvora {

void Collection::Add(const Variant& item) {
  items_.push_back(item);
}

std::size_t Collection::position(const Variant& index) const {
  int32_t i = to_long(index);
  if (i < 1 || static_cast<std::size_t>(i) > items_.size()) throw Error::standard(err::kSubscript);
  return static_cast<std::size_t>(i - 1);
}

Variant Collection::Item(const Variant& index) const {
  return items_[position(index)];
}

void Collection::Remove(const Variant& index) {
  items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(position(index)));
}

bool takes_list(const Object& object) {
  return object.outside() || dynamic_cast<const Collection*>(&object) != nullptr;
}

int32_t count_of(Object& list) {
  if (auto* own = dynamic_cast<Collection*>(&list)) return own->Count();
  return to_long(list.invoke_by_name(u"Count", CallKind::Get, {}));
}

Variant item_of(Object& list, int32_t position) {
  if (auto* own = dynamic_cast<Collection*>(&list)) return own->Item(Variant(position));
  Variant args[] = {Variant(position)};
  return list.invoke_by_name(u"Item", CallKind::Method, args);
}

const MemberTable& Collection::members() const {
  // Item first: a collection's default member is the item.
  static const MemberTable table{
      method<&Collection::Item>(u"Item", {u"Index"}),
      method<&Collection::Add>(u"Add", {u"Item"}),
      method<&Collection::Count>(u"Count"),
      method<&Collection::Remove>(u"Remove", {u"Index"}),
  };
  return table;
}

}  // namespace halvora
