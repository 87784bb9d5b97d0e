#include "host/media/capture/tile_tracker.h"

#include <gtest/gtest.h>

#include <vector>

namespace kvp::av {
namespace {

class TileTrackerTest : public ::testing::Test {
 protected:
  static constexpr int kWidth = 256;
  static constexpr int kHeight = 64;

  TileTrackerTest() : image_(kWidth * kHeight * 4, 0) {}

  void Paint(int x, int y, uint8_t value) { image_[(y * kWidth + x) * 4] = value; }
  std::vector<Rect> Update(Rect area = {0, 0, kWidth, kHeight}) {
    std::vector<Rect> changed;
    tracker_.Update(image_.data(), kWidth * 4, area, &changed);
    return changed;
  }

  std::vector<uint8_t> image_;
  TileTracker tracker_{kWidth, kHeight};
};

TEST_F(TileTrackerTest, FirstUpdateReportsEverythingThenNothing) {
  EXPECT_EQ((std::vector<Rect>{{0, 0, 256, 16}, {0, 16, 256, 16}, {0, 32, 256, 16}, {0, 48, 256, 16}}), Update());
  EXPECT_TRUE(Update().empty());
}

TEST_F(TileTrackerTest, OnlyTilesThatChangedAreReportedAsRuns) {
  Update();
  Paint(70, 20, 9);   // tile (1, 1)
  Paint(130, 31, 9);  // tile (2, 1): joins the run
  Paint(255, 63, 9);  // tile (3, 3)
  EXPECT_EQ((std::vector<Rect>{{64, 16, 128, 16}, {192, 48, 64, 16}}), Update());
  EXPECT_EQ(9, tracker_.image()[(20 * kWidth + 70) * 4]);
  EXPECT_TRUE(Update().empty());
}

TEST_F(TileTrackerTest, ChangesOutsideTheGrabbedAreaWaitForTheirGrab) {
  Update();
  Paint(10, 50, 1);
  EXPECT_TRUE(Update({0, 0, kWidth, 32}).empty());
  EXPECT_EQ((std::vector<Rect>{{0, 48, 64, 16}}), Update({0, 32, kWidth, 32}));
}

TEST_F(TileTrackerTest, ResetReportsTheNextAreaAgain) {
  Update();
  tracker_.Reset();
  EXPECT_EQ((std::vector<Rect>{{0, 0, 256, 16}}), Update({0, 0, kWidth, 16}));
}

}  // namespace
}  // namespace kvp::av
