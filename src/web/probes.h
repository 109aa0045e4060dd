// The connectivity probes and DllMain that several web-service classes publish. Each probe asks
// the platform afresh: the host may plug or unplug the network between two calls.
#pragma once

#include <cstdint>

namespace halvora {

bool probe_lan();     // connection-state flags have the local-network bit
bool probe_modem();   // ... the modem bit
bool probe_proxy();   // ... the proxy bit
bool probe_online();  // the query's own answer, whatever the flags say

// The published DllMain member: true exactly for a process attach (reason 1). It is not the
// library's entry point and does nothing else.
inline bool dll_main_answer(int32_t reason) {
  return reason == 1;
}

}  // namespace halvora
