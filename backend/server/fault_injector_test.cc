#include "server/fault_injector.h"

#include <gtest/gtest.h>

namespace qr_backend {
namespace {

FaultRule Rule(const nlohmann::json& json) {
  std::string error;
  auto rule = FaultInjector::Parse(json, &error);
  EXPECT_TRUE(rule) << error;
  return rule.value_or(FaultRule{});
}

TEST(BackendFaultInjectorTest, MatchesServerMethodAndExactOrPrefixPath) {
  FaultInjector faults;
  faults.Add(
      Rule({{"server", "cos"}, {"method", "PUT"}, {"path", "/qr-records/*"}, {"kind", "http500"}}));
  EXPECT_FALSE(faults.Take("api", "PUT", "/qr-records/a"));
  EXPECT_FALSE(faults.Take("cos", "GET", "/qr-records/a"));
  EXPECT_FALSE(faults.Take("cos", "PUT", "/other/a"));
  const auto hit = faults.Take("cos", "PUT", "/qr-records/a/b");
  ASSERT_TRUE(hit);
  EXPECT_EQ(hit->kind, FaultKind::kHttp500);

  faults.Add(Rule({{"server", "api"}, {"path", "/v2/x"}, {"kind", "drop"}}));
  EXPECT_TRUE(faults.Take("api", "POST", "/v2/x"));
  EXPECT_FALSE(faults.Take("api", "POST", "/v2/xy"));
}

TEST(BackendFaultInjectorTest, CountedRulesDisarmThemselves) {
  FaultInjector faults;
  faults.Add(
      Rule({{"server", "api"}, {"path", "/p"}, {"kind", "delay"}, {"delay_ms", 5}, {"times", 2}}));
  EXPECT_TRUE(faults.Take("api", "GET", "/p"));
  EXPECT_TRUE(faults.Take("api", "GET", "/p"));
  EXPECT_FALSE(faults.Take("api", "GET", "/p"));
  EXPECT_TRUE(faults.List().empty());

  faults.Add(Rule({{"server", "api"}, {"path", "/p"}, {"kind", "wrong_server"}}));
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(faults.Take("api", "GET", "/p"));
  faults.Clear();
  EXPECT_FALSE(faults.Take("api", "GET", "/p"));
}

TEST(BackendFaultInjectorTest, RefusesRulesThatCannotWork) {
  std::string error;
  EXPECT_FALSE(FaultInjector::Parse({{"server", "db"}, {"path", "/p"}, {"kind", "drop"}}, &error));
  EXPECT_FALSE(FaultInjector::Parse({{"server", "api"}, {"path", "p"}, {"kind", "drop"}}, &error));
  EXPECT_FALSE(FaultInjector::Parse({{"server", "api"}, {"path", "/p"}, {"kind", "melt"}}, &error));
  EXPECT_FALSE(
      FaultInjector::Parse({{"server", "api"}, {"path", "/p"}, {"kind", "delay"}}, &error));
  EXPECT_FALSE(FaultInjector::Parse(
      {{"server", "api"}, {"path", "/p"}, {"kind", "drop"}, {"times", -1}}, &error));
  EXPECT_FALSE(FaultInjector::Parse({{"server", 1}, {"path", "/p"}, {"kind", "drop"}}, &error));
  EXPECT_NE(error.find("server"), std::string::npos);
}

}  // namespace
}  // namespace qr_backend
