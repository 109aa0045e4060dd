#include "wscript.h"

#include <chrono>
#include <thread>

#include "script_error.h"

namespace halvora::host {

std::u16string Arguments::Item(int32_t index) const {
  if (index < 0 || index >= Count())
    throw Error(err::kSubscript, runtime_text(err::kSubscript), kRuntimeSource);
  return values_[index];
}

const MemberTable& Arguments::members() const {
  static const MemberTable table{
      method<&Arguments::Item>(u"Item", {u"Index"}),
      method<&Arguments::Count>(u"Count"),
      method<&Arguments::Count>(u"Length"),
  };
  return table;
}

const MemberTable& HostObject::members() const {
  static const MemberTable table{std::initializer_list<Member>{}};
  return table;
}

void pump_events(int milliseconds) {
  // The one place that waits: the event pump will run pending socket and timer callbacks here.
  if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace halvora::host
