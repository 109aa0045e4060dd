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

}  // namespace halvora
