#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/netstate.h"

namespace halvora::platform {
namespace {

TEST(NetState, OverrideListDecidesTheAnswer) {
  struct Case {
    const char* value;
    bool connected;
    uint32_t flags;
  };
  const Case cases[] = {
      {"online,lan", true, kConnectionLan},
      {"", false, 0},
      {"offline", false, 0},
      {"proxy", false, kConnectionProxy},
      {" Online , MODEM ", true, kConnectionModem},
      {"online,lan,proxy,satellite", true, kConnectionLan | kConnectionProxy},
      {",,online,", true, 0},
  };
  std::optional<std::string> old;
  if (const char* v = std::getenv("HALVORA_NETSTATE")) old = v;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    ::setenv("HALVORA_NETSTATE", c.value, 1);
    ConnectionState state = query_connection_state();
    EXPECT_EQ(state.connected, c.connected);
    EXPECT_EQ(state.flags, c.flags);
  }
  if (old)
    ::setenv("HALVORA_NETSTATE", old->c_str(), 1);
  else
    ::unsetenv("HALVORA_NETSTATE");
}

}  // namespace
}  // namespace halvora::platform
