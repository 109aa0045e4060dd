#include "platform/netstate.h"

#include <net/if.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "platform/config.h"

namespace halvora::platform {

namespace {

std::string lower_trimmed(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

struct Word {
  std::string_view word;
  uint32_t flag;
};
constexpr Word kWords[] = {
    {"lan", kConnectionLan}, {"modem", kConnectionModem}, {"proxy", kConnectionProxy}};

ConnectionState from_override(std::string_view list) {
  ConnectionState state;
  while (!list.empty()) {
    std::size_t comma = list.find(',');
    std::string word = lower_trimmed(list.substr(0, comma));
    list = comma == std::string_view::npos ? std::string_view{} : list.substr(comma + 1);
    if (word == "online") state.connected = true;
    for (const auto& w : kWords)
      if (word == w.word) state.flags |= w.flag;
  }
  return state;
}

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
  std::string configured = config::netstate_override();
  if (lower_trimmed(configured) != "auto") return from_override(configured);
  ConnectionState state;
  state.flags = default_route_flags();
  if (proxy_configured()) state.flags |= kConnectionProxy;
  state.connected = (state.flags & (kConnectionLan | kConnectionModem)) != 0;
  return state;
}

}  // namespace halvora::platform
