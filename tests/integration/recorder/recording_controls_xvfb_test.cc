// What controls a recording besides the control bar, with the real engine on an Xvfb display: the
// media configuration the host ships and the performance monitor changing the frame rate under load.

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/app/host_application.h"
#include "host/base/threading/clock.h"
#include "host/base/threading/host_loopers.h"
#include "host/media/stream/raw_stream_reader.h"
#include "host/sdk/plugin/plugin_registry.h"
#include "host/util/scoped_temp_dir.h"
#include "module/quick_record/entry/quick_record_ids.h"
#include "module/quick_record/entry/quick_record_plugin_module.h"
#include "module/quick_record/model/quick_record_performance_model.h"
#include "module/quick_record/model/quick_record_recorder_model.h"
#include "module/quick_record/model/quick_record_vorta_config_model.h"
#include "module/quick_record/recorder/quick_recorder_impl.h"
#include "xvfb_display.h"

namespace quick_record {
namespace {

using base::variant::Variant;

// Stands in for the session model, whose events the performance monitor also follows.
class SessionStandIn : public framework::ModelImpl {
 public:
  SessionStandIn() : framework::ModelImpl(model_id::kQuickRecordModel) {}
};

class RecordingControlsXvfbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(display_.Start(1280, 720)) << display_.error();
    setenv("DISPLAY", display_.name().c_str(), 1);
    app_ = std::make_unique<host::app::HostApplication>(Config(R"({"degrade_30_levels": [20]})"));
    app_->user_config()->Set(QuickRecordRecorderModel::kSavePathKey, dir_.path());
    kovanisdk::plugin::RegisterPluginModule(kPluginModuleId, new QuickRecordPluginModuleBuilder);
    ASSERT_TRUE(kovanisdk::plugin::QueryPluginInterface(kPluginModuleId, kRecorderPluginName, &recorder_));
    recorder_model_ = std::make_shared<QuickRecordRecorderModel>();
    recorder_model_->Init();
    recorder_model_->Subscribe(QuickRecordRecorderModel::kEventRecordError, subscriber_, [](int32_t, const Variant& e) {
      ADD_FAILURE() << "recorder error " << e.ToJson();
    });
  }
  void TearDown() override {
    if (recorder_ && recorder_->GetState() != kovanisdk::plugin::kRecordStateStopped) recorder_->Stop();
    if (recorder_model_) recorder_model_->UnInit();
    recorder_model_.reset();
    recorder_.reset();
    kovanisdk::plugin::UnregisterPluginModule(kPluginModuleId);
    app_.reset();
  }

  // A host configuration with the monitor's rule.
  static host::app::HostConfig Config(const std::string& alert_rule) {
    host::app::HostConfig config;
    Variant ability = Variant::MakeMap();
    ability.Set(PerformanceAlertConfig::kKey, alert_rule);
    config.sections.Set("quick_record_ability", ability);
    return config;
  }
  bool RunUntil(const std::function<bool()>& done, int64_t timeout_ms) { return loopers_->RunMainLoopUntil(done, timeout_ms); }
  void Run(int64_t ms) {
    const int64_t until = base::clock::SteadyMs() + ms;
    RunUntil([&] { return base::clock::SteadyMs() >= until; }, ms + 1000);
  }
  bool StartRecording() {
    Variant args = Variant::MakeMap();
    args.Set("record_flags", kRecordFlagScreen);
    Variant started;
    recorder_model_->Call(QuickRecordRecorderModel::kInvokeFuncStartRecord, args, &started);
    return started.AsBool();
  }
  std::vector<kvp::av::RawIndexRecord> Frames() const {
    kvp::av::RawStreamReader reader;
    if (!reader.Open(recorder_->video_path())) return {};
    return reader.records();
  }

  quickrec::testing::XvfbDisplay display_;
  util::file::ScopedTempDir dir_;
  std::unique_ptr<base::threading::HostLoopers> loopers_ = std::make_unique<base::threading::HostLoopers>();
  std::unique_ptr<host::app::HostApplication> app_;
  const framework::SubscriberId subscriber_ = framework::NewSubscriberId();
  std::shared_ptr<QuickRecorderImpl> recorder_;
  std::shared_ptr<QuickRecordRecorderModel> recorder_model_;
};


// The median gap between frames whose timestamps lie in [from_us, to_us).
int64_t MedianFrameGapUs(const std::vector<kvp::av::RawIndexRecord>& frames, int64_t from_us, int64_t to_us) {
  std::vector<int64_t> gaps;
  for (size_t i = 1; i < frames.size(); ++i) {
    if (frames[i - 1].pts_us >= from_us && frames[i].pts_us < to_us) gaps.push_back(frames[i].pts_us - frames[i - 1].pts_us);
  }
  if (gaps.empty()) return 0;
  std::nth_element(gaps.begin(), gaps.begin() + gaps.size() / 2, gaps.end());
  return gaps[gaps.size() / 2];
}

TEST_F(RecordingControlsXvfbTest, TheShippedMediaConfigurationChoosesTheEncoderSettings) {
  auto vorta = std::make_shared<QuickRecordVortaConfigModel>();
  vorta->Init();  // as at activation: points the media configuration at the host's file
  recorder_->SetupScreenCaptureConfig(1280, 720, 30);
  ASSERT_TRUE(StartRecording());
  Run(1500);
  ASSERT_TRUE(recorder_->Stop());
  vorta->UnInit();

  const auto frames = Frames();
  ASSERT_FALSE(frames.empty());
  kvp::av::RawStreamReader reader;
  ASSERT_TRUE(reader.Open(recorder_->video_path()));
  std::vector<uint8_t> first;
  ASSERT_TRUE(reader.ReadFrame(0, &first));
  // libx264 writes the options it encodes with into the first key frame.
  const std::string text(first.begin(), first.end());
  const auto options = text.find("options: ");
  ASSERT_NE(options, std::string::npos);
  const std::string settings = text.substr(options, text.find('\0', options) - options);
  // The file's "screen-720p" preset: CRF 24 (the engine's own default is 23), CABAC, 60-frame GOP.
  EXPECT_NE(settings.find(" crf=24.0 "), std::string::npos) << settings;
  EXPECT_NE(settings.find("cabac=1 "), std::string::npos) << settings;
  EXPECT_NE(settings.find(" keyint=60 "), std::string::npos) << settings;
  // Its CPU power class for 720 lines at 30 fps.
  EXPECT_EQ(recorder_->GetStatistics().at("vorta_cpu_power"), "1");
}

TEST_F(RecordingControlsXvfbTest, ABusyMachineLowersTheFrameRateAndItComesBackWhenTheLoadIsGone) {
  // A machine counts as busy above 1 % system CPU: every machine that records is.
  app_->ApplyConfig(Config(R"({"switch": true, "sys_busy": 1, "degrade_30_levels": [20]})"));
  auto monitor = std::make_shared<QuickRecordPerformanceModel>(recorder_model_, std::make_shared<SessionStandIn>());
  monitor->Init();
  std::vector<std::pair<int64_t, Variant>> changes;  // steady ms, payload
  monitor->Subscribe(QuickRecordPerformanceModel::kEventHdBusy, subscriber_, [&](int32_t, const Variant& p) {
    if (p["expand"].GetString("type") != "app_busy") changes.emplace_back(base::clock::SteadyMs(), p);
  });
  recorder_->SetupScreenCaptureConfig(1280, 720, 30);
  const int64_t start = base::clock::SteadyMs();
  ASSERT_TRUE(StartRecording());
  ASSERT_TRUE(RunUntil([&] { return !changes.empty(); }, 14'000));
  const int64_t degraded_ms = changes[0].first - start;
  EXPECT_EQ(changes[0].second["expand"].GetInt32("new_fps"), 20);
  // Four samples two seconds apart: the decision comes with the fourth.
  EXPECT_GE(degraded_ms, 7900);
  EXPECT_LE(degraded_ms, 10'000);
  Run(4000);

  // The load is gone as far as the rule can tell: nothing is busy above 100 %, all is free below it.
  app_->ApplyConfig(Config(R"({"switch": true, "sys_busy": 100, "sys_free": 100, "upgrade_time": 4, "degrade_30_levels": [20]})"));
  ASSERT_TRUE(RunUntil([&] { return changes.size() >= 2; }, 8000));
  const int64_t upgraded_ms = changes[1].first - start;
  EXPECT_EQ(changes[1].second["expand"].GetInt32("new_fps"), 30);
  Run(3000);
  ASSERT_TRUE(recorder_->Stop());
  monitor->UnInit();

  const auto frames = Frames();
  ASSERT_GT(frames.size(), 100u);
  const int64_t before = MedianFrameGapUs(frames, 500'000, (degraded_ms - 500) * 1000);
  const int64_t lowered = MedianFrameGapUs(frames, (degraded_ms + 500) * 1000, (upgraded_ms - 500) * 1000);
  const int64_t after = MedianFrameGapUs(frames, (upgraded_ms + 500) * 1000, INT64_MAX);
  std::cout << "frame gaps (us): before " << before << ", lowered " << lowered << ", after " << after
            << "; degraded at " << degraded_ms << " ms, upgraded at " << upgraded_ms << " ms\n";
  EXPECT_NEAR(before, 33'333, 1500);
  EXPECT_NEAR(lowered, 50'000, 1500);
  EXPECT_NEAR(after, 33'333, 1500);
  int32_t fps = 0;
  recorder_->GetScreenCaptureConfig(nullptr, nullptr, &fps);
  EXPECT_EQ(fps, 30) << "the next recording starts at the rate the settings chose";
}

}  // namespace
}  // namespace quick_record
