// The host's own objects: WScript, its Arguments and Err. WScript's Echo and Quit take the
// interpreter's state, so the interpreter calls them by name; these objects give scripts
// something to hold, pass around and ask TypeName of.
#pragma once

#include <string>
#include <vector>

#include "automation/members.h"
#include "automation/object.h"

namespace halvora::host {

class Arguments : public Object {
 public:
  explicit Arguments(std::vector<std::u16string> values) : values_(std::move(values)) {}

  int32_t Count() const { return static_cast<int32_t>(values_.size()); }
  // 0-based, unlike the library's collections.
  std::u16string Item(int32_t index) const;

  const std::vector<std::u16string>& values() const { return values_; }
  const MemberTable& members() const override;
  std::u16string type_name() const override { return u"Object"; }

 private:
  std::vector<std::u16string> values_;
};

// Stand-ins for WScript and Err when a script holds them as values.
class HostObject : public Object {
 public:
  const MemberTable& members() const override;
  std::u16string type_name() const override { return u"Object"; }
};

// Lets pending socket and timer events run for about this long; WScript.Sleep waits here.
void pump_events(int milliseconds);

}  // namespace halvora::host
