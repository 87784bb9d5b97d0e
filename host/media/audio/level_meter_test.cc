#include "host/media/audio/level_meter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace kvp::av {
namespace {

TEST(LevelMeterTest, LevelMapsMinus60To0Db) {
  EXPECT_EQ(0, LevelMeter::LevelOfRms(0));
  EXPECT_EQ(0, LevelMeter::LevelOfRms(0.0001));  // -80 dB
  EXPECT_EQ(50, LevelMeter::LevelOfRms(std::pow(10.0, -30.0 / 20)));
  EXPECT_EQ(100, LevelMeter::LevelOfRms(1.0));
  EXPECT_EQ(100, LevelMeter::LevelOfRms(2.0));
}

TEST(LevelMeterTest, ReportsOncePerWindowAcrossCalls) {
  LevelMeter meter(100);
  std::vector<float> loud(60, 1.0f);
  const float* planes[1] = {loud.data()};
  int32_t level = -1;
  EXPECT_FALSE(meter.Add(planes, 1, 60, &level));
  EXPECT_TRUE(meter.Add(planes, 1, 60, &level));
  EXPECT_EQ(100, level);
  std::vector<float> silence(100, 0.0f);
  const float* quiet[1] = {silence.data()};
  EXPECT_TRUE(meter.Add(quiet, 1, 100, &level));
  // The window held 20 loud samples left over from before and 80 silent ones.
  EXPECT_EQ(LevelMeter::LevelOfRms(std::sqrt(0.2)), level);
}

TEST(LevelMeterTest, ChannelsAreAveraged) {
  LevelMeter meter(10);
  std::vector<float> left(10, 1.0f), right(10, 0.0f);
  const float* planes[2] = {left.data(), right.data()};
  int32_t level = 0;
  ASSERT_TRUE(meter.Add(planes, 2, 10, &level));
  EXPECT_EQ(LevelMeter::LevelOfRms(std::sqrt(0.5)), level);
}

}  // namespace
}  // namespace kvp::av
