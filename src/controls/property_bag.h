// Where a control keeps its properties between sessions: the host form's property store. On
// Windows the container's IPropertyBag stands behind it (com/property_bag_com.h); elsewhere, and
// in tests, a key/value bag in memory.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "automation/variant.h"

namespace halvora::controls {

class PropertyBag {
 public:
  virtual ~PropertyBag() = default;
  // The stored value, or the default when the key is missing.
  virtual Variant read(std::u16string_view key, const Variant& default_value) = 0;
  virtual void write(std::u16string_view key, const Variant& value) = 0;
};

// Values in the order first written; every read and write is logged ("read BTYPE",
// "write BTYPE"), so that the order a control uses can be checked.
class MemoryPropertyBag : public PropertyBag {
 public:
  Variant read(std::u16string_view key, const Variant& default_value) override;
  void write(std::u16string_view key, const Variant& value) override;

  const std::vector<std::pair<std::u16string, Variant>>& values() const { return values_; }
  const std::vector<std::u16string>& log() const { return log_; }
  void clear_log() { log_.clear(); }
  bool has(std::u16string_view key) const;

 private:
  std::vector<std::pair<std::u16string, Variant>> values_;
  std::vector<std::u16string> log_;
};

}  // namespace halvora::controls
