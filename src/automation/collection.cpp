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
