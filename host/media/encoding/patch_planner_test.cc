#include "host/media/encoding/patch_planner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace kvp::av {
namespace {

using Kind = FramePatch::Kind;

// An I420 picture with planes one after the other.
class Picture {
 public:
  Picture(int width, int height) : width_(width), height_(height), pixels_(width * height * 3 / 2) {
    FillI420(view(), {0, 0, width, height}, 60, 128, 128);
  }
  I420View view() {
    uint8_t* y = pixels_.data();
    uint8_t* u = y + width_ * height_;
    return {y, u, u + width_ * height_ / 4, width_, width_ / 2, width_ / 2, width_, height_};
  }
  void Fill(const Rect& rect, uint8_t luma) { FillI420(view(), rect, luma, 90, 200); }
  void Clear(const Rect& rect) { FillI420(view(), rect, 60, 128, 128); }

 private:
  int width_;
  int height_;
  std::vector<uint8_t> pixels_;
};

// A picture and a planner that took it as libx264's last one.
struct Planned {
  Planned(int width, int height) : picture(width, height), planner(width, height) { planner.Reset(picture.view()); }
  bool Plan() { return planner.Plan(picture.view(), &patch); }

  Picture picture;
  PatchPlanner planner;
  FramePatch patch;
};

// The macroblocks of `patch` that are not skipped, as "kind@index".
std::vector<std::pair<Kind, size_t>> Coded(const FramePatch& patch) {
  std::vector<std::pair<Kind, size_t>> coded;
  for (size_t i = 0; i < patch.kinds.size(); ++i) {
    if (patch.kinds[i] != Kind::kSkip) coded.emplace_back(patch.kinds[i], i);
  }
  return coded;
}

TEST(PatchPlannerTest, OnlyTheMacroblocksThatDifferFromTheEncodedPictureAreRaw) {
  Planned planned(128, 96);  // 8 x 6 macroblocks
  Picture& picture = planned.picture;
  const FramePatch& patch = planned.patch;
  ASSERT_TRUE(planned.Plan());
  EXPECT_EQ(48u, patch.kinds.size());
  EXPECT_TRUE(Coded(patch).empty());
  EXPECT_TRUE(patch.raw.empty());

  // Two pixels: the last of macroblock (0, 1) and the first chroma sample of (3, 2).
  picture.Fill({14, 30, 2, 2}, 200);
  picture.Fill({48, 32, 2, 2}, 60);  // luma as before, only the chroma differs
  ASSERT_TRUE(planned.Plan());
  EXPECT_EQ((std::vector<std::pair<Kind, size_t>>{{Kind::kRaw, 8}, {Kind::kRaw, 19}}), Coded(patch));
  ASSERT_EQ(2u * 384, patch.raw.size());
  // Raw samples: luma rows, then Cb and Cr.
  EXPECT_EQ(60, patch.raw[0]);
  EXPECT_EQ(200, patch.raw[14 * 16 + 14]);
  EXPECT_EQ(90, patch.raw[256 + 7 * 8 + 7]);
  EXPECT_EQ(200, patch.raw[320 + 7 * 8 + 7]);
  EXPECT_EQ(128, patch.raw[256]);
  EXPECT_EQ(90, patch.raw[384 + 256]);
  EXPECT_EQ(60, patch.raw[384]);
}

TEST(PatchPlannerTest, WhatThePatchBeforeHeldIsCopiedAndWhatWentBackIsSkipped) {
  Planned planned(64, 48);
  Picture& picture = planned.picture;
  const FramePatch& patch = planned.patch;
  picture.Fill({0, 0, 4, 4}, 200);
  ASSERT_TRUE(planned.Plan());
  EXPECT_EQ((std::vector<std::pair<Kind, size_t>>{{Kind::kRaw, 0}}), Coded(patch));

  // The first change stays; a second one comes.
  picture.Fill({40, 40, 4, 4}, 30);
  ASSERT_TRUE(planned.Plan());
  EXPECT_EQ((std::vector<std::pair<Kind, size_t>>{{Kind::kCopy, 0}, {Kind::kRaw, 10}}), Coded(patch));
  EXPECT_EQ(384u, patch.raw.size());

  // The first area changes again, the second goes back to the encoded picture.
  picture.Fill({0, 0, 4, 4}, 100);
  picture.Clear({40, 40, 4, 4});
  ASSERT_TRUE(planned.Plan());
  EXPECT_EQ((std::vector<std::pair<Kind, size_t>>{{Kind::kRaw, 0}}), Coded(patch));

  // libx264 encoded the picture: the patches start over from it.
  planned.planner.Reset(picture.view());
  ASSERT_TRUE(planned.Plan());
  EXPECT_TRUE(Coded(patch).empty());
}

TEST(PatchPlannerTest, ABigChangeIsLeftToTheEncoder) {
  // Raw macroblocks in one patch: at most 64, and at most a sixteenth of a small picture.
  struct Case {
    int width, height, most;
  };
  for (const Case c : {Case{1920, 1088, 64}, Case{256, 192, 12}}) {
    const Picture encoded(c.width, c.height);
    PatchPlanner planner(c.width, c.height);
    planner.Reset(Picture(encoded).view());
    FramePatch patch;
    Picture picture = encoded;
    picture.Fill({0, 0, 16 * c.most, 16}, 200);
    EXPECT_TRUE(planner.Plan(picture.view(), &patch)) << c.width;
    EXPECT_EQ(static_cast<size_t>(c.most) * 384, patch.raw.size());

    planner.Reset(Picture(encoded).view());
    picture.Fill({0, 16, 16, 16}, 200);
    EXPECT_FALSE(planner.Plan(picture.view(), &patch)) << c.width;
  }
}

TEST(PatchPlannerTest, AfterABigChangePlanningRestsForEightEncodedPictures) {
  Planned planned(256, 192);
  planned.picture.Fill({0, 0, 256, 32}, 200);
  EXPECT_FALSE(planned.Plan());
  // A busy screen stays busy: the next pictures go to the encoder without a comparison, even
  // when they changed little.
  for (int encoded = 1; encoded < 8; ++encoded) {
    planned.planner.Reset(planned.picture.view());
    planned.picture.Fill({0, 64, 16, 16}, static_cast<uint8_t>(encoded));
    EXPECT_FALSE(planned.Plan()) << encoded;
  }
  planned.planner.Reset(planned.picture.view());
  planned.picture.Fill({0, 96, 16, 16}, 9);
  ASSERT_TRUE(planned.Plan());
  EXPECT_EQ((std::vector<std::pair<Kind, size_t>>{{Kind::kRaw, 96}}), Coded(planned.patch));
}

TEST(PatchPlannerTest, MacroblocksPastThePicturesEdgeRepeatItsLastSamples) {
  // 40x20: the last column and row of macroblocks are partly outside.
  Planned planned(40, 20);
  const FramePatch& patch = planned.patch;
  planned.picture.Fill({38, 18, 2, 2}, 210);
  ASSERT_TRUE(planned.Plan());
  ASSERT_EQ((std::vector<std::pair<Kind, size_t>>{{Kind::kRaw, 5}}), Coded(patch));
  // Macroblock (2, 1) covers x 32..47, y 16..31; inside are x 32..39, y 16..19.
  EXPECT_EQ(60, patch.raw[0]);
  EXPECT_EQ(210, patch.raw[2 * 16 + 6]);
  EXPECT_EQ(210, patch.raw[15 * 16 + 15]) << "the corner sample repeated";
  EXPECT_EQ(60, patch.raw[15 * 16 + 5]) << "the last row repeated";
  EXPECT_EQ(200, patch.raw[320 + 7 * 8 + 7]);
}

}  // namespace
}  // namespace kvp::av
