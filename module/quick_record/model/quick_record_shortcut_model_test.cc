#include "module/quick_record/model/quick_record_shortcut_model.h"

#include "host/app/host_app_model.h"
#include "host/base/logging/logger.h"
#include "host/framework/module/module_service.h"
#include "host/sdk/kovani_common/account.h"
#include "module/quick_record/model/recording_model_test.h"

namespace quick_record {
namespace {

using base::variant::Variant;
using Model = QuickRecordShortcutModel;

class QuickRecordShortcutModelTest : public testing::RecordingModelTest {
 protected:
  void SetUp() override {
    RecordingModelTest::SetUp();
    model_->Init();
    for (int32_t event : {Model::kEventStartRequested, Model::kEventStopRequested, Model::kEventPauseRequested,
                          Model::kEventResumeRequested}) {
      model_->Subscribe(event, 1, [this](int32_t id, const Variant&) { fired_.push_back(id); });
    }
    host_app_ = std::dynamic_pointer_cast<host::app::HostAppModel>(
        framework::module::GetAppModuleModel(host::app::kHostAppModelId));
    ASSERT_TRUE(host_app_);
  }
  void TearDown() override {
    model_->UnInit();
    RecordingModelTest::TearDown();
  }
  std::vector<int32_t> Take() { return std::exchange(fired_, {}); }

  std::shared_ptr<Model> model_ = std::make_shared<Model>();
  std::shared_ptr<host::app::HostAppModel> host_app_;
  std::vector<int32_t> fired_;
};

TEST_F(QuickRecordShortcutModelTest, StartStopFollowsTheRecorderState) {
  host_app_->PressStartStopShortcut();
  EXPECT_EQ(Take(), (std::vector<int32_t>{Model::kEventStartRequested}));
  ASSERT_TRUE(StartRecording());
  host_app_->PressStartStopShortcut();
  EXPECT_EQ(Take(), (std::vector<int32_t>{Model::kEventStopRequested}));
  ASSERT_TRUE(CallRecorderModel(QuickRecordRecorderModel::kInvokePauseRecord));
  host_app_->PressStartStopShortcut();
  EXPECT_EQ(Take(), (std::vector<int32_t>{Model::kEventStopRequested})) << "a paused recording is stopped too";
}

TEST_F(QuickRecordShortcutModelTest, PauseResumeActsOnlyOnARunningOrPausedRecording) {
  host_app_->PressPauseResumeShortcut();
  EXPECT_TRUE(Take().empty()) << "stopped: nothing";
  ASSERT_TRUE(StartRecording());
  host_app_->PressPauseResumeShortcut();
  EXPECT_EQ(Take(), (std::vector<int32_t>{Model::kEventPauseRequested}));
  ASSERT_TRUE(CallRecorderModel(QuickRecordRecorderModel::kInvokePauseRecord));
  host_app_->PressPauseResumeShortcut();
  EXPECT_EQ(Take(), (std::vector<int32_t>{Model::kEventResumeRequested}));
}

TEST_F(QuickRecordShortcutModelTest, DuringAMeetingTheStartStopShortcutIsIgnored) {
  kovani_common::utils::inmeeting::SetInMeeting(true);
  base::logging::ScopedLogCapture log;
  host_app_->PressStartStopShortcut();
  ASSERT_TRUE(StartRecording());
  host_app_->PressStartStopShortcut();
  EXPECT_TRUE(Take().empty());
  EXPECT_EQ(log.Count("Is in meeting. Ignore start or stop record shortcut."), 2u);
  EXPECT_EQ(recorder_->GetState(), kovanisdk::plugin::kRecordStateRecording);
  kovani_common::utils::inmeeting::SetInMeeting(false);
}

TEST_F(QuickRecordShortcutModelTest, WithoutARecorderStartIsRequestedAndPauseIgnored) {
  kovanisdk::plugin::UnregisterPluginModule(kPluginModuleId);
  base::logging::ScopedLogCapture log;
  host_app_->PressStartStopShortcut();
  host_app_->PressPauseResumeShortcut();
  EXPECT_EQ(Take(), (std::vector<int32_t>{Model::kEventStartRequested}));
  EXPECT_TRUE(log.Contains("event -> start record."));
}

TEST_F(QuickRecordShortcutModelTest, AfterUnInitShortcutsReachNobody) {
  model_->UnInit();
  host_app_->PressStartStopShortcut();
  EXPECT_TRUE(Take().empty());
  model_->Init();
}

}  // namespace
}  // namespace quick_record
