#include "host/media/capture/pixel_ops.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace kvp::av {
namespace {

struct I420Buffer {
  I420Buffer(int width, int height)
      : y(static_cast<size_t>(width) * height, 0), u(y.size() / 4, 0), v(y.size() / 4, 0) {
    view = {y.data(), u.data(), v.data(), width, width / 2, width / 2, width, height};
  }
  std::vector<uint8_t> y, u, v;
  I420View view;
};

std::vector<uint8_t> SolidBgra(int width, int height, uint8_t r, uint8_t g, uint8_t b) {
  std::vector<uint8_t> image(static_cast<size_t>(width) * height * 4);
  for (size_t i = 0; i < image.size(); i += 4) {
    image[i] = b;
    image[i + 1] = g;
    image[i + 2] = r;
    image[i + 3] = 255;
  }
  return image;
}

TEST(PixelOpsTest, KnownColoursConvertToBt601LimitedRange) {
  struct Case {
    uint8_t r, g, b, y, u, v;
  };
  // Reference values of the BT.601 limited-range matrix.
  const Case cases[] = {{0, 0, 0, 16, 128, 128}, {255, 255, 255, 235, 128, 128}, {255, 0, 0, 82, 90, 240},
                        {0, 255, 0, 145, 54, 34}, {0, 0, 255, 41, 240, 110}};
  for (const auto& c : cases) {
    const auto image = SolidBgra(4, 4, c.r, c.g, c.b);
    I420Buffer out(4, 4);
    ConvertBgraToI420(image.data(), 16, out.view, {0, 0, 4, 4});
    EXPECT_NEAR(c.y, out.y[5], 1) << int(c.r) << "," << int(c.g) << "," << int(c.b);
    EXPECT_NEAR(c.u, out.u[1], 1) << int(c.r) << "," << int(c.g) << "," << int(c.b);
    EXPECT_NEAR(c.v, out.v[1], 1) << int(c.r) << "," << int(c.g) << "," << int(c.b);
  }
}

TEST(PixelOpsTest, ConversionTouchesOnlyItsArea) {
  const auto white = SolidBgra(16, 16, 255, 255, 255);
  I420Buffer out(16, 16);
  const Rect area = EvenClip({3, 5, 4, 2}, 16, 16);  // widens to x 2..8, y 4..8
  ConvertBgraToI420(white.data() + area.y * 64 + area.x * 4, 64, out.view, area);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const bool inside = x >= 2 && x < 8 && y >= 4 && y < 8;
      EXPECT_EQ(inside ? 235 : 0, out.y[y * 16 + x]) << x << "," << y;
    }
  }
  EXPECT_EQ(128, out.u[2 * 8 + 1]);
  EXPECT_EQ(0, out.u[1 * 8 + 1]);
}

TEST(PixelOpsTest, EvenClipKeepsRectanglesInsideThePicture) {
  EXPECT_EQ((Rect{0, 0, 10, 6}), EvenClip({-3, -1, 13, 7}, 10, 6));
  EXPECT_EQ((Rect{8, 4, 2, 2}), EvenClip({9, 5, 30, 30}, 10, 6));
  EXPECT_TRUE(EvenClip({20, 0, 5, 5}, 10, 6).empty());
  EXPECT_EQ((Rect{0, 0, 10, 6}), EvenClip({0, 0, 11, 7}, 11, 7));
}

TEST(PixelOpsTest, CopyPlacesTheHeadAndClipsAtTheEdge) {
  I420Buffer head(4, 4);
  FillI420(head.view, {0, 0, 4, 4}, 200, 50, 60);
  I420Buffer frame(8, 8);
  FillI420(frame.view, {0, 0, 8, 8}, 16, 128, 128);
  CopyI420(head.view, frame.view, 6, 2);  // only two columns fit
  EXPECT_EQ(200, frame.y[2 * 8 + 6]);
  EXPECT_EQ(200, frame.y[5 * 8 + 7]);
  EXPECT_EQ(16, frame.y[2 * 8 + 5]);
  EXPECT_EQ(16, frame.y[6 * 8 + 6]);
  EXPECT_EQ(50, frame.u[1 * 4 + 3]);
  EXPECT_EQ(128, frame.u[1 * 4 + 2]);
  EXPECT_EQ(60, frame.v[2 * 4 + 3]);
}

TEST(PixelOpsTest, PointerBlendsOverTheImage) {
  auto image = SolidBgra(4, 4, 0, 0, 200);
  // Opaque white, half-transparent black (premultiplied: all zero but alpha), transparent.
  const uint32_t pointer[3] = {0xFFFFFFFFu, 0x80000000u, 0x00000000u};
  BlendArgbOver(image.data(), 16, 4, 4, pointer, 3, 1, 2, 1);  // the third pixel falls off
  const uint8_t* row = image.data() + 16;
  EXPECT_EQ(255, row[2 * 4]);
  EXPECT_EQ(255, row[2 * 4 + 2]);
  EXPECT_NEAR(100, row[3 * 4], 1);
  EXPECT_EQ(200, row[1 * 4]);
}

TEST(PixelOpsTest, FitInsideKeepsTheAspectRatioCentred) {
  EXPECT_EQ((Rect{0, 0, 1920, 1080}), FitInside(1280, 720, 1920, 1080));
  EXPECT_EQ((Rect{240, 0, 1440, 1080}), FitInside(800, 600, 1920, 1080));
  EXPECT_EQ((Rect{0, 120, 1280, 480}), FitInside(2000, 750, 1280, 720));
  EXPECT_TRUE(FitInside(0, 10, 100, 100).empty());
}

}  // namespace
}  // namespace kvp::av
