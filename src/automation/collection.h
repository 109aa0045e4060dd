// The result collection handed to hosts: ordered, 1-based, without keys.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "automation/members.h"
#include "automation/object.h"

namespace halvora {

class Collection : public Object {
 public:
  static std::shared_ptr<Collection> create() { return std::make_shared<Collection>(); }

  // The host's members. Item takes a 1-based position; anything outside is 9.
  void Add(const Variant& item);
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  Variant Item(const Variant& index) const;
  void Remove(const Variant& index);

  const std::vector<Variant>& items() const { return items_; }
  void clear() { items_.clear(); }

  const MemberTable& members() const override;
  std::u16string type_name() const override { return u"Collection"; }

 private:
  std::size_t position(const Variant& index) const;

  std::vector<Variant> items_;
};

using CollectionRef = std::shared_ptr<Collection>;

// ---- Result collections a host may replace ---------------------------------------------------
// A property that holds a result collection may hold the host's own instead of the library's: any
// collection that answers Count and Item, such as one the host made (an outside object on
// Windows). The library reads such a one as the host's code would, by name; its own Collection it
// reads directly.

// What such a property takes: the library's Collection, or an outside object. Any other object of
// the library's is refused (13), as a property typed as a collection refuses it.
bool takes_list(const Object& object);

// The number of items, and item `position` (1-based; the collection's own error when outside).
int32_t count_of(Object& list);
Variant item_of(Object& list, int32_t position);

}  // namespace halvora
