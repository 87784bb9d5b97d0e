#include "host/sdk/kovani_common/video_hd_rule.h"

#include <gtest/gtest.h>

namespace kovani_common::utils::record {
namespace {

using base::variant::Variant;

TEST(VideoHdRuleTest, EveryBoundOfTheRuleMustBeMet) {
  const MachineFigures machine{8, 4, 16384};
  EXPECT_TRUE(MachineMeetsVideoHdRule(Variant(R"({"min_logical_cpus": 8, "min_physical_cpus": 4, "min_memory_mb": 16384})"), machine));
  EXPECT_FALSE(MachineMeetsVideoHdRule(Variant(R"({"min_logical_cpus": 9})"), machine));
  EXPECT_FALSE(MachineMeetsVideoHdRule(Variant(R"({"min_physical_cpus": 5})"), machine));
  EXPECT_FALSE(MachineMeetsVideoHdRule(Variant(R"({"min_memory_mb": 16385})"), machine));
  EXPECT_TRUE(MachineMeetsVideoHdRule(Variant("{}"), MachineFigures{}));  // no bounds at all
}

TEST(VideoHdRuleTest, TheRuleMayBeAMapAndAnUnreadableRuleFallsBackToTheDefault) {
  Variant rule = Variant::MakeMap();
  rule.Set("min_logical_cpus", 2);
  EXPECT_TRUE(MachineMeetsVideoHdRule(rule, MachineFigures{2, 1, 1024}));
  const MachineFigures small{2, 2, 2048};
  const MachineFigures large{4, 2, 4096};
  for (const Variant& unreadable : {Variant(), Variant(""), Variant("[1, 2"), Variant(42)}) {
    EXPECT_FALSE(MachineMeetsVideoHdRule(unreadable, small));
    EXPECT_TRUE(MachineMeetsVideoHdRule(unreadable, large));
  }
}

TEST(VideoHdRuleTest, TheMachineFiguresAreRead) {
  const MachineFigures machine = GetMachineFigures();
  EXPECT_GT(machine.logical_cpus, 0);
  EXPECT_GT(machine.physical_cpus, 0);
  EXPECT_GT(machine.memory_mb, 0);
}

}  // namespace
}  // namespace kovani_common::utils::record
