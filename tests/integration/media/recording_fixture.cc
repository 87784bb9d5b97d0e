#include "recording_fixture.h"

#include <chrono>
#include <cstdlib>
#include <thread>

#include "host/base/threading/clock.h"
#include "host/media/stream/muxer_media_info.h"

namespace quickrec::testing {

using namespace kvp::av;

void RecordingFixture::StartEngine(bool headless) {
  if (headless) {
    unsetenv("DISPLAY");
  } else {
    ASSERT_TRUE(xvfb_.Start(kWidth, kHeight)) << xvfb_.error();
    setenv("DISPLAY", xvfb_.name().c_str(), 1);
  }
  config_.width = kWidth;
  config_.height = kHeight;
  config_.fps = 30;
  engine_ = std::make_unique<FfmpegMediaEngine>();
  engine_->AddVideoStreamListener(&observer_);
  engine_->AddExceptionListener(&observer_);
  engine_->AddVideoDeviceListener(&observer_);
  engine_->AddAudioStreamListener(&observer_);
  engine_->GetAudioCapture()->AddAudioSource({AudioSourceKind::kMicrophone, ""});
  engine_->GetAudioCapture()->AddAudioSource({AudioSourceKind::kLoopback, kLoopbackDeviceId});
}

void RecordingFixture::TearDown() {
  if (engine_) {
    engine_->RemoveVideoStreamListener(&observer_);
    engine_->RemoveExceptionListener(&observer_);
    engine_->RemoveVideoDeviceListener(&observer_);
    engine_->RemoveAudioStreamListener(&observer_);
    engine_.reset();
  }
  xvfb_.Stop();
}

int64_t RecordingFixture::RecordFor(int ms, int32_t mode) {
  EXPECT_EQ(kOk, recorder()->EnableRecording(true, {}, files(), config_, false, mode));
  const int64_t started = base::clock::SteadyMs();
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  const int64_t stopping = base::clock::SteadyMs();
  EXPECT_EQ(kOk, recorder()->EnableRecording(false, {}, {}, config_, true, kRecordModeNone));
  return stopping - started;
}

void RecordingFixture::ExpectStreamsMatch(int64_t recorded_ms) {
  RawStreamReader video;
  ASSERT_TRUE(video.Open(files()[0]));
  ASSERT_FALSE(video.records().empty());
  EXPECT_NEAR(recorded_ms, video.EndUs() / 1000, 100);
  EXPECT_TRUE(video.records().front().flags & kRawFlagKeyFrame);
  EXPECT_TRUE(TimestampsOrdered(video.records()));
  const ProbeResult decoded = ProbeH264(files()[0]);
  ASSERT_TRUE(decoded.ok);
  EXPECT_EQ(static_cast<int64_t>(video.records().size()), decoded.count);
  EXPECT_EQ(static_cast<int>(video.header().params[0]), decoded.width);
  EXPECT_EQ(static_cast<int>(video.header().params[1]), decoded.height);
  if (TimestampsContinuous(video.records())) {
    EXPECT_NEAR(recorded_ms, decoded.count * 1000 / config_.fps, 100);
  }

  RawStreamReader audio;
  ASSERT_TRUE(audio.Open(files()[1]));
  ASSERT_FALSE(audio.records().empty());
  EXPECT_NEAR(recorded_ms, audio.EndUs() / 1000, 100);
  EXPECT_TRUE(TimestampsContinuous(audio.records()));
  const ProbeResult packets = ProbeAdts(files()[1]);
  ASSERT_TRUE(packets.ok);
  EXPECT_EQ(static_cast<int64_t>(audio.records().size()), packets.count);
  EXPECT_EQ(48000, packets.sample_rate);
  EXPECT_NEAR(recorded_ms, packets.count * 1024 * 1000 / 48000, 100);

  muxer_param* info = muxer_media_info(files()[0].c_str());
  ASSERT_NE(nullptr, info);
  EXPECT_EQ(video.EndUs() / 1000, muxer_param_get_int32(info, "duration", 0));
  EXPECT_EQ(config_.width, muxer_param_get_int32(muxer_param_dict_get(info, "video"), "width", 0));
  muxer_param_free(info);
}

}  // namespace quickrec::testing
