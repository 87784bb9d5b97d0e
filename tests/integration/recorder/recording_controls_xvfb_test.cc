// What controls a recording besides the control bar, with the real engine on an Xvfb display: the
// media configuration the host ships, the performance monitor changing the frame rate under load,
// and the global shortcuts pressed through XTest.

#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/app/global_shortcuts.h"
#include "host/app/host_app_model.h"
#include "host/app/host_application.h"
#include "host/base/threading/clock.h"
#include "host/base/logging/logger.h"
#include "host/base/threading/host_loopers.h"
#include "host/framework/module/module_service.h"
#include "host/media/stream/raw_stream_reader.h"
#include "host/sdk/plugin/plugin_registry.h"
#include "host/util/deviceinfo.h"
#include "host/util/scoped_temp_dir.h"
#include "module/quick_record/entry/quick_record_ids.h"
#include "module/quick_record/entry/quick_record_plugin_module.h"
#include "module/quick_record/model/quick_record_performance_model.h"
#include "module/quick_record/model/quick_record_recorder_model.h"
#include "module/quick_record/model/quick_record_shortcut_model.h"
#include "module/quick_record/model/quick_record_vorta_config_model.h"
#include "module/quick_record/model/recording_model_test.h"
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
  bool StartRecording() { return testing::StartRecordingThrough(*recorder_model_); }
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
  // The host's /proc reading, until the load goes away: a shared test machine cannot make its own
  // load go away, so from then on the samples say the system is nearly idle.
  std::atomic<bool> load_gone{false};
  auto read_cpu = [&load_gone](double* app, double* sys) {
    if (!util::deviceinfo::GetCpuRates(app, sys)) return false;
    if (load_gone) *sys = 5;
    return true;
  };
  auto monitor = std::make_shared<QuickRecordPerformanceModel>(recorder_model_, std::make_shared<SessionStandIn>(), read_cpu);
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

  load_gone = true;
  app_->ApplyConfig(Config(R"({"switch": true, "sys_free": 100, "upgrade_time": 4, "degrade_30_levels": [20]})"));
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

// Presses keys on the display as a user would, through XTest.
class KeyPresser {
 public:
  KeyPresser() : connection_(xcb_connect(nullptr, nullptr)) {}
  ~KeyPresser() { xcb_disconnect(connection_); }
  bool ok() const { return !xcb_connection_has_error(connection_); }
  // Holds Ctrl and Alt, taps `keysym`, lets go.
  void CtrlAlt(uint32_t keysym) {
    const uint8_t keys[] = {host::app::KeycodeForKeysym(connection_, 0xffe3), host::app::KeycodeForKeysym(connection_, 0xffe9),
                            host::app::KeycodeForKeysym(connection_, keysym)};
    for (uint8_t key : keys) xcb_test_fake_input(connection_, XCB_KEY_PRESS, key, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    for (int i = 2; i >= 0; --i) xcb_test_fake_input(connection_, XCB_KEY_RELEASE, keys[i], XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_flush(connection_);
  }
  xcb_connection_t* connection() const { return connection_; }

 private:
  xcb_connection_t* connection_;
};

TEST_F(RecordingControlsXvfbTest, ShortcutKeysStartPauseResumeAndStopARecording) {
  auto host_app = std::dynamic_pointer_cast<host::app::HostAppModel>(
      framework::module::GetAppModuleModel(host::app::kHostAppModelId));
  ASSERT_TRUE(host_app && host_app->EnableGlobalShortcuts());
  Variant bindings;
  ASSERT_TRUE(host_app->Call(host::app::kHostAppGetShortcutBindings, Variant(), &bindings));
  ASSERT_EQ(bindings.AsArray().size(), 2u);
  for (const auto& binding : bindings.AsArray()) EXPECT_TRUE(binding.GetBool("grabbed")) << binding.ToJson();

  auto shortcuts = std::make_shared<QuickRecordShortcutModel>();
  shortcuts->Init();
  // What the pages do with the shortcut model's requests.
  std::vector<int32_t> requests;
  auto act = [&](int32_t request, int32_t method, Variant args) {
    shortcuts->Subscribe(request, subscriber_, [&, request, method, args](int32_t, const Variant&) {
      requests.push_back(request);
      recorder_model_->Call(method, args, nullptr);
    });
  };
  Variant flags = Variant::MakeMap();
  flags.Set("record_flags", kRecordFlagScreen);
  act(QuickRecordShortcutModel::kEventStartRequested, QuickRecordRecorderModel::kInvokeFuncStartRecord, flags);
  act(QuickRecordShortcutModel::kEventPauseRequested, QuickRecordRecorderModel::kInvokePauseRecord, Variant());
  act(QuickRecordShortcutModel::kEventResumeRequested, QuickRecordRecorderModel::kInvokeResumeRecord, Variant::MakeMap());
  act(QuickRecordShortcutModel::kEventStopRequested, QuickRecordRecorderModel::kInvokeStopRecord, Variant());

  KeyPresser keyboard;
  ASSERT_TRUE(keyboard.ok());
  auto state_becomes = [&](kovanisdk::plugin::RecordStateType state) {
    return RunUntil([&] { return recorder_->GetState() == state; }, 5000);
  };
  keyboard.CtrlAlt('r');
  ASSERT_TRUE(state_becomes(kovanisdk::plugin::kRecordStateRecording));
  Run(1000);
  keyboard.CtrlAlt('p');
  ASSERT_TRUE(state_becomes(kovanisdk::plugin::kRecordStatePaused));
  keyboard.CtrlAlt('p');
  ASSERT_TRUE(state_becomes(kovanisdk::plugin::kRecordStateRecording));
  Run(500);
  keyboard.CtrlAlt('r');
  ASSERT_TRUE(state_becomes(kovanisdk::plugin::kRecordStateStopped));
  EXPECT_EQ(requests, (std::vector<int32_t>{QuickRecordShortcutModel::kEventStartRequested,
                                            QuickRecordShortcutModel::kEventPauseRequested,
                                            QuickRecordShortcutModel::kEventResumeRequested,
                                            QuickRecordShortcutModel::kEventStopRequested}));
  EXPECT_GT(Frames().size(), 20u);
  shortcuts->UnInit();
  host_app->DisableGlobalShortcuts();
}

TEST_F(RecordingControlsXvfbTest, AShortcutAnotherProgramHoldsIsReportedAndTheOtherStillWorks) {
  KeyPresser other;
  ASSERT_TRUE(other.ok());
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(other.connection())).data->root;
  const uint8_t p = host::app::KeycodeForKeysym(other.connection(), 'p');
  ASSERT_EQ(xcb_request_check(other.connection(),
                              xcb_grab_key_checked(other.connection(), 1, root, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1, p,
                                                   XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)),
            nullptr);

  auto host_app = std::dynamic_pointer_cast<host::app::HostAppModel>(
      framework::module::GetAppModuleModel(host::app::kHostAppModelId));
  base::logging::ScopedLogCapture log;
  ASSERT_TRUE(host_app->EnableGlobalShortcuts());
  Variant bindings;
  ASSERT_TRUE(host_app->Call(host::app::kHostAppGetShortcutBindings, Variant(), &bindings));
  std::map<std::string, Variant> by_action;
  for (const auto& binding : bindings.AsArray()) by_action[binding.GetString("action")] = binding;
  EXPECT_TRUE(by_action["start_stop_record"].GetBool("grabbed"));
  EXPECT_FALSE(by_action["pause_resume_record"].GetBool("grabbed"));
  EXPECT_EQ(by_action["pause_resume_record"].GetString("error"), "\"Ctrl+Alt+P\" is already taken by another program");
  EXPECT_TRUE(log.Contains("global shortcut pause_resume_record not available: \"Ctrl+Alt+P\" is already taken"));

  int presses = 0;
  host_app->Subscribe(host::app::kHostAppShortcutStartStopRecordEvent, subscriber_, [&](int32_t, const Variant&) { ++presses; });
  other.CtrlAlt('r');
  EXPECT_TRUE(RunUntil([&] { return presses == 1; }, 5000));
  host_app->DisableGlobalShortcuts();
}

}  // namespace
}  // namespace quick_record
