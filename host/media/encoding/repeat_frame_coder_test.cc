#include "host/media/encoding/repeat_frame_coder.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
}

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/media/capture/pixel_ops.h"
#include "host/media/encoding/av_encoder.h"
#include "host/media/ffmpeg_util.h"
#include "host/media/media_errors.h"

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

  // Encodes a picture showing a box at `box_x` (0: a blank one); `key` forces an IDR frame.
  AccessUnit Encode(int box_x, bool key = false) {
    av_frame_make_writable(frame_);
    const I420View view = I420ViewOf(frame_);
    FillI420(view, {0, 0, kWidth, kHeight}, 40, 120, 140);
    if (box_x > 0) FillI420(view, {box_x, 40, 48, 64}, 200, 60, 180);
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

// Decodes access units one by one with FFmpeg's H.264 decoder; a unit that yields no picture
// or an error is a failure.
std::vector<Picture> Decode(const std::vector<AccessUnit>& units) {
  const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
  AVCodecContext* context = avcodec_alloc_context3(codec);
  context->err_recognition = AV_EF_EXPLODE | AV_EF_CRCCHECK | AV_EF_BITSTREAM;
  EXPECT_EQ(0, avcodec_open2(context, codec, nullptr));
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  std::vector<Picture> pictures;
  for (const AccessUnit& unit : units) {
    av_new_packet(packet, static_cast<int>(unit.size()));
    std::copy(unit.begin(), unit.end(), packet->data);
    EXPECT_EQ(0, avcodec_send_packet(context, packet));
    av_packet_unref(packet);
    while (avcodec_receive_frame(context, frame) == 0) {
      EXPECT_EQ(0, frame->decode_error_flags);
      Picture picture;
      for (int plane = 0; plane < 3; ++plane) {
        const int w = plane ? kWidth / 2 : kWidth;
        const int h = plane ? kHeight / 2 : kHeight;
        for (int y = 0; y < h; ++y) {
          const uint8_t* row = frame->data[plane] + y * frame->linesize[plane];
          picture.insert(picture.end(), row, row + w);
        }
      }
      pictures.push_back(std::move(picture));
    }
  }
  avcodec_send_packet(context, nullptr);
  while (avcodec_receive_frame(context, frame) == 0) ADD_FAILURE() << "a picture came out late";
  av_frame_free(&frame);
  av_packet_free(&packet);
  avcodec_free_context(&context);
  return pictures;
}

// How many picture parameter sets an access unit carries.
int ParameterSets(const AccessUnit& unit) {
  int count = 0;
  for (size_t i = 0; i + 3 < unit.size(); ++i) {
    if (unit[i] == 0 && unit[i + 1] == 0 && unit[i + 2] == 1 && (unit[i + 3] & 0x1F) == 8) ++count;
  }
  return count;
}

// Writes what libx264 made through the coder, as the video track does.
AccessUnit Take(RepeatFrameCoder& coder, const AccessUnit& unit) {
  AccessUnit renumbered;
  return coder.TakeEncoded(unit.data(), unit.size(), &renumbered) ? renumbered : unit;
}

constexpr int kRepeat = -1;
constexpr int kReplayKey = -2;
constexpr int kKey = 1000;  // added to a box: encoded as a key frame

// Encodes the boxes of `script` (kRepeat, kReplayKey, or a box) with repeats and, for
// reference, the encoded frames alone with a second encoder; the decoded stream must show each
// encoded frame exactly as the plain stream does, each repeat as the picture before it and each
// replayed key frame as the last key frame.
void ExpectRepeatsDecodeAsTheirPicture(const std::vector<int>& script, const std::string& x264_params = "") {
  X264 with_repeats(x264_params);
  X264 plain(x264_params);
  ASSERT_TRUE(with_repeats.ok() && plain.ok());
  RepeatFrameCoder coder;
  std::vector<AccessUnit> stream, reference;
  std::vector<size_t> shows;  // which reference picture each frame of the stream shows
  size_t last_key = 0;
  for (const int item : script) {
    if (item == kRepeat) {
      ASSERT_TRUE(coder.CanRepeat());
      stream.push_back(coder.MakeRepeat());
      shows.push_back(shows.back());
    } else if (item == kReplayKey) {
      ASSERT_TRUE(coder.CanReplayKey());
      stream.push_back(coder.ReplayKey());
      shows.push_back(last_key);
    } else {
      const bool key = item >= kKey;
      stream.push_back(Take(coder, with_repeats.Encode(item % kKey, key)));
      reference.push_back(plain.Encode(item % kKey, key));
      shows.push_back(reference.size() - 1);
      if (key || reference.size() == 1) last_key = reference.size() - 1;
    }
  }
  const std::vector<Picture> decoded = Decode(stream);
  const std::vector<Picture> expected = Decode(reference);
  ASSERT_EQ(stream.size(), decoded.size());
  for (size_t i = 0; i < decoded.size(); ++i) EXPECT_TRUE(decoded[i] == expected[shows[i]]) << "frame " << i;
}

TEST(RepeatFrameCoderTest, RepeatsShowTheLastPictureAndLaterFramesStillPredictFromIt) {
  // CABAC (libx264's default) and CAVLC: the repeat's own parameter set serves both.
  ExpectRepeatsDecodeAsTheirPicture({0, 60, kRepeat, kRepeat, kRepeat, 80, 100, kRepeat, 120});
  ExpectRepeatsDecodeAsTheirPicture({0, 60, kRepeat, kRepeat, kRepeat, 80, 100, kRepeat, 120}, "cabac=0");
  // Several slices a picture (libx264's sliced threads): each is renumbered.
  ExpectRepeatsDecodeAsTheirPicture({0, 60, kRepeat, kRepeat, 80, kRepeat, 120}, "slices=4");
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
}

}  // namespace
}  // namespace kvp::av
