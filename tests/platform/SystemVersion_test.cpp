#include "platform/SystemVersion.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"

using namespace zuvo;

TEST(SystemVersion, ReportsTheCompatibleVersionUnlessTheEnvironmentSetsAValidOne) {
  struct Case {
    const char* variable;  // nullptr: unset
    const char* expected;
  } cases[] = {
      {nullptr, "10.8.0"},  {"10.7.3", "10.7.3"},  {" 10.9.5 ", "10.9.5"}, {"10.7", "10.8.0"},
      {"10.x.1", "10.8.0"}, {"10.7.-1", "10.8.0"}, {"", "10.8.0"},
  };
  for (const Case& c : cases) {
    if (c.variable)
      qputenv(kSystemVersionVariable, c.variable);
    else
      qunsetenv(kSystemVersionVariable);
    EXPECT_EQ(systemVersion().text(), c.expected) << (c.variable ? c.variable : "(unset)");
  }
  qunsetenv(kSystemVersionVariable);
}
