// The platform pieces both builds share: the override that spares asking the machine, and the
// failure texts a host's error handling compares against.
#include <gtest/gtest.h>

#include "automation/error.h"
#include "platform/http.h"
#include "platform/netstate.h"
#include "support/test_env.h"

namespace halvora::platform {
namespace {

TEST(NetStateOverride, OnlyAutoOrUnsetAsksTheMachine) {
  struct Case {
    const char* value;  // nullptr: unset
    bool asks_machine;
  };
  const Case cases[] = {
      {nullptr, true}, {"auto", true},   {" AUTO\t", true},
      {"", false},     {"autos", false}, {"auto,lan", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value ? c.value : "(unset)");
    test::ScopedEnv env("HALVORA_NETSTATE", c.value);
    EXPECT_EQ(!netstate_from_override().has_value(), c.asks_machine);
  }
}

TEST(HttpErrors, RaiseCarriesTheSharedTextAndSource) {
  try {
    raise_http_error(http_error::kResourceNotFound);
    FAIL() << "no throw";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), http_error::kResourceNotFound);
    EXPECT_EQ(e.description(), u"The system cannot locate the resource specified.");
    EXPECT_EQ(e.source(), u"msxml6.dll");
  }
  // The win32 build falls back to the object's own words for numbers outside the table.
  EXPECT_EQ(standard_error_text(-2146697208),
            u"The download of the specified resource has failed.");
  EXPECT_EQ(standard_error_text(-2146697209), u"");
  EXPECT_EQ(standard_error_text(0), u"");
}

}  // namespace
}  // namespace halvora::platform
