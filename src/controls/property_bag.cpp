#include "controls/property_bag.h"

#include <algorithm>

#include "automation/text.h"

namespace halvora::controls {

namespace {

// Keys are found without regard to case, as the platform's property bags find them.
template <class Values>
auto find_key(Values& values, std::u16string_view key) {
  return std::find_if(values.begin(), values.end(),
                      [&](const auto& entry) { return iequals(entry.first, key); });
}

}  // namespace

Variant MemoryPropertyBag::read(std::u16string_view key, const Variant& default_value) {
  log_.push_back(u"read " + std::u16string(key));
  auto found = find_key(values_, key);
  return found == values_.end() ? default_value : found->second;
}

void MemoryPropertyBag::write(std::u16string_view key, const Variant& value) {
  log_.push_back(u"write " + std::u16string(key));
  auto found = find_key(values_, key);
  if (found == values_.end())
    values_.emplace_back(std::u16string(key), value);
  else
    found->second = value;
}

bool MemoryPropertyBag::has(std::u16string_view key) const {
  return find_key(values_, key) != values_.end();
}

}  // namespace halvora::controls
