// The media engine recording on an Xvfb display: screen, camera and both, pause and resume,
// append, frame rate changes, covers and the calls it refuses.

#include <algorithm>
#include <chrono>
#include <fstream>
#include <thread>

#include "host/base/threading/clock.h"
#include "recording_fixture.h"
#include "x_test_window.h"

namespace quickrec::testing {
namespace {

using namespace kvp::av;

class MediaRecordingTest : public RecordingFixture {
 protected:
  void SetUp() override {
    StartEngine();
    ASSERT_TRUE(scene_.Open(xvfb_.name(), 0, 0, kWidth, kHeight));
    engine_->GetVideoCapture()->AddVideoSource({VideoSourceKind::kScreen, "", 0});
    engine_->GetVideoCapture()->AddVideoSource({VideoSourceKind::kCamera, kTestCameraId, 0});
  }

  size_t SegmentStarts(const std::vector<RawIndexRecord>& records) {
    return std::count_if(records.begin(), records.end(),
                         [](const RawIndexRecord& r) { return (r.flags & kRawFlagSegmentStart) != 0; });
  }

  XTestWindow scene_;
};

TEST_F(MediaRecordingTest, ThreeSecondsOfScreenMatchTheRecordedTime) {
  ASSERT_EQ(kOk, engine_->GetVideoCapture()->BeginScreenCapture());
  const int64_t recorded = RecordFor(3000, kRecordModeScreen);
  ASSERT_EQ(kOk, recorder()->Finalize());
  ExpectStreamsMatch(recorded);

  RawStreamReader video;
  ASSERT_TRUE(video.Open(files()[0]));
  EXPECT_EQ(1u, SegmentStarts(video.records()));
  const auto frames = observer_.frames();
  EXPECT_EQ(video.records().size(), frames.size());
  EXPECT_TRUE(std::all_of(frames.begin(), frames.end(), [](const VideoFrameInfo& f) {
    return f.content == kFrameHasScreen && f.write_ms >= f.capture_ms && f.width == kWidth;
  }));
  // The box moves in every frame the scene paints; a capture that stopped following the screen
  // would repeat one picture.
  EXPECT_GE(DistinctPictures(files()[0]), 10);
}

TEST_F(MediaRecordingTest, ThreeSecondsOfTheSyntheticCamera) {
  const int64_t recorded = RecordFor(3000, kRecordModeCamera);
  ASSERT_EQ(kOk, recorder()->Finalize());
  ExpectStreamsMatch(recorded);
  const auto frames = observer_.frames();
  ASSERT_FALSE(frames.empty());
  // The camera delivers its first picture a little after the start; from then on every frame
  // shows it, and none shows the screen.
  EXPECT_EQ(kFrameHasCamera, frames.back().content);
  EXPECT_TRUE(std::none_of(frames.begin(), frames.end(), [](const VideoFrameInfo& f) { return f.content & kFrameHasScreen; }));
}

TEST_F(MediaRecordingTest, ThreeSecondsOfScreenWithTheCameraHead) {
  const int64_t recorded = RecordFor(3000, kRecordModeScreenAndCamera);
  ASSERT_EQ(kOk, recorder()->Finalize());
  ExpectStreamsMatch(recorded);
  const auto frames = observer_.frames();
  ASSERT_FALSE(frames.empty());
  EXPECT_EQ(kFrameHasScreen | kFrameHasCamera, frames.back().content);
}

TEST_F(MediaRecordingTest, PauseAndResumeLeaveNoGapOnTheTimeline) {
  const int64_t first = RecordFor(1500, kRecordModeScreen);
  EXPECT_FALSE(recorder()->IsRecording());
  const int64_t paused_at = recorder()->RecordedUs();
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  EXPECT_EQ(paused_at, recorder()->RecordedUs()) << "the timeline stands still while paused";
  const int64_t second = RecordFor(1500, kRecordModeScreen);
  ASSERT_EQ(kOk, recorder()->Finalize());
  ExpectStreamsMatch(first + second);

  RawStreamReader video;
  ASSERT_TRUE(video.Open(files()[0]));
  EXPECT_EQ(2u, SegmentStarts(video.records()));
  // The resumed segment starts with a key frame right where the first one ended.
  const auto& records = video.records();
  for (size_t i = 1; i < records.size(); ++i) {
    if (records[i].flags & kRawFlagSegmentStart) {
      EXPECT_TRUE(records[i].flags & kRawFlagKeyFrame);
      EXPECT_EQ(records[i - 1].end_us(), records[i].pts_us);
      EXPECT_NEAR(first, records[i].pts_us / 1000, 100);
    }
  }
}

TEST_F(MediaRecordingTest, StartingAgainAfterFinaliseAppendsToTheFiles) {
  const int64_t first = RecordFor(1000, kRecordModeScreen);
  ASSERT_EQ(kOk, recorder()->Finalize());
  ASSERT_EQ(kOk, recorder()->EnableRecording(true, {}, files(), config_, false, kRecordModeScreen));
  const int64_t started = base::clock::SteadyMs();
  EXPECT_NEAR(first, recorder()->RecordedUs() / 1000, 100) << "the timeline goes on from the files";
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  const int64_t second = base::clock::SteadyMs() - started;
  ASSERT_EQ(kOk, recorder()->EnableRecording(false, {}, {}, config_, false, kRecordModeNone));

  RawStreamReader video;
  ASSERT_TRUE(video.Open(files()[0]));
  const auto& records = video.records();
  EXPECT_TRUE(TimestampsOrdered(records));
  EXPECT_EQ(2u, SegmentStarts(records));
  for (size_t i = 1; i < records.size(); ++i) {
    // Appending goes on from the later end of the two streams: the audio ran a few tens of
    // milliseconds longer than the video.
    if (records[i].flags & kRawFlagSegmentStart) {
      EXPECT_LE(records[i].pts_us, records[i - 1].end_us() + 50'000);
    }
  }
  EXPECT_NEAR(first + second, video.EndUs() / 1000, 100);
  EXPECT_EQ(static_cast<int64_t>(records.size()), ProbeH264(files()[0]).count);
}

TEST_F(MediaRecordingTest, FrameRateFollowsTheScreenCaptureConfigWhileRecording) {
  ASSERT_EQ(kOk, recorder()->EnableRecording(true, {}, files(), config_, false, kRecordModeScreen));
  const int64_t started = base::clock::SteadyMs();
  EXPECT_EQ(30, engine_->GetVideoCapture()->CurrentFrameRate());
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  ASSERT_EQ(kOk, engine_->GetVideoCapture()->SetScreenCaptureConfig({kWidth, kHeight, 15}));
  EXPECT_EQ(15, engine_->GetVideoCapture()->CurrentFrameRate());
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  const int64_t recorded = base::clock::SteadyMs() - started;
  ASSERT_EQ(kOk, recorder()->EnableRecording(false, {}, {}, config_, true, kRecordModeNone));
  ASSERT_EQ(kOk, recorder()->Finalize());

  RawStreamReader video;
  ASSERT_TRUE(video.Open(files()[0]));
  EXPECT_TRUE(TimestampsOrdered(video.records()));
  EXPECT_NEAR(recorded, video.EndUs() / 1000, 100);
  // Durations are whole microseconds taken off a timeline of exact frame slots.
  EXPECT_NEAR(33'333, static_cast<double>(video.records().front().duration_us), 1);
  EXPECT_NEAR(66'667, static_cast<double>(video.records().back().duration_us), 1);
  EXPECT_EQ(0, engine_->GetVideoCapture()->CurrentFrameRate()) << "no recording after finalise";
}

TEST_F(MediaRecordingTest, CoversFromTheLastFrameAndFromAFrameCallback) {
  struct CoverOnFrame : IVideoStreamEventListener {
    void OnVideoFrame(const VideoFrameInfo& frame) override {
      if (++frames == 10) result = recorder->SaveCover(frame.image, path, &size);
    }
    IFileRecorder* recorder = nullptr;
    std::string path;
    int frames = 0;
    int32_t result = -1;
    int64_t size = 0;
  } on_frame;
  on_frame.recorder = recorder();
  on_frame.path = dir_.Child("frame.kovtc");
  engine_->AddVideoStreamListener(&on_frame);
  EXPECT_EQ(kErrNoFrame, recorder()->SaveCover(nullptr, dir_.Child("none.kovtc"), nullptr));
  ASSERT_EQ(kOk, recorder()->EnableRecording(true, {}, files(), config_, false, kRecordModeScreen));
  ASSERT_TRUE(observer_.WaitFor([](const EngineObserver& o) { return o.frames().size() >= 12; }));
  int64_t size = 0;
  EXPECT_EQ(kOk, recorder()->SaveCover(nullptr, base_ + ".kovtc", &size));
  ASSERT_EQ(kOk, recorder()->EnableRecording(false, {}, {}, config_, true, kRecordModeNone));
  engine_->RemoveVideoStreamListener(&on_frame);
  ASSERT_EQ(kOk, recorder()->Finalize());

  EXPECT_EQ(kOk, on_frame.result);
  for (const auto& [path, bytes] : {std::pair{base_ + ".kovtc", size}, std::pair{on_frame.path, on_frame.size}}) {
    std::ifstream file(path, std::ios::binary);
    std::vector<uint8_t> jpeg((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_GT(jpeg.size(), 1000u) << path;
    EXPECT_EQ(static_cast<int64_t>(jpeg.size()), bytes);
    EXPECT_EQ(0xFF, jpeg[0]);
    EXPECT_EQ(0xD8, jpeg[1]);
    const std::string probe = RunCommand("ffprobe -v error -show_entries stream=codec_name,width -of csv=p=0 '" + path + "'");
    EXPECT_EQ("mjpeg,1280\n", probe);
  }
}

TEST_F(MediaRecordingTest, MicrophoneLevelIsReportedAlsoWhileMuted) {
  ASSERT_EQ(kOk, engine_->GetAudioCapture()->EnableMicrophone(false));
  ASSERT_EQ(kOk, recorder()->EnableRecording(true, {}, files(), config_, false, kRecordModeScreen));
  // The test tone steps through four levels, a second each.
  EXPECT_TRUE(observer_.WaitFor([](const EngineObserver& o) {
    const auto volumes = o.volumes();
    return std::count_if(volumes.begin(), volumes.end(), [](int32_t v) { return v > 10; }) >= 3;
  }));
  EXPECT_GT(engine_->GetAudioCapture()->MicrophoneVolume(), -1);
  ASSERT_EQ(kOk, recorder()->EnableRecording(false, {}, {}, config_, false, kRecordModeNone));
  const auto volumes = observer_.volumes();
  EXPECT_TRUE(std::all_of(volumes.begin(), volumes.end(), [](int32_t v) { return v >= 0 && v <= 100; }));
}

TEST_F(MediaRecordingTest, CallsThatDoNotFitTheStateAreRefused) {
  EXPECT_EQ(kErrInvalidState, recorder()->EnableRecording(false, {}, {}, config_, true, kRecordModeNone));
  EXPECT_EQ(kErrInvalidState, recorder()->Finalize());
  EXPECT_EQ(kErrInvalidArgument, recorder()->EnableRecording(true, {}, files(), config_, false, 4));
  EXPECT_EQ(kErrInvalidArgument, recorder()->EnableRecording(true, {}, {files()[0]}, config_, false, 1));
  ASSERT_EQ(kOk, recorder()->EnableRecording(true, {}, files(), config_, false, kRecordModeScreen));
  EXPECT_TRUE(recorder()->IsRecording());
  EXPECT_EQ(kErrInvalidState, recorder()->EnableRecording(true, {}, files(), config_, false, kRecordModeScreen));
  EXPECT_EQ(kErrInvalidState, recorder()->Finalize());
  ASSERT_EQ(kOk, recorder()->EnableRecording(false, {}, {}, config_, true, kRecordModeNone));
  EXPECT_EQ(kOk, recorder()->EnableRecording(false, {}, {}, config_, true, kRecordModeNone)) << "pausing twice";
  const std::vector<std::string> other = {dir_.Child("other.kovtv"), dir_.Child("other.kovta")};
  EXPECT_EQ(kErrInvalidState, recorder()->EnableRecording(true, {}, other, config_, false, kRecordModeScreen));
  EXPECT_EQ(kOk, recorder()->Finalize());
  EXPECT_EQ(kOk, recorder()->EnableRecording(true, {}, other, config_, false, kRecordModeScreen));
  EXPECT_EQ(kOk, recorder()->EnableRecording(false, {}, {}, config_, false, kRecordModeNone)) << "off and close";
  EXPECT_EQ(kErrInvalidState, recorder()->Finalize());
  EXPECT_TRUE(observer_.exceptions().empty());
}

}  // namespace
}  // namespace quickrec::testing
