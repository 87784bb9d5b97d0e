#include "host/media/encoding/repeat_frame_coder.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/frame.h>
}

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/media/capture/pixel_ops.h"
#include "host/media/encoding/av_encoder.h"
#include "host/media/ffmpeg_util.h"
#include "host/media/media_errors.h"
#include "host/media/testing/h264_decoder.h"

namespace kvp::av {
namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 192;

using AccessUnit = std::vector<uint8_t>;
using Picture = std::vector<uint8_t>;  // the three planes one after the other

// libx264 as the video track sets it up, single-threaded so that two encoders given the same
// pictures make the same bytes. `x264_params` adds to the settings.
class X264 {
 public:
  explicit X264(const std::string& x264_params = "") {
    std::map<std::string, std::string> options = {{"preset", "veryfast"}, {"tune", "zerolatency"},
                                                  {"crf", "23"},          {"g", "60"},
                                                  {"bf", "0"},            {"forced-idr", "1"},
                                                  {"threads", "1"}};
    if (!x264_params.empty()) options["x264-params"] = x264_params;
    std::string error;
    encoder_ = AvEncoder::Open(
        "libx264",
        [](AVCodecContext* c) {
          c->width = kWidth;
          c->height = kHeight;
          c->pix_fmt = AV_PIX_FMT_YUV420P;
          c->time_base = {1, 30};
          c->framerate = {30, 1};
        },
        options, &error);
    frame_ = av_frame_alloc();
    frame_->format = AV_PIX_FMT_YUV420P;
    frame_->width = kWidth;
    frame_->height = kHeight;
    av_frame_get_buffer(frame_, 0);
  }
  ~X264() { av_frame_free(&frame_); }
  bool ok() const { return encoder_ != nullptr; }

  // Draws a box at `box_x` (0: none) and a small pointer at `pointer_x` (0: none).
  static void Draw(const I420View& view, int box_x, int pointer_x = 0) {
    FillI420(view, {0, 0, kWidth, kHeight}, 40, 120, 140);
    if (box_x > 0) FillI420(view, {box_x, 40, 48, 64}, 200, 60, 180);
    if (pointer_x > 0) FillI420(view, {pointer_x, 130, 10, 14}, 235, 100, 160);
  }

  // Encodes a picture showing a box at `box_x`; `key` forces an IDR frame.
  AccessUnit Encode(int box_x, bool key = false) {
    av_frame_make_writable(frame_);
    const I420View view = I420ViewOf(frame_);
    Draw(view, box_x);
    frame_->pts = pts_++;
    frame_->pict_type = key ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
    AccessUnit unit;
    EXPECT_EQ(kOk, encoder_->Encode(frame_, [&](const AVPacket& p) {
      unit.assign(p.data, p.data + p.size);
      return kOk;
    }));
    return unit;
  }

 private:
  std::unique_ptr<AvEncoder> encoder_;
  AVFrame* frame_ = nullptr;
  int64_t pts_ = 0;
};

std::vector<Picture> Decode(const std::vector<AccessUnit>& units) {
  return testing::DecodeH264(units, kWidth, kHeight);
}

// How many picture parameter sets an access unit carries.
int ParameterSets(const AccessUnit& unit) {
  int count = 0;
  for (size_t i = 0; i + 3 < unit.size(); ++i) {
    if (unit[i] == 0 && unit[i + 1] == 0 && unit[i + 2] == 1 && (unit[i + 3] & 0x1F) == 8) ++count;
  }
  return count;
}

// The sequence parameter set's unit of an access unit, up to the next start code.
AccessUnit SequenceParameters(const AccessUnit& unit) {
  for (size_t i = 0; i + 3 < unit.size(); ++i) {
    if (unit[i] != 0 || unit[i + 1] != 0 || unit[i + 2] != 1 || (unit[i + 3] & 0x1F) != 7) continue;
    size_t end = i + 3;
    while (end + 2 < unit.size() && !(unit[end] == 0 && unit[end + 1] == 0 && unit[end + 2] == 1)) ++end;
    return AccessUnit(unit.begin() + static_cast<ptrdiff_t>(i + 3), unit.begin() + static_cast<ptrdiff_t>(end));
  }
  return {};
}

// Writes what libx264 made through the coder, as the video track does.
AccessUnit Take(RepeatFrameCoder& coder, const AccessUnit& unit) {
  AccessUnit renumbered;
  return coder.TakeEncoded(unit.data(), unit.size(), &renumbered) ? renumbered : unit;
}

constexpr int kRepeat = -1;
constexpr int kReplayKey = -2;
constexpr int kKey = 1000;  // added to a box: encoded as a key frame
constexpr int kPointer = 2000;  // added to an x: the last encoded box with a pointer there, as a patch

// A picture of the test's size, planes one after the other.
struct Canvas {
  Picture pixels = Picture(kWidth * kHeight * 3 / 2);
  I420View view() {
    uint8_t* y = pixels.data();
    return {y, y + kWidth * kHeight, y + kWidth * kHeight * 5 / 4, kWidth, kWidth / 2, kWidth / 2, kWidth, kHeight};
  }
};

// `base` with the macroblocks that `kinds` does not skip taken from `exact`.
Picture Overlay(const Picture& base, const Picture& exact, const std::vector<FramePatch::Kind>& kinds) {
  Picture out = base;
  constexpr int kMbWidth = kWidth / 16;
  for (size_t i = 0; i < kinds.size(); ++i) {
    if (kinds[i] == FramePatch::Kind::kSkip) continue;
    const int mb_x = static_cast<int>(i) % kMbWidth;
    const int mb_y = static_cast<int>(i) / kMbWidth;
    for (int row = 0; row < 16; ++row) {
      const size_t at = static_cast<size_t>((mb_y * 16 + row) * kWidth + mb_x * 16);
      std::copy_n(exact.begin() + at, 16, out.begin() + at);
    }
    for (const size_t plane : {size_t{kWidth * kHeight}, size_t{kWidth * kHeight * 5 / 4}}) {
      for (int row = 0; row < 8; ++row) {
        const size_t at = plane + static_cast<size_t>((mb_y * 8 + row) * (kWidth / 2) + mb_x * 8);
        std::copy_n(exact.begin() + at, 8, out.begin() + at);
      }
    }
  }
  return out;
}

// Encodes the items of `script` (kRepeat, kReplayKey, a box, or kPointer + x) with repeats and
// patches and, for reference, the encoded frames alone with a second encoder. The decoded stream
// must show each encoded frame exactly as the plain stream does, so nothing drifts; each repeat
// as the picture before it; each replayed key frame as the last key frame; and each patch as the
// last encoded picture with the macroblocks it does not skip exactly as they were drawn.
void ExpectRepeatsDecodeAsTheirPicture(const std::vector<int>& script, const std::string& x264_params = "") {
  X264 with_repeats(x264_params);
  X264 plain(x264_params);
  ASSERT_TRUE(with_repeats.ok() && plain.ok());
  RepeatFrameCoder coder;
  PatchPlanner planner(kWidth, kHeight);
  std::vector<AccessUnit> stream, reference;
  // What each frame of the stream shows: a reference picture, overlaid for a patch.
  struct Shows {
    size_t reference;
    std::vector<FramePatch::Kind> kinds;
    Picture exact;
  };
  std::vector<Shows> shows;
  size_t last_key = 0;
  int last_box = 0;
  Canvas canvas;
  for (const int item : script) {
    if (item == kRepeat) {
      ASSERT_TRUE(coder.CanRepeat());
      stream.push_back(coder.MakeRepeat());
      shows.push_back(shows.back());
    } else if (item == kReplayKey) {
      ASSERT_TRUE(coder.CanReplayKey());
      stream.push_back(coder.ReplayKey());
      shows.push_back({last_key, {}, {}});
      X264::Draw(canvas.view(), 0);  // what the key frame shows; every box test starts with a blank one
      planner.Reset(canvas.view());
    } else if (item >= kPointer) {
      ASSERT_TRUE(coder.CanPatch());
      X264::Draw(canvas.view(), last_box, item - kPointer);
      FramePatch patch;
      ASSERT_TRUE(planner.Plan(canvas.view(), &patch));
      EXPECT_NE(std::count(patch.kinds.begin(), patch.kinds.end(), FramePatch::Kind::kSkip), patch.kinds.size())
          << "the pointer is drawn: the patch must carry it";
      stream.push_back(coder.MakePatch(patch));
      shows.push_back({reference.size() - 1, patch.kinds, canvas.pixels});
    } else {
      const bool key = item >= kKey;
      last_box = item % kKey;
      stream.push_back(Take(coder, with_repeats.Encode(last_box, key)));
      reference.push_back(plain.Encode(last_box, key));
      X264::Draw(canvas.view(), last_box);
      planner.Reset(canvas.view());
      shows.push_back({reference.size() - 1, {}, {}});
      if (key || reference.size() == 1) last_key = reference.size() - 1;
    }
  }
  const std::vector<Picture> decoded = Decode(stream);
  const std::vector<Picture> expected = Decode(reference);
  ASSERT_EQ(stream.size(), decoded.size());
  for (size_t i = 0; i < decoded.size(); ++i) {
    const Picture& base = expected[shows[i].reference];
    const Picture want = shows[i].kinds.empty() ? base : Overlay(base, shows[i].exact, shows[i].kinds);
    EXPECT_TRUE(decoded[i] == want) << "frame " << i;
  }
}

TEST(RepeatFrameCoderTest, RepeatsShowTheLastPictureAndLaterFramesStillPredictFromIt) {
  // CABAC (libx264's default) and CAVLC: the repeat's own parameter set serves both.
  ExpectRepeatsDecodeAsTheirPicture({0, 60, kRepeat, kRepeat, kRepeat, 80, 100, kRepeat, 120});
  ExpectRepeatsDecodeAsTheirPicture({0, 60, kRepeat, kRepeat, kRepeat, 80, 100, kRepeat, 120}, "cabac=0");
  // Several slices a picture (libx264's sliced threads): each is renumbered.
  ExpectRepeatsDecodeAsTheirPicture({0, 60, kRepeat, kRepeat, 80, kRepeat, 120}, "slices=4");
}

TEST(RepeatFrameCoderTest, PatchesShowWhatChangedExactlyAndLibx264sFramesStillPredictFromItsOwnPicture) {
  // The pointer moves, stops (patches copying the last one), moves again; repeats after a patch
  // keep showing it; libx264's next frame predicts from its own picture, not from a patch.
  const std::vector<int> script = {0,   60,       kPointer + 100, kPointer + 130, kPointer + 130, kRepeat,
                                   kRepeat, kPointer + 170, 80, kPointer + 20, kRepeat, kPointer + 36,
                                   100, kRepeat, 120, kPointer + 300};
  ExpectRepeatsDecodeAsTheirPicture(script);
  ExpectRepeatsDecodeAsTheirPicture(script, "cabac=0");
  ExpectRepeatsDecodeAsTheirPicture(script, "slices=4");
}

TEST(RepeatFrameCoderTest, PatchesMixWithRepeatsAndKeyFrames) {
  // A patch after repeats (two short-term pictures in the buffer), a key frame written again
  // after patches, libx264's key frame after patches, and the pointer over the box's edge.
  ExpectRepeatsDecodeAsTheirPicture({0, kRepeat, kRepeat, kPointer + 50, kRepeat, kReplayKey, kPointer + 90,
                                     kPointer + 90, kKey + 40, kPointer + 40, kPointer + 84, 60, kRepeat,
                                     kPointer + 2, kRepeat, kRepeat});
}

TEST(RepeatFrameCoderTest, AKeyFrameOfAStillPictureIsWrittenAgainAndLaterFramesFollowIt) {
  ExpectRepeatsDecodeAsTheirPicture({0, kRepeat, kRepeat, kReplayKey, kRepeat, kReplayKey, 60, kRepeat,
                                     kKey + 80, kRepeat, kReplayKey, kRepeat, 100, kRepeat});
}

TEST(RepeatFrameCoderTest, AKeyFrameIsReplayedOnlyWhenNothingWasEncodedAfterItAndNotTwiceInARow) {
  X264 x264;
  RepeatFrameCoder coder;
  Take(coder, x264.Encode(0));
  EXPECT_FALSE(coder.CanReplayKey()) << "right after the key frame";
  coder.MakeRepeat();
  ASSERT_TRUE(coder.CanReplayKey());
  coder.ReplayKey();
  EXPECT_FALSE(coder.CanReplayKey()) << "right after the replayed key frame";
  coder.MakeRepeat();
  EXPECT_TRUE(coder.CanReplayKey());
  Take(coder, x264.Encode(40));
  coder.MakeRepeat();
  EXPECT_FALSE(coder.CanReplayKey()) << "libx264 moved on from its key frame";
}

TEST(RepeatFrameCoderTest, FrameNumbersWrapAroundOverALongStill) {
  // Far more repeats than frame numbers: the renumbering wraps with the stream's.
  std::vector<int> script = {0, 40};
  script.insert(script.end(), 700, kRepeat);
  script.insert(script.end(), {90, kRepeat, 140});
  ExpectRepeatsDecodeAsTheirPicture(script);
}

TEST(RepeatFrameCoderTest, FrameNumbersWrapAroundOverLongPatchRuns) {
  std::vector<int> script = {0, 40};
  for (int i = 0; i < 350; ++i) script.insert(script.end(), {kPointer + 100 + i % 150, kRepeat});
  script.insert(script.end(), {90, kPointer + 10, 140});
  ExpectRepeatsDecodeAsTheirPicture(script);
}

TEST(RepeatFrameCoderTest, AStreamCutAtAKeyFrameAfterRepeatsDecodesOnItsOwn) {
  X264 x264;
  RepeatFrameCoder coder;
  std::vector<AccessUnit> stream = {Take(coder, x264.Encode(0)), Take(coder, x264.Encode(30))};
  for (int i = 0; i < 5; ++i) stream.push_back(coder.MakeRepeat());
  // A key frame resets the numbering and carries the repeats' parameter set beside libx264's.
  std::vector<AccessUnit> tail = {Take(coder, x264.Encode(60, true))};
  EXPECT_EQ(2, ParameterSets(tail[0]));
  for (int i = 0; i < 3; ++i) tail.push_back(coder.MakeRepeat());
  EXPECT_EQ(0, ParameterSets(tail[1]));
  tail.push_back(Take(coder, x264.Encode(90)));
  tail.push_back(coder.MakeRepeat());
  stream.insert(stream.end(), tail.begin(), tail.end());
  EXPECT_EQ(stream.size(), Decode(stream).size());
  const std::vector<Picture> alone = Decode(tail);
  ASSERT_EQ(tail.size(), alone.size());
  EXPECT_TRUE(alone[3] == alone[0]);
  EXPECT_FALSE(alone[4] == alone[3]);
  EXPECT_TRUE(alone[5] == alone[4]);
}

TEST(RepeatFrameCoderTest, NoRepeatBeforeTheParametersOrWhenTheyDoNotFit) {
  RepeatFrameCoder fresh;
  EXPECT_FALSE(fresh.CanRepeat());

  // Several reference frames: the repeat would push a picture out that libx264 still uses.
  X264 many_references("ref=3");
  RepeatFrameCoder coder;
  Take(coder, many_references.Encode(0));
  Take(coder, many_references.Encode(50));
  EXPECT_FALSE(coder.CanRepeat());

  X264 x264;
  RepeatFrameCoder fitting;
  Take(fitting, x264.Encode(0));
  EXPECT_TRUE(fitting.CanRepeat());
  EXPECT_TRUE(fitting.CanPatch());
}

TEST(RepeatFrameCoderTest, WithoutPatchesLibx264sSequenceParametersStayAsTheyAre) {
  X264 x264;
  const AccessUnit key = x264.Encode(0);
  RepeatFrameCoder without(false);
  AccessUnit rewritten;
  ASSERT_TRUE(without.TakeEncoded(key.data(), key.size(), &rewritten));  // its own parameter set added
  EXPECT_FALSE(without.CanPatch());
  EXPECT_TRUE(without.CanRepeat());
  EXPECT_EQ(SequenceParameters(key), SequenceParameters(rewritten));
  RepeatFrameCoder with;
  AccessUnit with_room;
  ASSERT_TRUE(with.TakeEncoded(key.data(), key.size(), &with_room));
  EXPECT_NE(SequenceParameters(key), SequenceParameters(with_room));
  EXPECT_EQ(SequenceParameters(key).size(), SequenceParameters(with_room).size())
      << "two reference frames take the bits of one";
}

}  // namespace
}  // namespace kvp::av
