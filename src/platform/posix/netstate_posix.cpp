#include "platform/netstate.h"

#include <net/if.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

namespace halvora::platform {

namespace {

// The interface flags from sysfs; without sysfs the route's own "up" flag has to do.
bool interface_up_and_not_loopback(const std::string& name) {
  std::ifstream in("/sys/class/net/" + name + "/flags");
  unsigned long flags = 0;
  if (!(in >> std::hex >> flags)) return name != "lo";
  return (flags & IFF_UP) && !(flags & IFF_LOOPBACK);
}

uint32_t default_route_flags() {
  constexpr unsigned kRouteUp = 0x1;  // RTF_UP
  std::ifstream routes("/proc/net/route");
  std::string line;
  std::getline(routes, line);  // the column titles
  uint32_t flags = 0;
  while (std::getline(routes, line)) {
    std::istringstream fields(line);
    std::string iface, destination, gateway;
    unsigned route_flags = 0;
    if (!(fields >> iface >> destination >> gateway >> std::hex >> route_flags)) continue;
    if (destination != "00000000" || !(route_flags & kRouteUp)) continue;
    if (!interface_up_and_not_loopback(iface)) continue;
    flags |= iface.starts_with("ppp") ? kConnectionModem : kConnectionLan;
  }
  return flags;
}

bool proxy_configured() {
  for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy"}) {
    const char* value = std::getenv(name);
    if (value && *value) return true;
  }
  return false;
}

}  // namespace

ConnectionState query_connection_state() {
  if (std::optional<ConnectionState> dictated = netstate_from_override()) return *dictated;
  ConnectionState state;
  state.flags = default_route_flags();
  if (proxy_configured()) state.flags |= kConnectionProxy;
  state.connected = (state.flags & (kConnectionLan | kConnectionModem)) != 0;
  return state;
}

}  // namespace halvora::platform
