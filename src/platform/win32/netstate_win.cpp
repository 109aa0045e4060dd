// The connection state from WinINet, the same question the host's other components ask.
#include <windows.h>
#include <wininet.h>

#include <optional>

#include "platform/netstate.h"

namespace halvora::platform {

ConnectionState query_connection_state() {
  if (std::optional<ConnectionState> dictated = netstate_from_override()) return *dictated;
  DWORD flags = 0;
  ConnectionState state;
  state.connected = InternetGetConnectedState(&flags, 0) != FALSE;
  // The other bits (offline mode, RAS installed, configured) are not connection kinds.
  state.flags = flags & (kConnectionModem | kConnectionLan | kConnectionProxy);
  return state;
}

}  // namespace halvora::platform
