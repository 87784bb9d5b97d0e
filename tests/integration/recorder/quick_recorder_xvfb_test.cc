// The recorder service with the real engine: capture from an Xvfb screen, pause and resume, and
// the files it leaves behind.

#include <cstdlib>
#include <fstream>
#include <iostream>

#include <gtest/gtest.h>

#include "host/app/host_application.h"
#include "host/base/threading/clock.h"
#include "host/base/threading/host_loopers.h"
#include "host/media/muxer_media_info.h"
#include "host/util/file.h"
#include "host/util/scoped_temp_dir.h"
#include "module/quick_record/service/quick_recorder_impl.h"
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
  void Run(int64_t ms) {
    const int64_t until = base::clock::SteadyMs() + ms;
    loopers_->RunMainLoopUntil([until] { return base::clock::SteadyMs() >= until; }, ms + 5000);
  }

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

  auto timed = [](auto&& call) {
    const int64_t before = base::clock::SteadyMs();
    call();
    return base::clock::SteadyMs() - before;
  };
  std::cout << "start " << timed([&] { ASSERT_TRUE(recorder->Start(&context, params)); });
  std::cout << " run " << timed([&] { Run(2000); });
  std::cout << " pause " << timed([&] { ASSERT_TRUE(recorder->Pause()); });
  Run(1000);
  std::cout << " resume " << timed([&] { ASSERT_TRUE(recorder->Start(&context, params)); });
  std::cout << " run " << timed([&] { Run(2000); });
  const uint64_t frames = recorder->total_frames();
  const auto late = recorder->late_frame_counts();
  std::cout << " stop " << timed([&] { ASSERT_TRUE(recorder->Stop()); }) << "\n";
  recorder->listener = nullptr;

  EXPECT_EQ(listener.states, (std::vector<RecordStateType>{kovanisdk::plugin::kRecordStateRecording,
                                                           kovanisdk::plugin::kRecordStatePaused,
                                                           kovanisdk::plugin::kRecordStateRecording,
                                                           kovanisdk::plugin::kRecordStateStopped}));
  const int64_t recorded = recorder->GetRecordTotalTime();
  EXPECT_NEAR(recorded, 4000, 100);

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
