// The event layer's sockets and timers by id. Events carry an id, never a pointer: an event that
// arrives after its object went away (destroyed in a handler, or while a box was open) finds
// nothing instead of freed memory.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace halvora::platform {

template <class T, class Id = uint64_t>
class LiveObjects {
 public:
  Id add(T* object) {
    Id id = next_++;
    items_.emplace_back(id, object);
    return id;
  }
  void forget(Id id) {
    std::erase_if(items_, [id](const auto& entry) { return entry.first == id; });
  }
  T* find(Id id) const {
    for (const auto& [key, object] : items_)
      if (key == id) return object;
    return nullptr;
  }
  auto begin() { return items_.begin(); }
  auto end() { return items_.end(); }

 private:
  Id next_ = 1;
  std::vector<std::pair<Id, T*>> items_;
};

}  // namespace halvora::platform
