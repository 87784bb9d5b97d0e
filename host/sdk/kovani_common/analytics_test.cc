#include "host/sdk/kovani_common/analytics.h"

#include <gtest/gtest.h>

#include "host/base/analytics/analytics.h"

namespace kovani_common::utils::analytics {
namespace {

TEST(KovaniAnalyticsTest, ReachesTheHostSinksUnderTheSameRule) {
  base::analytics::ScopedEventCapture capture;
  EXPECT_TRUE(LogEvent("e#home#tab#click"));
  EXPECT_TRUE(LogEventWithProperty("e#home#tab#show", "tab", "all"));
  EXPECT_TRUE(LogEventWithProperties("e#meetlog_query_reddot", {{"from_source", "push"}}));
  EXPECT_FALSE(LogEvent("home#tab#click"));
  EXPECT_FALSE(LogEventWithProperties("#e", {}));
  const auto events = capture.sink().Events();
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[1].properties.at("tab"), "all");
  EXPECT_EQ(events[2].name, "e#meetlog_query_reddot");
  EXPECT_EQ(events[2].properties.at("from_source"), "push");
}

}  // namespace
}  // namespace kovani_common::utils::analytics
