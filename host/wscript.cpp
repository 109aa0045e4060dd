#include "wscript.h"

#include <algorithm>
#include <chrono>

#include "platform/events.h"

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
  // The host's message loop for the length of the sleep: pending socket and timer events run.
  using Clock = std::chrono::steady_clock;
  const Clock::time_point end = Clock::now() + std::chrono::milliseconds(std::max(0, milliseconds));
  do {
    auto left = std::chrono::ceil<std::chrono::milliseconds>(end - Clock::now()).count();
    platform::pump(static_cast<int>(std::max<long long>(0, left)));
  } while (Clock::now() < end);
}

}  // namespace halvora::host
