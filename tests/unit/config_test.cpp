// Configuration read from the environment: blanks and typos fall back to the defaults.
#include "platform/config.h"

#include <gtest/gtest.h>

#include "support/test_env.h"

namespace halvora {
namespace {

using test::ScopedEnv;

TEST(Config, HostsTrimAndFallBackWhenBlank) {
  const std::pair<const char*, const char16_t*> cases[] = {
      {nullptr, u"fidelidad.hotel.example"},
      {"   ", u"fidelidad.hotel.example"},
      {" 127.0.0.1:8080 ", u"127.0.0.1:8080"},
      {"a-much-longer-host-name-than-any-small-string-buffer.hotel.example",
       u"a-much-longer-host-name-than-any-small-string-buffer.hotel.example"},
  };
  for (const auto& [value, expected] : cases) {
    ScopedEnv env{"HALVORA_LOYALTY_HOST", value};
    EXPECT_EQ(config::loyalty_host(), expected) << (value ? value : "(unset)");
  }
}

TEST(Config, LimitsTakeOnlyPositiveWholeNumbers) {
  const std::pair<const char*, long> cases[] = {
      {nullptr, 60000}, {"250", 250},    {" 250 ", 250}, {"0", 60000},
      {"-5", 60000},    {"12ms", 60000}, {"", 60000},
  };
  for (const auto& [value, expected] : cases) {
    ScopedEnv env{"HALVORA_HTTP_TIMEOUT_MS", value};
    EXPECT_EQ(config::http_timeout_ms(), expected) << (value ? value : "(unset)");
    EXPECT_LE(config::http_connect_timeout_ms(), config::http_timeout_ms());
  }
}

TEST(Config, NetstateUnsetAsksTheMachineButEmptyMeansOffline) {
  {
    ScopedEnv env{"HALVORA_NETSTATE", nullptr};
    EXPECT_EQ(config::netstate_override(), "auto");
  }
  ScopedEnv env{"HALVORA_NETSTATE", ""};
  EXPECT_EQ(config::netstate_override(), "");
}

}  // namespace
}  // namespace halvora
