// A quick recording as the pages drive it: the session and recorder models called by method id,
// the real recorder capturing an Xvfb screen, the start authorised by a real qr-backend.

#include <cstdlib>
#include <regex>

#include <gtest/gtest.h>

#include "cloud_service_fixture.h"
#include "host/base/json/json_value.h"
#include "host/sdk/plugin/plugin_registry.h"
#include "host/util/file.h"
#include "module/quick_record/entry/quick_record_ids.h"
#include "module/quick_record/entry/quick_record_module_runtime.h"
#include "module/quick_record/model/quick_record_model.h"
#include "module/quick_record/model/quick_record_recorder_model.h"
#include "module/quick_record/model/quick_record_time_model.h"
#include "xvfb_display.h"

extern "C" int Activate();
extern "C" void Deactivate();

namespace cloud_service_test {
namespace {

using base::variant::Variant;
using quick_record::QuickRecordModel;
using quick_record::QuickRecordRecorderModel;
using quick_record::QuickRecordTimeModel;

class RecordingSessionXvfbTest : public CloudServiceTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(display_.Start(1280, 720)) << display_.error();
    setenv("DISPLAY", display_.name().c_str(), 1);
    CloudServiceTest::SetUp();
    // The upload model keeps its items in the user's local record database: this test's own.
    setenv("XDG_DATA_HOME", (dir_.path() + "/data_home").c_str(), 1);
    app_->user_config()->Set(QuickRecordRecorderModel::kSavePathKey, dir_.path() + "/recordings");
    Activate();
    session_ = quick_record::ModuleModelOf(quick_record::model_id::kQuickRecordModel);
    recorder_ = quick_record::ModuleModelOf(quick_record::model_id::kQuickRecordRecorderModel);
    time_ = quick_record::ModuleModelOf(quick_record::model_id::kQuickRecordTimeModel);
    ASSERT_TRUE(session_ && recorder_ && time_);
    for (int32_t event : {QuickRecordModel::kEventStartRequested, QuickRecordModel::kEventRecordingChanged,
                          QuickRecordModel::kEventRecordComplete, QuickRecordModel::kEventRecordError}) {
      session_->Subscribe(event, subscriber_, [this](int32_t id, const Variant& p) { events_.push_back({id, p}); });
    }
    for (int32_t event : {QuickRecordRecorderModel::kEventRecordStateChanged, QuickRecordRecorderModel::kEventRecordError,
                          QuickRecordRecorderModel::kEventRecordStarted, QuickRecordRecorderModel::kEventPaused,
                          QuickRecordRecorderModel::kEventResumeRequested}) {
      recorder_->Subscribe(event, subscriber_, [this](int32_t id, const Variant& p) { events_.push_back({id, p}); });
    }
    time_->Subscribe(QuickRecordTimeModel::kEventRecordTime, subscriber_, [this](int32_t, const Variant& ms) { times_.push_back(ms.AsInt64()); });
  }
  void TearDown() override {
    session_.reset();
    recorder_.reset();
    time_.reset();
    Deactivate();
    kovanisdk::plugin::UnregisterPluginModule(quick_record::kPluginModuleId);
    CloudServiceTest::TearDown();
  }

  bool Call(const std::shared_ptr<framework::ModelImpl>& model, int32_t method, const Variant& args = Variant::MakeMap()) {
    Variant result;
    return model->Call(method, args, &result) && (result.IsNull() || result.AsBool(true));
  }
  std::vector<Variant> EventsOf(int32_t id) const {
    std::vector<Variant> found;
    for (const auto& [event, payload] : events_) {
      if (event == id) found.push_back(payload);
    }
    return found;
  }
  // Lets the loopers run for `ms` of real time.
  void Run(int64_t ms) { loopers_.RunMainLoopUntil([] { return false; }, ms); }

  quickrec::testing::XvfbDisplay display_;
  // The models subscribe to each other too: the test needs an id of its own.
  const framework::SubscriberId subscriber_ = framework::NewSubscriberId();
  std::shared_ptr<framework::ModelImpl> session_;
  std::shared_ptr<framework::ModelImpl> recorder_;
  std::shared_ptr<framework::ModelImpl> time_;
  std::vector<std::pair<int32_t, Variant>> events_;
  std::vector<int64_t> times_;
};

TEST_F(RecordingSessionXvfbTest, StartPauseResumeCompleteLeavesADatedRecording) {
  Variant start = Variant::MakeMap();
  start.Set("subject", "Xvfb session");
  start.Set("record_start_time", "1780000000");
  ASSERT_TRUE(Call(session_, QuickRecordModel::kInvokeStartQuickRecord, start));
  // The upload model asks the back end for the start data and hands the answer to the session.
  auto session = std::dynamic_pointer_cast<QuickRecordModel>(session_);
  ASSERT_TRUE(Wait([&] { return !session->record_id().empty(); })) << backend_->log();
  const std::string record_id = session->record_id();

  Variant flags = Variant::MakeMap();
  flags.Set("record_flags", 1);
  ASSERT_TRUE(Call(recorder_, QuickRecordRecorderModel::kInvokeFuncStartRecord, flags)) << backend_->log();
  Run(2200);
  ASSERT_TRUE(Call(recorder_, QuickRecordRecorderModel::kInvokePauseRecord));
  Run(1500);
  const size_t ticks_at_pause = times_.size();
  ASSERT_TRUE(Call(recorder_, QuickRecordRecorderModel::kInvokeResumeRecord));
  Run(1200);
  ASSERT_TRUE(Call(recorder_, QuickRecordRecorderModel::kInvokeStopRecord));
  ASSERT_TRUE(Call(session_, QuickRecordModel::kInvokeQuickRecordComplete));

  EXPECT_TRUE(EventsOf(QuickRecordRecorderModel::kEventRecordError).empty());
  EXPECT_TRUE(EventsOf(QuickRecordModel::kEventRecordError).empty());
  std::vector<int32_t> states;
  for (const auto& p : EventsOf(QuickRecordRecorderModel::kEventRecordStateChanged)) states.push_back(p.GetInt32("record_state"));
  EXPECT_EQ(states, (std::vector<int32_t>{2, 3, 2, 0}));
  std::vector<bool> recording;
  for (const auto& p : EventsOf(QuickRecordModel::kEventRecordingChanged)) recording.push_back(p.AsBool());
  EXPECT_EQ(recording, (std::vector<bool>{true, true, true, false}));
  EXPECT_EQ(EventsOf(QuickRecordRecorderModel::kEventRecordStarted).size(), 2u);
  EXPECT_EQ(EventsOf(QuickRecordRecorderModel::kEventPaused).size(), 1u);
  EXPECT_EQ(EventsOf(QuickRecordRecorderModel::kEventResumeRequested).size(), 1u);
  const auto starts = EventsOf(QuickRecordModel::kEventStartRequested);
  ASSERT_EQ(starts.size(), 2u);
  EXPECT_EQ(starts[1].GetString("record_id"), record_id);
  ASSERT_EQ(EventsOf(QuickRecordModel::kEventRecordComplete).size(), 1u);
  EXPECT_EQ(EventsOf(QuickRecordModel::kEventRecordComplete)[0].GetString("record_id"), record_id);

  // The time model counted the first segment, stood still while paused, then went on.
  ASSERT_GE(ticks_at_pause, 2u);
  ASSERT_GT(times_.size(), ticks_at_pause);
  EXPECT_GE(times_[ticks_at_pause], times_[ticks_at_pause - 1]);
  EXPECT_LT(times_.back(), 2200 + 1200 + 500);

  const auto info = base::json::JsonValue::Parse(
      app_->user_config()->Get(QuickRecordModel::kTranscodeInfoKey).AsString());
  EXPECT_EQ(info["record_id"].AsString(), record_id);
  EXPECT_EQ(info["subject"].AsString(), "Xvfb session");

  const std::string dir = app_->user_config()->Get(QuickRecordRecorderModel::kSaveFullPathKey).AsString();
  EXPECT_TRUE(std::regex_match(dir, std::regex(".*/recordings/\\d{4}-\\d\\d-\\d\\d \\d\\d\\.\\d\\d\\.\\d\\d/")))
      << dir;
  for (const char* suffix : {".kovtv", ".kovta", ".kovtc"}) {
    EXPECT_TRUE(util::file::IsFileExist(dir + "double_click_to_convert_quick_record" + suffix)) << suffix;
  }
  EXPECT_FALSE(util::file::IsFileExist(dir + QuickRecordRecorderModel::kWriteProbeName));
}

}  // namespace
}  // namespace cloud_service_test
