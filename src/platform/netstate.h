// The machine's connection state, asked afresh on every call.
#pragma once

#include <cstdint>
#include <optional>

namespace halvora::platform {

inline constexpr uint32_t kConnectionModem = 0x01;
inline constexpr uint32_t kConnectionLan = 0x02;
inline constexpr uint32_t kConnectionProxy = 0x04;

struct ConnectionState {
  bool connected = false;  // the query's own answer
  uint32_t flags = 0;      // kConnection* bits
};

// HALVORA_NETSTATE overrides the machine's answer (see config.h).
ConnectionState query_connection_state();

// The answer HALVORA_NETSTATE dictates; nothing when it says "auto" (or is unset) and the
// machine must be asked. Both builds' query_connection_state() consult it first.
std::optional<ConnectionState> netstate_from_override();

}  // namespace halvora::platform
