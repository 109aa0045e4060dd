#include "web/probes.h"

#include "platform/netstate.h"

namespace halvora {

using platform::query_connection_state;

bool probe_lan() {
  return (query_connection_state().flags & platform::kConnectionLan) != 0;
}
bool probe_modem() {
  return (query_connection_state().flags & platform::kConnectionModem) != 0;
}
bool probe_proxy() {
  return (query_connection_state().flags & platform::kConnectionProxy) != 0;
}
bool probe_online() {
  return query_connection_state().connected;
}

}  // namespace halvora
