#include "module/quick_record/model/quick_record_recorder_model.h"

#include <filesystem>
#include <fstream>

#include "host/app/recording_state_model.h"
#include "host/base/logging/logger.h"
#include "host/framework/module/module_service.h"
#include "host/util/file.h"
#include "module/quick_record/model/recording_model_test.h"

namespace quick_record {
namespace {

using base::variant::Variant;
using Model = QuickRecordRecorderModel;

Variant Flags(int32_t flags) {
  Variant args = Variant::MakeMap();
  args.Set("record_flags", flags);
  return args;
}

class QuickRecordRecorderModelTest : public testing::RecordingModelTest {
 protected:
  void SetUp() override {
    RecordingModelTest::SetUp();
    model_ = recorder_model_;
    for (int32_t event : {Model::kEventRecordStateChanged, Model::kEventRecordError, Model::kEventRecordStarted,
                          Model::kEventPaused, Model::kEventResumeRequested}) {
      model_->Subscribe(event, 1, [this](int32_t id, const Variant& payload) { events_.push_back({id, payload}); });
    }
  }
  void TearDown() override {
    model_.reset();
    RecordingModelTest::TearDown();
  }

  bool Call(int32_t method, const Variant& args = Variant(), Variant* result = nullptr) {
    return model_->Call(method, args, result);
  }
  std::vector<Variant> EventsOf(int32_t id) const {
    std::vector<Variant> found;
    for (const auto& [event, payload] : events_) {
      if (event == id) found.push_back(payload);
    }
    return found;
  }
  std::string DatedDirectory() const { return dir_.path() + "/" + kDatedName + "/"; }

  std::shared_ptr<Model> model_;
  std::vector<std::pair<int32_t, Variant>> events_;
};

TEST_F(QuickRecordRecorderModelTest, FlagsWithoutScreenOrCameraStartNothing) {
  base::logging::ScopedLogCapture log;
  for (int32_t flags : {0, 4}) EXPECT_TRUE(Call(Model::kInvokeFuncStartRecord, Flags(flags)));
  EXPECT_EQ(log.Count("[QUICK RECORD] invalid record flags."), 2u);
  EXPECT_TRUE(Call(Model::kInvokeFuncStartRecord, Variant::MakeMap()));
  EXPECT_TRUE(log.Contains("[QUICK RECORD] please set record flags before start quick record."));
  EXPECT_TRUE(engine_.enable_calls.empty());
  EXPECT_TRUE(events_.empty());
  EXPECT_FALSE(util::file::IsFileExist(DatedDirectory()));
}

TEST_F(QuickRecordRecorderModelTest, AStartRecordsIntoAFreshDatedDirectory) {
  app_.user_config()->Set(Model::kSavePathKey, "  " + dir_.path() + "/rec<o>r|d?s*  ");
  Variant started;
  ASSERT_TRUE(Call(Model::kInvokeFuncStartRecord, Flags(kRecordFlagScreen), &started));
  EXPECT_TRUE(started.AsBool());
  const std::string dated = dir_.path() + "/records/" + kDatedName + "/";
  EXPECT_EQ(app_.user_config()->Get(Model::kSaveFullPathKey).AsString(), dated);
  EXPECT_EQ(recorder_->video_path(), dated + "double_click_to_convert_quick_record.kovtv");
  EXPECT_FALSE(util::file::IsFileExist(dated + Model::kWriteProbeName));

  const auto states = EventsOf(Model::kEventRecordStateChanged);
  ASSERT_EQ(states.size(), 1u);
  EXPECT_EQ(states[0].GetInt32("record_state"), 2);
  EXPECT_EQ(states[0].GetInt32("record_type"), 2);
  EXPECT_TRUE(states[0].GetBool("is_owner"));
  const auto begun = EventsOf(Model::kEventRecordStarted);
  ASSERT_EQ(begun.size(), 1u);
  EXPECT_EQ(begun[0].GetUInt32("record_flag"), kRecordFlagScreen);
  EXPECT_FALSE(begun[0].GetBool("is_window_capture"));
  EXPECT_GT(begun[0].GetInt32("width"), 0);

  auto host = std::dynamic_pointer_cast<host::app::RecordingStateModel>(
      framework::module::GetAppModuleModel(host::app::kRecordingServiceModelId));
  ASSERT_TRUE(host);
  ASSERT_EQ(host->told().size(), 1u);
  EXPECT_EQ(host->told()[0].method_id, host::app::kRecordingServiceRecordState);
  EXPECT_EQ(host->told()[0].args, states[0]);
}

TEST_F(QuickRecordRecorderModelTest, AnUnwritableSaveDirectoryFailsTheStart) {
  // A file where the directory should be: no sub-directory can be made, even for root.
  const std::string blocker = dir_.path() + "/not_a_directory";
  std::ofstream(blocker) << "x";
  app_.user_config()->Set(Model::kSavePathKey, blocker);
  base::logging::ScopedLogCapture log;
  Variant started;
  ASSERT_TRUE(Call(Model::kInvokeFuncStartRecord, Flags(kRecordFlagScreen), &started));
  EXPECT_FALSE(started.AsBool());
  EXPECT_TRUE(log.Contains("make dir failed! path:"));
  EXPECT_TRUE(log.Contains("file access failed! path:"));
  const auto errors = EventsOf(Model::kEventRecordError);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].GetInt32("result"), -3);
  EXPECT_EQ(errors[0].GetInt32("operate_type"), 0);
  EXPECT_EQ(errors[0].GetString("message"), "save path not found.");
  EXPECT_TRUE(engine_.enable_calls.empty());
  EXPECT_TRUE(app_.user_config()->Get(Model::kSaveFullPathKey).IsNull());
}

TEST_F(QuickRecordRecorderModelTest, APathOfNothingButInvalidCharactersIsNoPath) {
  app_.user_config()->Set(Model::kSavePathKey, " <>|? ");
  // Run where the test can see what would be made relative to the working directory.
  const std::filesystem::path working = std::filesystem::current_path();
  std::filesystem::current_path(dir_.path());
  Variant started;
  Call(Model::kInvokeFuncStartRecord, Flags(kRecordFlagScreen), &started);
  std::filesystem::current_path(working);
  EXPECT_FALSE(started.AsBool());
  EXPECT_EQ(EventsOf(Model::kEventRecordError).at(0).GetString("message"), "save path not found.");
  EXPECT_FALSE(util::file::IsFileExist(dir_.path() + "/" + kDatedName));
}

TEST_F(QuickRecordRecorderModelTest, WithoutAStoredPathTheHostDefaultIsUsed) {
  host::app::HostConfig config;
  config.save_dir = dir_.path() + "/default";
  app_.ApplyConfig(config);
  app_.user_config()->Set(Model::kSavePathKey, "");
  base::logging::ScopedLogCapture log;
  ASSERT_TRUE(Call(Model::kInvokeFuncStartRecord, Flags(kRecordFlagScreen)));
  EXPECT_TRUE(log.Contains("stored_save_path is empty, init path"));
  EXPECT_EQ(app_.user_config()->Get(Model::kSavePathKey).AsString(), dir_.path() + "/default");
  EXPECT_EQ(recorder_->record_config().save_dir, dir_.path() + "/default/" + kDatedName + "/");
}

TEST_F(QuickRecordRecorderModelTest, PauseResumeAndStopGoThroughTheRecorder) {
  ASSERT_TRUE(Call(Model::kInvokeFuncStartRecord, Flags(kRecordFlagScreen | kRecordFlagCamera)));
  const std::string video = recorder_->video_path();
  ASSERT_TRUE(Call(Model::kInvokePauseRecord));
  EXPECT_EQ(EventsOf(Model::kEventPaused).size(), 1u);
  Variant state;
  Call(Model::kInvokeFuncGetRecordState, Variant(), &state);
  EXPECT_EQ(state.AsInt32(), 3);

  env_.clock().Advance(5000);  // a resume does not make a new directory
  Variant resume = Variant::MakeMap();
  resume.Set("enable_mic", true);
  ASSERT_TRUE(Call(Model::kInvokeResumeRecord, resume));
  EXPECT_EQ(EventsOf(Model::kEventResumeRequested).size(), 1u);
  EXPECT_EQ(recorder_->video_path(), video);
  ASSERT_EQ(engine_.enable_calls.size(), 3u);
  EXPECT_EQ(engine_.enable_calls[2].mode, kvp::av::kRecordModeScreenAndCamera);
  EXPECT_EQ(EventsOf(Model::kEventRecordStarted).size(), 2u);

  ASSERT_TRUE(Call(Model::kInvokeStopRecord));
  Call(Model::kInvokeFuncGetRecordState, Variant(), &state);
  EXPECT_EQ(state.AsInt32(), 0);
  std::vector<int32_t> states;
  for (const auto& payload : EventsOf(Model::kEventRecordStateChanged)) states.push_back(payload.GetInt32("record_state"));
  EXPECT_EQ(states, (std::vector<int32_t>{2, 3, 2, 0}));
}

TEST_F(QuickRecordRecorderModelTest, ACameraOnlyRecordingTakesItsCoverOnceAtTheFirstPauseOrTheStop) {
  ASSERT_TRUE(Call(Model::kInvokeFuncStartRecord, Flags(kRecordFlagCamera)));
  const std::string cover = recorder_->cover_path();
  EXPECT_TRUE(engine_.cover_paths.empty()) << "no screen frame brings a cover";
  ASSERT_TRUE(Call(Model::kInvokePauseRecord));
  EXPECT_EQ(engine_.cover_paths, std::vector<std::string>{cover});
  Variant resume = Variant::MakeMap();
  resume.Set("enable_mic", true);
  ASSERT_TRUE(Call(Model::kInvokeResumeRecord, resume));
  ASSERT_TRUE(Call(Model::kInvokeStopRecord));
  EXPECT_EQ(engine_.cover_paths.size(), 1u) << "the cover is saved once";
}

TEST_F(QuickRecordRecorderModelTest, ACameraCoverThatFailedIsTriedAgainAtTheStopAndScreensAreLeftAlone) {
  engine_.cover_result = kvp::av::kErrNoFrame;
  ASSERT_TRUE(Call(Model::kInvokeFuncStartRecord, Flags(kRecordFlagCamera)));
  ASSERT_TRUE(Call(Model::kInvokePauseRecord));
  engine_.cover_result = kvp::av::kOk;
  ASSERT_TRUE(Call(Model::kInvokeStopRecord));
  EXPECT_EQ(engine_.cover_paths.size(), 2u);

  engine_.cover_paths.clear();
  ASSERT_TRUE(Call(Model::kInvokeFuncStartRecord, Flags(kRecordFlagScreen | kRecordFlagCamera)));
  ASSERT_TRUE(Call(Model::kInvokeStopRecord));
  EXPECT_TRUE(engine_.cover_paths.empty()) << "a screen recording takes its cover from a screen frame";
}

TEST_F(QuickRecordRecorderModelTest, TheFullHdRuleDecidesTheDefaultOutput) {
  app_.config()->SetValue("quick_record_ability", "rule_for_full_hd", Variant(R"({"min_memory_mb": 1000000000})"));
  ASSERT_TRUE(Call(Model::kInvokeFuncStartRecord, Flags(kRecordFlagScreen)));
  EXPECT_FALSE(recorder_->record_config().full_hd);
  EXPECT_EQ(recorder_->record_config().output_width, 1280);
  ASSERT_TRUE(Call(Model::kInvokeStopRecord));

  env_.clock().Advance(1000);
  app_.config()->SetValue("quick_record_ability", "rule_for_full_hd", Variant(R"({"min_logical_cpus": 1})"));
  ASSERT_TRUE(Call(Model::kInvokeFuncStartRecord, Flags(kRecordFlagScreen)));
  EXPECT_TRUE(recorder_->record_config().full_hd);
  EXPECT_EQ(recorder_->record_config().output_width, 1920);
}

TEST_F(QuickRecordRecorderModelTest, SelectionAndSwitchesReachTheRecordConfiguration) {
  Variant window = Variant::MakeMap();
  window.Set("window_id", uint64_t{0x2a00007});
  Call(Model::kInvokeSetSelectedWindow, window);
  Variant share = Variant::MakeMap();
  share.Set("enable_share_audio", false);
  Call(Model::kInvokeEnableShareAudio, share);
  Variant args = Flags(kRecordFlagScreen);
  args.Set("recording_switch", true);
  Variant area = Variant::MakeMap();
  area.Set("x", 10);
  area.Set("y", 10);
  area.Set("width", 320);
  area.Set("height", 180);
  args.Set("float_window_area", area);
  ASSERT_TRUE(Call(Model::kInvokeFuncStartRecord, args));
  EXPECT_EQ(recorder_->record_config().window_id, 0x2a00007u);
  EXPECT_FALSE(recorder_->record_config().capture_system_sound);
  EXPECT_TRUE(EventsOf(Model::kEventRecordStarted)[0].GetBool("is_window_capture"));
  Variant forwarded;
  Call(Model::kInvokeGetRecordingSwitch, Variant(), &forwarded);
  EXPECT_TRUE(forwarded.AsBool());
  ASSERT_TRUE(engine_.enable_calls[0].config.camera_rect.has_value());
  EXPECT_EQ(engine_.enable_calls[0].config.camera_rect->width, 320);

  // While recording a new selection is applied at once; the stop clears the camera area.
  Variant screen = Variant::MakeMap();
  screen.Set("monitor_id", "monitor-2");
  Call(Model::kInvokeSetSelectedWindow, screen);
  EXPECT_EQ(engine_.video_sources.front().device_id, "monitor-2");
  Call(Model::kInvokeStopRecord);
  EXPECT_TRUE(model_->config().float_window_area.IsNull());
}

TEST_F(QuickRecordRecorderModelTest, TheModelLetsGoOfTheRecorderWhenItGoes) {
  EXPECT_EQ(recorder_->listener, model_.get());
  model_.reset();
  recorder_model_->UnInit();
  recorder_model_.reset();
  EXPECT_EQ(recorder_->listener, nullptr);
  recorder_model_ = std::make_shared<Model>();
}

}  // namespace
}  // namespace quick_record
