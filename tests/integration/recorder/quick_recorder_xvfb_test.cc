// The recorder service with the real engine: capture from an Xvfb screen, pause and resume, and
// the files it leaves behind.

#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>

#include <gtest/gtest.h>

#include "host/app/host_application.h"
#include "host/base/threading/clock.h"
#include "host/base/threading/host_loopers.h"
#include "host/media/stream/muxer_media_info.h"
#include "host/util/file.h"
#include "host/util/scoped_temp_dir.h"
#include "module/quick_record/recorder/quick_recorder_impl.h"
#include "xvfb_display.h"

namespace quick_record {
namespace {

using kovanisdk::plugin::RecordStateType;

class StateListener : public IQuickRecordListener {
 public:
  void OnRecordStateChanged(RecordStateType state, bool) override { states.push_back(state); }
  void OnRecordError(int32_t operate_type, int32_t result, const std::string& message) override {
    ADD_FAILURE() << "recorder error " << operate_type << " " << result << " " << message;
  }
  void OnRecorderEvent(int32_t event, void* data) override {
    if (event == kRecorderEventNeedSavePath) *static_cast<bool*>(data) = true;
  }
  void OnRecorderNotice(int32_t, const std::string&) override {}
  std::vector<RecordStateType> states;
};

class DirectoryContext : public kovanisdk::IRecordContext {
 public:
  explicit DirectoryContext(std::string dir) : dir_(std::move(dir)) {}
  void FillRecordConfig(kovanisdk::RecordConfig* config) override {
    config->save_dir = dir_;
    config->screen_width = 1280;
    config->screen_height = 720;
    config->screen_fps = 30;
  }
  base::variant::Variant GetRecordLayoutInfo() override { return {}; }

 private:
  std::string dir_;
};

int64_t FileDurationMs(const std::string& path) {
  muxer_param* info = muxer_media_info(path.c_str());
  const int64_t duration = muxer_param_get_int32(info, "duration", -1);
  muxer_param_free(info);
  return duration;
}

class QuickRecorderXvfbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(display_.Start(1280, 720)) << display_.error();
    setenv("DISPLAY", display_.name().c_str(), 1);
  }
  // Lets the loopers run for `ms` of steady time.
  void Run(int64_t ms) { RunUntil([until = base::clock::SteadyMs() + ms] { return base::clock::SteadyMs() >= until; }); }
  void RunUntil(const std::function<bool()>& done) { ASSERT_TRUE(loopers_->RunMainLoopUntil(done, 10000)); }

  quickrec::testing::XvfbDisplay display_;
  util::file::ScopedTempDir dir_;
  std::unique_ptr<base::threading::HostLoopers> loopers_ = std::make_unique<base::threading::HostLoopers>();
  host::app::HostApplication app_;
};

TEST_F(QuickRecorderXvfbTest, RecordPauseResumeStopLeavesFilesOfTheRecordedLength) {
  auto recorder = std::make_shared<QuickRecorderImpl>();
  StateListener listener;
  DirectoryContext context(dir_.path());
  recorder->listener = &listener;
  QuickRecordStartParams params;
  params.record_flags = kRecordFlagScreen;

  // Each segment runs until the recorder's own clock says 2 s more are recorded; the wall time
  // of the calls that bracket the segments bounds what it may count.
  int64_t inside_ms = 0;   // steady time certainly inside a segment
  int64_t outside_ms = 0;  // steady time from before each start to after its pause or stop
  auto segment = [&](int64_t until_recorded_ms, auto&& end) {
    const int64_t recorded_before = recorder->GetRecordTotalTime();
    const int64_t before_start = base::clock::SteadyMs();
    ASSERT_TRUE(recorder->Start(&context, params));
    const int64_t started = base::clock::SteadyMs();
    RunUntil([&] { return recorder->GetRecordedDuration() >= until_recorded_ms; });
    const int64_t ending = base::clock::SteadyMs();
    EXPECT_EQ(recorder->GetRecordTotalTime(), recorded_before) << "the running segment is not counted";
    end();
    inside_ms += ending - started;
    outside_ms += base::clock::SteadyMs() - before_start;
  };
  segment(2000, [&] { ASSERT_TRUE(recorder->Pause()); });
  Run(1000);
  uint64_t frames = 0;
  std::map<int32_t, uint64_t> late;
  segment(4000, [&] {
    frames = recorder->total_frames();
    late = recorder->late_frame_counts();
    ASSERT_TRUE(recorder->Stop());
  });
  recorder->listener = nullptr;

  EXPECT_EQ(listener.states, (std::vector<RecordStateType>{kovanisdk::plugin::kRecordStateRecording,
                                                           kovanisdk::plugin::kRecordStatePaused,
                                                           kovanisdk::plugin::kRecordStateRecording,
                                                           kovanisdk::plugin::kRecordStateStopped}));
  const int64_t recorded = recorder->GetRecordTotalTime();
  EXPECT_NEAR(recorded, 4000, 100);
  EXPECT_GE(recorded, inside_ms);
  EXPECT_LE(recorded, outside_ms);

  ASSERT_TRUE(util::file::IsFileExist(recorder->video_path()));
  ASSERT_TRUE(util::file::IsFileExist(recorder->audio_path()));
  ASSERT_TRUE(util::file::IsFileExist(recorder->cover_path()));
  std::ifstream cover(recorder->cover_path(), std::ios::binary);
  unsigned char magic[2] = {};
  cover.read(reinterpret_cast<char*>(magic), 2);
  EXPECT_TRUE(magic[0] == 0xFF && magic[1] == 0xD8) << "the cover is not a JPEG";

  const int64_t video_ms = FileDurationMs(recorder->video_path());
  const int64_t audio_ms = FileDurationMs(recorder->audio_path());
  EXPECT_NEAR(video_ms, recorded, 100);
  EXPECT_NEAR(audio_ms, recorded, 100);

  const double average_fps = frames * 1000.0 / recorded;
  std::cout << "frames " << frames << ", late 20% " << late.at(20) << ", 50% " << late.at(50) << ", 100% "
            << late.at(100) << ", average fps " << average_fps << ", recorded " << recorded << " ms, video "
            << video_ms << " ms, audio " << audio_ms << " ms\n";
  EXPECT_GT(frames, 0u);
}

}  // namespace
}  // namespace quick_record
