#include "module/quick_record/model/quick_record_time_model.h"

#include "host/base/logging/logger.h"
#include "module/quick_record/model/recording_model_test.h"

namespace quick_record {
namespace {

using base::variant::Variant;
using Model = QuickRecordTimeModel;

class QuickRecordTimeModelTest : public testing::RecordingModelTest {
 protected:
  void SetUp() override {
    RecordingModelTest::SetUp();
    model_ = std::make_shared<Model>(recorder_model_);
    model_->Init();
    model_->Subscribe(Model::kEventRecordTime, 1, [this](int32_t, const Variant& ms) { published_.push_back(ms.AsInt64()); });
  }
  void TearDown() override {
    model_->UnInit();
    RecordingModelTest::TearDown();
  }

  std::shared_ptr<Model> model_;
  std::vector<int64_t> published_;
};

TEST_F(QuickRecordTimeModelTest, TheDurationIsPublishedEverySecondWhileRecording) {
  env_.FastForwardBy(5000);
  EXPECT_TRUE(published_.empty());
  ASSERT_TRUE(StartRecording());
  EXPECT_TRUE(model_->timer_running());
  env_.FastForwardBy(3000);
  EXPECT_EQ(published_, (std::vector<int64_t>{1000, 2000, 3000}));
}

TEST_F(QuickRecordTimeModelTest, AModelMadeAfterTheStartFollowsTheRunningRecording) {
  model_->UnInit();
  ASSERT_TRUE(StartRecording());
  env_.FastForwardBy(1500);
  auto late = std::make_shared<Model>(recorder_model_);
  late->Init();
  std::vector<int64_t> published;
  late->Subscribe(Model::kEventRecordTime, 1, [&](int32_t, const Variant& ms) { published.push_back(ms.AsInt64()); });
  EXPECT_TRUE(late->timer_running());
  env_.FastForwardBy(1000);
  EXPECT_EQ(published, (std::vector<int64_t>{2500}));
  late->UnInit();
}

TEST_F(QuickRecordTimeModelTest, PausingHoldsTheDurationAndResumingContinuesFromIt) {
  ASSERT_TRUE(StartRecording());
  env_.FastForwardBy(2500);
  ASSERT_TRUE(CallRecorderModel(QuickRecordRecorderModel::kInvokePauseRecord));
  EXPECT_FALSE(model_->timer_running());
  env_.FastForwardBy(10'000);
  EXPECT_EQ(published_, (std::vector<int64_t>{1000, 2000}));
  Variant total;
  ASSERT_TRUE(model_->Call(Model::kInvokeGetQuickRecordTotalTime, Variant(), &total));
  EXPECT_EQ(total.AsInt64(), 2500);

  ASSERT_TRUE(CallRecorderModel(QuickRecordRecorderModel::kInvokeResumeRecord, Variant::MakeMap()));
  env_.FastForwardBy(1000);
  EXPECT_EQ(published_.back(), 3500);
  ASSERT_TRUE(CallRecorderModel(QuickRecordRecorderModel::kInvokeStopRecord));
  env_.FastForwardBy(5000);
  EXPECT_EQ(published_.size(), 3u);
  EXPECT_FALSE(model_->timer_running());
}

TEST_F(QuickRecordTimeModelTest, WithoutARecorderNothingIsPublished) {
  ASSERT_TRUE(StartRecording());
  kovanisdk::plugin::UnregisterPluginModule(kPluginModuleId);
  base::logging::ScopedLogCapture log;
  env_.FastForwardBy(2000);
  EXPECT_TRUE(published_.empty());
  Variant total = "untouched";
  model_->Call(Model::kInvokeGetQuickRecordTotalTime, Variant(), &total);
  EXPECT_EQ(total.AsString(), "untouched");
  EXPECT_TRUE(log.Contains("not found quick_recorder"));
}

}  // namespace
}  // namespace quick_record
