#include "module/quick_record/recorder/quick_recorder_impl.h"

#include <atomic>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>

#include "host/base/analytics/analytics.h"
#include "host/base/logging/logger.h"
#include "host/base/threading/test_task_environment.h"
#include "host/media/testing/fake_media_engine.h"
#include "host/sdk/service/device_service.h"
#include "host/util/scoped_temp_dir.h"

namespace quick_record {
namespace {

using kovanisdk::plugin::RecordStateType;
using kvp::av::testing::FakeMediaEngine;

constexpr int64_t kPlentyOfSpace = int64_t{10} << 30;

struct RecordedError {
  int32_t operate_type;
  int32_t result;
  std::string message;
  bool operator==(const RecordedError&) const = default;
};

class TestListener : public IQuickRecordListener {
 public:
  void OnRecordStateChanged(RecordStateType state, bool flag) override {
    states.push_back(state);
    EXPECT_TRUE(flag);
  }
  void OnRecordError(int32_t operate_type, int32_t result, const std::string& message) override {
    errors.push_back({operate_type, result, message});
  }
  void OnRecorderEvent(int32_t event, void* data) override {
    events.push_back(event);
    if (event == kRecorderEventNeedSavePath) *static_cast<bool*>(data) = has_save_path;
    if (event == kRecorderEventStarted) started = *static_cast<RecorderStartedData*>(data);
    if (event == kRecorderEventFilesClosed) files = *static_cast<RecorderFilesData*>(data);
  }
  void OnRecorderNotice(int32_t, const std::string&) override {}

  bool has_save_path = true;
  std::vector<RecordStateType> states;
  std::vector<RecordedError> errors;
  std::vector<int32_t> events;
  RecorderStartedData started;
  RecorderFilesData files;
};

class TestContext : public kovanisdk::IRecordContext {
 public:
  void FillRecordConfig(kovanisdk::RecordConfig* out) override {
    ++fills;
    *out = config;
  }
  base::variant::Variant GetRecordLayoutInfo() override { return {}; }
  kovanisdk::RecordConfig config;
  int fills = 0;
};

class QuickRecorderImplTest : public ::testing::Test {
 protected:
  void SetUp() override {
    context_.config.save_dir = dir_.path();
    recorder_->listener = &listener_;
    recorder_->SetDiskSpaceProbeForTesting([this](const std::string&) { return free_bytes_; });
  }
  void TearDown() override {
    if (recorder_) recorder_->listener = nullptr;
  }

  QuickRecordStartParams Params(uint32_t flags, bool full_hd = true) {
    QuickRecordStartParams params;
    params.record_flags = flags;
    params.support_full_hd = full_hd;
    return params;
  }
  bool Start(uint32_t flags = kRecordFlagScreen, bool full_hd = true) { return recorder_->Start(&context_, Params(flags, full_hd)); }
  kvp::av::VideoFrameInfo Frame(int64_t write_ms, uint32_t content = kvp::av::kFrameHasScreen) {
    kvp::av::VideoFrameInfo frame;
    frame.write_ms = write_ms;
    frame.content = content;
    return frame;
  }

  base::test::TestTaskEnvironment env_;
  FakeMediaEngine engine_;
  util::file::ScopedTempDir dir_;
  TestListener listener_;
  TestContext context_;
  int64_t free_bytes_ = kPlentyOfSpace;
  std::shared_ptr<QuickRecorderImpl> recorder_ = std::make_shared<QuickRecorderImpl>();
};

TEST_F(QuickRecorderImplTest, StartAsksForTheSavePathAndRecordsIntoIt) {
  ASSERT_TRUE(Start(kRecordFlagScreen));
  EXPECT_EQ(recorder_->GetState(), kovanisdk::plugin::kRecordStateRecording);
  EXPECT_EQ(listener_.states, (std::vector<RecordStateType>{kovanisdk::plugin::kRecordStateRecording}));
  EXPECT_EQ(listener_.events, (std::vector<int32_t>{kRecorderEventNeedSavePath, kRecorderEventStarted, kRecorderEventRunning}));
  ASSERT_EQ(engine_.enable_calls.size(), 1u);
  const auto& call = engine_.enable_calls[0];
  EXPECT_TRUE(call.on);
  EXPECT_FALSE(call.hold_files);
  EXPECT_EQ(call.mode, kvp::av::kRecordModeScreen);
  const std::string base = dir_.path() + "/double_click_to_convert_quick_record";
  EXPECT_EQ(call.files, (std::vector<std::string>{base + ".kovtv", base + ".kovta"}));
  EXPECT_EQ(recorder_->cover_path(), base + ".kovtc");
  EXPECT_EQ(call.config.width, 1920);
  EXPECT_EQ(call.config.height, 1080);
  EXPECT_EQ(call.config.fps, 30);
  EXPECT_EQ(engine_.begin_calls, 1);
  EXPECT_EQ(engine_.audio_processing[kvp::av::kAudioEnhancedPreprocess], 1);
  EXPECT_EQ(engine_.audio_processing[kvp::av::kAudioSuperWideband], 1);
  EXPECT_EQ(engine_.audio_processing[kvp::av::kAudioSendAttenuation], 0);
  EXPECT_EQ(listener_.started.record_flags, kRecordFlagScreen);
  EXPECT_EQ(listener_.started.width, 1920);
  EXPECT_FALSE(listener_.started.window_capture);
  std::vector<std::string> bases;
  recorder_->GetBasePaths(&bases);
  EXPECT_EQ(bases, (std::vector<std::string>{base}));
  recorder_->ClearBasePaths();
  bases.clear();
  recorder_->GetBasePaths(&bases);
  EXPECT_TRUE(bases.empty());
}

TEST_F(QuickRecorderImplTest, OperationsInTheWrongStateAreRefusedAndChangeNothing) {
  EXPECT_FALSE(recorder_->Pause());
  EXPECT_FALSE(recorder_->Stop());
  ASSERT_TRUE(Start());
  EXPECT_FALSE(Start());
  EXPECT_EQ(engine_.enable_calls.size(), 1u);
  ASSERT_TRUE(recorder_->Pause());
  EXPECT_FALSE(recorder_->Pause());
  EXPECT_EQ(listener_.states.size(), 2u);
  ASSERT_TRUE(recorder_->Stop());
  EXPECT_FALSE(recorder_->Stop());
  EXPECT_EQ(listener_.states, (std::vector<RecordStateType>{kovanisdk::plugin::kRecordStateRecording, kovanisdk::plugin::kRecordStatePaused,
                                                            kovanisdk::plugin::kRecordStateStopped}));
  EXPECT_TRUE(listener_.errors.empty());
}

TEST_F(QuickRecorderImplTest, ResumeKeepsTheFilesAndDoesNotAskForTheSavePathAgain) {
  ASSERT_TRUE(Start(kRecordFlagScreen | kRecordFlagCamera));
  ASSERT_TRUE(recorder_->Pause());
  context_.config.save_dir = "/somewhere/else";
  ASSERT_TRUE(recorder_->Start(&context_, Params(kRecordFlagScreen)));  // the flags of a resume are ignored
  EXPECT_EQ(std::count(listener_.events.begin(), listener_.events.end(), kRecorderEventNeedSavePath), 1);
  EXPECT_EQ(context_.fills, 1);
  ASSERT_EQ(engine_.enable_calls.size(), 3u);
  EXPECT_TRUE(engine_.enable_calls[1].hold_files);  // the pause kept the files open
  EXPECT_EQ(engine_.enable_calls[2].files, engine_.enable_calls[0].files);
  EXPECT_EQ(engine_.enable_calls[2].mode, kvp::av::kRecordModeScreenAndCamera);
  std::vector<std::string> bases;
  recorder_->GetBasePaths(&bases);
  EXPECT_EQ(bases.size(), 1u);
}

TEST_F(QuickRecorderImplTest, WithoutASavePathTheStartFails) {
  listener_.has_save_path = false;
  EXPECT_FALSE(Start());
  EXPECT_EQ(listener_.errors, (std::vector<RecordedError>{{0, -3, "save path not found."}}));
  EXPECT_TRUE(engine_.enable_calls.empty());
  EXPECT_EQ(recorder_->GetState(), kovanisdk::plugin::kRecordStateStopped);
}

TEST_F(QuickRecorderImplTest, ExactlyFiveHundredMebibytesFreeIsNotEnough) {
  free_bytes_ = 524'288'000;
  EXPECT_FALSE(Start());
  EXPECT_EQ(listener_.errors, (std::vector<RecordedError>{{2, -9, "not enough disk space"}}));
  EXPECT_TRUE(engine_.enable_calls.empty());
  free_bytes_ = 524'288'001;
  EXPECT_TRUE(Start());
}

TEST_F(QuickRecorderImplTest, AMissingSaveDirectoryFailsTheDiskCheck) {
  context_.config.save_dir = dir_.path() + "/gone";
  base::logging::ScopedLogCapture log;
  EXPECT_FALSE(Start());
  EXPECT_TRUE(log.Contains("[QUICK RECORD] path not exist. path:"));
  EXPECT_EQ(listener_.errors.back(), (RecordedError{2, -9, "not enough disk space"}));
}

TEST_F(QuickRecorderImplTest, ThePeriodicDiskCheckStopsTheRecordingOnceTheDiskFills) {
  ASSERT_TRUE(Start());
  env_.FastForwardBy(60'000);
  EXPECT_EQ(recorder_->GetState(), kovanisdk::plugin::kRecordStateRecording);
  free_bytes_ = 100;
  env_.FastForwardBy(60'000);
  EXPECT_EQ(recorder_->GetState(), kovanisdk::plugin::kRecordStateStopped);
  EXPECT_EQ(listener_.errors, (std::vector<RecordedError>{{2, -12, "not enough disk space"}}));
  EXPECT_EQ(engine_.finalize_calls, 1);
  env_.FastForwardBy(10 * 60'000);
  EXPECT_EQ(listener_.errors.size(), 1u);  // the timer stopped with the recording
}

TEST_F(QuickRecorderImplTest, PausingStopsTheDiskCheck) {
  ASSERT_TRUE(Start());
  ASSERT_TRUE(recorder_->Pause());
  free_bytes_ = 0;
  env_.FastForwardBy(5 * 60'000);
  EXPECT_TRUE(listener_.errors.empty());
  EXPECT_EQ(recorder_->GetState(), kovanisdk::plugin::kRecordStatePaused);
}

TEST_F(QuickRecorderImplTest, OutputSizeAndRateFollowTheRecordedSource) {
  context_.config.screen_width = 2560;
  context_.config.screen_height = 1440;
  context_.config.screen_fps = 24;
  context_.config.camera_width = 640;
  context_.config.camera_height = 480;
  context_.config.camera_fps = 15;
  ASSERT_TRUE(Start(kRecordFlagScreen | kRecordFlagCamera));
  EXPECT_EQ(recorder_->record_config().output_width, 2560);
  EXPECT_EQ(recorder_->record_config().output_height, 1440);
  EXPECT_EQ(recorder_->record_config().frame_rate, 24u);
  ASSERT_TRUE(recorder_->Stop());

  ASSERT_TRUE(Start(kRecordFlagCamera));
  EXPECT_EQ(recorder_->record_config().output_width, 640);
  EXPECT_EQ(recorder_->record_config().frame_rate, 15u);
  EXPECT_EQ(engine_.enable_calls.back().mode, kvp::av::kRecordModeCamera);
  EXPECT_EQ(engine_.begin_calls, 1);  // camera only: no screen capture
  ASSERT_TRUE(recorder_->Stop());
}

TEST_F(QuickRecorderImplTest, WithoutRawValuesTheDefaultsDependOnFullHd) {
  ASSERT_TRUE(Start(kRecordFlagScreen, /*full_hd=*/false));
  EXPECT_EQ(recorder_->record_config().output_width, 1280);
  EXPECT_EQ(recorder_->record_config().output_height, 720);
  EXPECT_EQ(recorder_->record_config().frame_rate, 15u);
  EXPECT_FALSE(recorder_->record_config().full_hd);
}

TEST_F(QuickRecorderImplTest, LateFrameThresholdsAtFifteenFramesPerSecond) {
  context_.config.screen_fps = 15;
  ASSERT_TRUE(Start());
  EXPECT_EQ(recorder_->late_frame_thresholds(), (std::map<int32_t, int64_t>{{20, 80}, {50, 100}, {100, 133}}));
}

TEST_F(QuickRecorderImplTest, FramesAreCountedAgainstTheLateThresholds) {
  context_.config.screen_fps = 15;  // 80, 100, 133 ms
  ASSERT_TRUE(Start());
  for (int64_t write : {1000, 1066, 1150, 1260, 1400, 1467}) engine_.EmitFrame(Frame(write));
  // gaps: 66, 84 (>80), 110 (>80, >100), 140 (all three), 67
  EXPECT_EQ(recorder_->total_frames(), 6u);
  EXPECT_EQ(recorder_->late_frame_counts(), (std::map<int32_t, uint64_t>{{20, 3}, {50, 2}, {100, 1}}));
}

TEST_F(QuickRecorderImplTest, RecordedDurationIncludesTheRunningSegmentTotalTimeDoesNot) {
  ASSERT_TRUE(Start());
  env_.FastForwardBy(2000);
  EXPECT_EQ(recorder_->GetRecordTotalTime(), 0);
  EXPECT_EQ(recorder_->GetRecordedDuration(), 2000);
  ASSERT_TRUE(recorder_->Pause());
  env_.FastForwardBy(5000);
  EXPECT_EQ(recorder_->GetRecordTotalTime(), 2000);
  EXPECT_EQ(recorder_->GetRecordedDuration(), 2000);
  ASSERT_TRUE(Start());
  env_.FastForwardBy(1000);
  EXPECT_EQ(recorder_->GetRecordTotalTime(), 2000);
  EXPECT_EQ(recorder_->GetRecordedDuration(), 3000);
  ASSERT_TRUE(recorder_->Stop());
  EXPECT_EQ(recorder_->GetRecordTotalTime(), 3000);
  EXPECT_EQ(recorder_->GetStatistics().at("record_total_time"), "3000");
}

TEST_F(QuickRecorderImplTest, ANoSpaceEngineErrorStopsTheRecording) {
  ASSERT_TRUE(Start());
  engine_.EmitException(kvp::av::kErrNoSpace, "write failed");
  EXPECT_EQ(recorder_->GetState(), kovanisdk::plugin::kRecordStateStopped);
  EXPECT_EQ(listener_.errors, (std::vector<RecordedError>{{3, -12, "not enough disk space"}}));
  EXPECT_EQ(engine_.finalize_calls, 1);
}

TEST_F(QuickRecorderImplTest, OtherEngineErrorsAreUnknownAndIgnoredUnlessRecording) {
  ASSERT_TRUE(Start());
  ASSERT_TRUE(recorder_->Pause());
  engine_.EmitException(kvp::av::kErrEncode, "encoder");
  EXPECT_TRUE(listener_.errors.empty());
  ASSERT_TRUE(Start());
  engine_.EmitException(kvp::av::kErrEncode, "encoder");
  EXPECT_EQ(listener_.errors, (std::vector<RecordedError>{{3, kvp::av::kErrEncode, "unknown exception"}}));
}

TEST_F(QuickRecorderImplTest, EngineRefusalsAreReportedWithTheirOperation) {
  engine_.enable_on_result = kvp::av::kErrNoSource;
  EXPECT_FALSE(Start());
  EXPECT_EQ(listener_.errors.back(), (RecordedError{1, kvp::av::kErrNoSource, "vorta error"}));
  EXPECT_EQ(recorder_->GetState(), kovanisdk::plugin::kRecordStateStopped);

  engine_.enable_on_result = kvp::av::kOk;
  ASSERT_TRUE(Start());
  engine_.enable_off_result = kvp::av::kErrInvalidState;
  EXPECT_FALSE(recorder_->Pause());
  EXPECT_EQ(listener_.errors.back(), (RecordedError{7, kvp::av::kErrInvalidState, "vorta error"}));
  EXPECT_EQ(recorder_->GetState(), kovanisdk::plugin::kRecordStateRecording);
  EXPECT_FALSE(recorder_->Stop());
  EXPECT_EQ(listener_.errors.back(), (RecordedError{8, kvp::av::kErrInvalidState, "vorta error"}));
  EXPECT_EQ(recorder_->GetState(), kovanisdk::plugin::kRecordStateStopped);
}

TEST_F(QuickRecorderImplTest, ErrorsGoToTheHostErrorStatisticsFirst) {
  base::analytics::ScopedEventCapture events;
  listener_.has_save_path = false;
  Start();
  const auto reports = events.sink().EventsNamed("e#error_statistics#record#report");
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].properties.at("result"), "-3");
}

TEST_F(QuickRecorderImplTest, StopClosesTheFilesAndReportsTheStatistics) {
  base::analytics::ScopedEventCapture events;
  ASSERT_TRUE(Start());
  engine_.EmitFrame(Frame(100));
  engine_.EmitFrame(Frame(133, 0));  // a frame without the screen: a bad frame
  env_.FastForwardBy(2000);
  ASSERT_TRUE(recorder_->Stop());
  EXPECT_EQ(listener_.events.back(), kRecorderEventFilesClosed);
  EXPECT_EQ(listener_.files.video_path, dir_.path() + "/double_click_to_convert_quick_record.kovtv");
  EXPECT_EQ(engine_.end_calls, 1);
  EXPECT_EQ(engine_.audio_processing[kvp::av::kAudioEnhancedPreprocess], 0);
  EXPECT_EQ(engine_.audio_processing[kvp::av::kAudioSuperWideband], 0);
  EXPECT_EQ(recorder_->GetRecordFlags(), 0u);

  const auto quality = events.sink().EventsNamed("e#meetlog_video_quality");
  ASSERT_EQ(quality.size(), 1u);
  for (const char* key : {"fps", "width", "height", "record_total_time", "record_start_time", "record_flags",
                          "vorta_cpu_power", "avarage_fps", "first_screen_frame_time", "first_camera_frame_time",
                          "vorta_config_time"}) {
    EXPECT_TRUE(quality[0].properties.count(key)) << key;
  }
  EXPECT_EQ(quality[0].properties.at("avarage_fps"), "1");  // 2 frames in 2000 ms
  const auto fps = events.sink().EventsNamed("e#meetlog_video_exception_fps");
  ASSERT_EQ(fps.size(), 1u);
  EXPECT_EQ(fps[0].properties.at("total_frames"), "2");
  EXPECT_EQ(fps[0].properties.at("bad_frames"), "1");
  EXPECT_EQ(recorder_->total_frames(), 0u);  // counters start over for the next recording
}

TEST_F(QuickRecorderImplTest, TheCoverComesFromTheFirstFrameOneAndAHalfSecondsIn) {
  ASSERT_TRUE(Start());
  env_.FastForwardBy(1499);
  engine_.EmitFrame(Frame(1499));
  EXPECT_TRUE(engine_.cover_paths.empty());
  env_.FastForwardBy(1);
  engine_.EmitFrame(Frame(1500));
  env_.FastForwardBy(100);
  engine_.EmitFrame(Frame(1600));
  EXPECT_EQ(engine_.cover_paths, (std::vector<std::string>{recorder_->cover_path()}));
}

TEST_F(QuickRecorderImplTest, CameraOnlyRecordingsSaveTheCoverWhenAsked) {
  ASSERT_TRUE(Start(kRecordFlagCamera));
  env_.FastForwardBy(3000);
  engine_.EmitFrame(Frame(3000, kvp::av::kFrameHasCamera));
  EXPECT_TRUE(engine_.cover_paths.empty());
  recorder_->CheckNeedSaveCoverForCameraMode();
  recorder_->CheckNeedSaveCoverForCameraMode();
  EXPECT_EQ(engine_.cover_paths.size(), 1u);
}

TEST_F(QuickRecorderImplTest, AMicrophoneMayNotBeClosedWhileItMustBeKept) {
  base::logging::ScopedLogCapture log;
  recorder_->NotifyUpdateMicOpenState(false, /*keep=*/true);
  EXPECT_TRUE(log.Contains("do not close mic when recording"));
  EXPECT_TRUE(engine_.microphone_enabled);
  recorder_->NotifyUpdateMicOpenState(false, /*keep=*/false);
  EXPECT_FALSE(engine_.microphone_enabled);
  EXPECT_FALSE(recorder_->IsMicOpen());
}

TEST_F(QuickRecorderImplTest, SmallCameraSizesAreRaisedForTheEngine) {
  recorder_->SetCameraCaptureConfig(640, 360, 15);
  EXPECT_EQ(engine_.camera_config, (kvp::av::CaptureConfig{960, 540, 15}));
  int32_t w = 0, h = 0, fps = 0;
  recorder_->GetCameraCaptureConfig(&w, &h, &fps);
  EXPECT_EQ(w, 640);  // the recorder keeps what it was asked
  recorder_->SetPreviewCaptureConfig(1280, 720, 30);
  EXPECT_EQ(engine_.preview_config, (kvp::av::CaptureConfig{1280, 720, 30}));
}

TEST_F(QuickRecorderImplTest, TheCaptureRateFollowsTheRecordedSource) {
  recorder_->SetupScreenCaptureConfig(1920, 1080, 25);
  recorder_->SetCameraCaptureConfig(1280, 720, 12);
  context_.config = recorder_->record_config();
  context_.config.save_dir = dir_.path();
  ASSERT_TRUE(Start(kRecordFlagCamera));
  EXPECT_EQ(recorder_->GetCurrentCaptureFrameRate(), 12);
  ASSERT_TRUE(recorder_->Stop());
  ASSERT_TRUE(Start(kRecordFlagScreen | kRecordFlagCamera));
  EXPECT_EQ(recorder_->GetCurrentCaptureFrameRate(), 25);
}

TEST_F(QuickRecorderImplTest, SourcesFollowTheFlagsAndTheSelection) {
  context_.config.window_id = 0x2a00007;
  context_.config.camera_device_id = "cam1";
  ASSERT_TRUE(Start(kRecordFlagScreen | kRecordFlagCamera));
  EXPECT_TRUE(listener_.started.window_capture);
  ASSERT_EQ(engine_.video_sources.size(), 2u);
  EXPECT_EQ(engine_.video_sources[0].kind, kvp::av::VideoSourceKind::kWindow);
  EXPECT_EQ(engine_.video_sources[0].window_id, 0x2a00007u);
  EXPECT_EQ(engine_.video_sources[1].device_id, "cam1");
  ASSERT_EQ(engine_.audio_sources.size(), 2u);
  EXPECT_EQ(engine_.audio_sources[1].device_id, kvp::av::kLoopbackDeviceId);

  context_.config.window_id = 0;
  context_.config.monitor_id = "monitor-2";
  recorder_->UpdateConfig();
  EXPECT_EQ(engine_.video_sources.back().device_id, "cam1");
  EXPECT_EQ(engine_.video_sources.front().kind, kvp::av::VideoSourceKind::kScreen);
  EXPECT_EQ(engine_.video_sources.front().device_id, "monitor-2");
  // What the recorder derived survives a context that writes the whole configuration.
  EXPECT_EQ(recorder_->record_config().output_width, 1920);
  ASSERT_TRUE(recorder_->Pause());
  EXPECT_TRUE(Start());
}

TEST_F(QuickRecorderImplTest, AScreenCaptureThatBecomesActiveLateIsReported) {
  base::analytics::ScopedEventCapture events;
  ASSERT_TRUE(Start());
  kvp::av::VideoDeviceEvent active;
  active.type = kvp::av::VideoDeviceEvent::Type::kCaptureActive;
  active.source = kvp::av::VideoSourceKind::kScreen;
  active.steady_ms = env_.NowMs() + 250;
  engine_.EmitVideoDeviceEvent(active);
  const auto delays = events.sink().EventsNamed("e#meetlog_screen_cap_active_delay");
  ASSERT_EQ(delays.size(), 1u);
  EXPECT_EQ(delays[0].properties.at("delay"), "250");
}

TEST_F(QuickRecorderImplTest, WithoutAListenerEventsAreOnlyLogged) {
  recorder_->listener = nullptr;
  base::logging::ScopedLogCapture log;
  EXPECT_FALSE(Start());  // nobody answers the save-path question
  EXPECT_TRUE(log.Contains("[QUICK RECORD] no listener to notify event. event: 5"));
  EXPECT_TRUE(log.Contains("[QUICK RECORD] no listener to notify error. operate type: 0"));
}

TEST_F(QuickRecorderImplTest, TheEngineForgetsTheRecorderWhenItGoes) {
  EXPECT_EQ(engine_.exception_listener_count(), 1u);
  recorder_.reset();
  EXPECT_EQ(engine_.exception_listener_count(), 0u);
  EXPECT_EQ(engine_.video_stream_listener_count(), 0u);
}


TEST_F(QuickRecorderImplTest, AFirstStartRefusedByTheEngineEndsTheCaptureItBegan) {
  QuickRecordStartParams params = Params(kRecordFlagScreen);
  params.device_switch = true;
  engine_.enable_on_result = kvp::av::kErrNoSource;
  EXPECT_FALSE(recorder_->Start(&context_, params));
  EXPECT_EQ(engine_.begin_calls, 1);
  EXPECT_EQ(engine_.end_calls, 1);
  EXPECT_FALSE(kovanisdk::utils::service::GetDeviceService()->recording_switch());

  // A refused resume keeps the capture: the paused recording still owns it until Stop.
  engine_.enable_on_result = kvp::av::kOk;
  ASSERT_TRUE(recorder_->Start(&context_, params));
  ASSERT_TRUE(recorder_->Pause());
  engine_.enable_on_result = kvp::av::kErrInvalidState;
  EXPECT_FALSE(recorder_->Start(&context_, params));
  EXPECT_EQ(engine_.end_calls, 1);
  EXPECT_TRUE(kovanisdk::utils::service::GetDeviceService()->recording_switch());
  EXPECT_TRUE(recorder_->Stop());
  EXPECT_EQ(engine_.end_calls, 2);
}

// The screen capture belongs to the recording, not to its segments: however often it is paused
// and resumed, the engine sees one begin and, at the stop, one end.
TEST_F(QuickRecorderImplTest, PauseAndResumeKeepTheScreenCaptureBalanced) {
  ASSERT_TRUE(Start(kRecordFlagScreen | kRecordFlagCamera));
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(recorder_->Pause());
    ASSERT_TRUE(recorder_->Start(&context_, Params(kRecordFlagScreen)));
  }
  ASSERT_TRUE(recorder_->Pause());
  EXPECT_EQ(engine_.begin_calls, 1);
  EXPECT_EQ(engine_.end_calls, 0);
  ASSERT_TRUE(recorder_->Stop());
  EXPECT_EQ(engine_.begin_calls, 1);
  EXPECT_EQ(engine_.end_calls, 1);

  // The next recording begins its own capture.
  ASSERT_TRUE(Start());
  ASSERT_TRUE(recorder_->Pause());
  ASSERT_TRUE(Start());
  ASSERT_TRUE(recorder_->Stop());
  EXPECT_EQ(engine_.begin_calls, 2);
  EXPECT_EQ(engine_.end_calls, 2);
}

// Counts what the recorder reports from any thread.
class CountingListener : public IQuickRecordListener {
 public:
  void OnRecordStateChanged(RecordStateType state, bool) override {
    std::lock_guard lock(mutex_);
    if (state == kovanisdk::plugin::kRecordStateStopped) ++stops;
    if (state == last_state) ++repeated_states;
    last_state = state;
  }
  void OnRecordError(int32_t, int32_t, const std::string&) override {}
  void OnRecorderEvent(int32_t event, void* data) override {
    if (event == kRecorderEventNeedSavePath) *static_cast<bool*>(data) = true;
  }
  void OnRecorderNotice(int32_t, const std::string&) override {}

  std::mutex mutex_;
  int stops = 0;
  int repeated_states = 0;
  RecordStateType last_state = kovanisdk::plugin::kRecordStateStopped;
};

// Engine errors and device events arrive on the engine's thread while the user starts, pauses,
// updates and stops: every recording must be stopped exactly once and every capture ended.
TEST_F(QuickRecorderImplTest, StopsFromTheEngineThreadAndTheUserNeverOverlap) {
  CountingListener counting;
  recorder_->listener = &counting;
  std::atomic<bool> done{false};
  std::thread engine_thread([&] {
    kvp::av::VideoDeviceEvent minimized;
    minimized.type = kvp::av::VideoDeviceEvent::Type::kWindowStateChanged;
    minimized.window_id = 7;
    minimized.window_state = kvp::av::WindowState::kMinimized;
    kvp::av::VideoDeviceEvent active;
    active.type = kvp::av::VideoDeviceEvent::Type::kCaptureActive;
    active.source = kvp::av::VideoSourceKind::kScreen;
    for (int i = 0; !done; ++i) {
      engine_.EmitException(kvp::av::kErrEncode, "encoder");
      engine_.EmitVideoDeviceEvent(i % 2 ? minimized : active);
      recorder_->GetRecordedDuration();
    }
  });

  constexpr int kIterations = 5000;
  int fresh_starts = 0;
  for (int i = 0; i < kIterations; ++i) {
    context_.config.window_id = i % 2 ? 7 : 0;
    context_.config.monitor_id = "monitor-" + std::to_string(i % 5);
    // Every seventh first start is refused by the engine.
    engine_.enable_on_result = i % 7 == 0 ? kvp::av::kErrNoSource : kvp::av::kOk;
    if (Start(kRecordFlagScreen | kRecordFlagCamera)) ++fresh_starts;
    engine_.enable_on_result = kvp::av::kOk;
    if (i % 2) {
      // Straight to the stop, while the engine thread's error stop is likely under way.
      recorder_->Stop();
      continue;
    }
    recorder_->UpdateConfig();
    if (recorder_->Pause()) recorder_->Start(&context_, Params(kRecordFlagScreen));
    recorder_->Stop();
  }
  done = true;
  engine_thread.join();
  recorder_->Stop();

  EXPECT_EQ(recorder_->GetState(), kovanisdk::plugin::kRecordStateStopped);
  EXPECT_GT(fresh_starts, kIterations / 2);
  EXPECT_EQ(counting.stops, fresh_starts);
  EXPECT_EQ(counting.repeated_states, 0);
  EXPECT_EQ(engine_.finalize_calls, fresh_starts);
  EXPECT_EQ(engine_.end_calls, kIterations);  // one per begun capture, refused starts included
  EXPECT_FALSE(kovanisdk::utils::service::GetDeviceService()->recording_switch());
  recorder_->listener = &listener_;
}

}  // namespace
}  // namespace quick_record
