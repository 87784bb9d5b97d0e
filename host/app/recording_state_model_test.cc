#include "host/app/recording_state_model.h"

#include <gtest/gtest.h>

#include <tuple>

#include "host/base/threading/test_task_environment.h"
#include "host/sdk/kovani_common/account.h"

namespace host::app {
namespace {

using base::variant::Variant;

Variant State(int state) {
  Variant args;
  args.Set("record_state", state);
  args.Set("record_type", 2);
  args.Set("is_owner", true);
  return args;
}

TEST(RecordingStateModelTest, RecordsEveryCallAndTheRunningState) {
  base::test::TestTaskEnvironment env;
  RecordingStateModel model(kRecordingServiceModelId);
  EXPECT_EQ(model.type(), kRecordingServiceModelId);
  kovani_common::utils::record::SetQuickRecordRunning(false);

  EXPECT_TRUE(model.Call(kRecordingServiceRecordState, State(2), nullptr));
  EXPECT_TRUE(kovani_common::utils::record::IsQuickRecordRunning());
  EXPECT_TRUE(model.Call(kRecordingServiceRecordState, State(3), nullptr));
  EXPECT_TRUE(kovani_common::utils::record::IsQuickRecordRunning());
  // A call without a state changes nothing but is still kept.
  EXPECT_TRUE(model.Call(99, Variant("cancelled"), nullptr));
  EXPECT_TRUE(kovani_common::utils::record::IsQuickRecordRunning());
  EXPECT_TRUE(model.Call(kRecordingServiceRecordState, State(-1), nullptr));
  EXPECT_FALSE(kovani_common::utils::record::IsQuickRecordRunning());

  const auto told = model.told();
  ASSERT_EQ(told.size(), 4u);
  EXPECT_EQ(told[0].method_id, kRecordingServiceRecordState);
  EXPECT_EQ(told[0].args.GetInt32("record_state"), 2);
  EXPECT_EQ(told[2].method_id, 99);
  EXPECT_EQ(told[2].args.AsString(), "cancelled");
}

TEST(RecordingStateModelTest, ACancellationEndsTheRunningState) {
  base::test::TestTaskEnvironment env;
  for (auto [model_id, state_method, cancel_method] :
       {std::tuple{kRecordingServiceModelId, kRecordingServiceRecordState, kRecordingServiceCancelRecord},
        std::tuple{kRecordingStateListenerModelId, kRecordingStateListenerRecordState, kRecordingStateListenerCancelRecord}}) {
    RecordingStateModel model(model_id);
    model.Call(state_method, State(2), nullptr);
    ASSERT_TRUE(kovani_common::utils::record::IsQuickRecordRunning());
    Variant cancel;
    cancel.Set("record_id", "rec-1");
    model.Call(cancel_method, cancel, nullptr);
    EXPECT_FALSE(kovani_common::utils::record::IsQuickRecordRunning()) << model_id;
  }
}

TEST(RecordingStateModelTest, AnnouncesHostEventsToSubscribers) {
  base::test::TestTaskEnvironment env;
  auto model = std::make_shared<RecordingStateModel>(kRecordingServiceModelId);
  std::vector<int32_t> heard;
  for (int32_t event : {kRecordingServiceForceCancellationEvent, kRecordingServiceUploadFileCompleteEvent}) {
    model->Subscribe(event, framework::NewSubscriberId(), [&](int32_t id, const Variant&) { heard.push_back(id); });
  }
  model->Announce(kRecordingServiceForceCancellationEvent, Variant());
  model->Announce(kRecordingServiceUploadFileCompleteEvent, Variant());
  env.RunUntilIdle();
  EXPECT_EQ(heard, (std::vector<int32_t>{66, 60}));
}

}  // namespace
}  // namespace host::app
