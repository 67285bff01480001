#include "web/request_timeouts.h"

#include <gtest/gtest.h>

#include <climits>

namespace korvelin {
namespace {

TEST(RequestTimeouts, Limits) {
  struct Case {
    const char* name;
    RequestTimeouts timeouts;
    long long expectedConnect, expectedWhole;
  };
  const Case cases[] = {
      {"the object's defaults", {}, 60000, 120000},
      {"all the same", {3000, 3000, 3000, 3000}, 6000, 12000},
      {"no resolution limit", {0, 1000, 2000, 3000}, 1000, 6000},
      {"no connect limit", {1000, 0, 2000, 3000}, 0, 0},
      {"no receive limit", {1000, 1000, 2000, 0}, 2000, 0},
      {"largest values do not overflow",
       {INT_MAX, INT_MAX, INT_MAX, INT_MAX},
       2LL * INT_MAX,
       4LL * INT_MAX},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.timeouts.ConnectLimitMs(), c.expectedConnect);
    EXPECT_EQ(c.timeouts.WholeRequestLimitMs(), c.expectedWhole);
  }
}

}  // namespace
}  // namespace korvelin
