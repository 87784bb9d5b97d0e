#include "module/quick_record/model/quick_record_space_model.h"

#include "module/quick_record/cloud/quick_record_service_plugin_impl.h"
#include "module/quick_record/cloud/requests/record/quick_record_space_request.h"
#include "module/quick_record/cloud/service_test_fixture.h"
#include "module/quick_record/model/quick_record_model.h"

namespace quick_record {
namespace {

using base::json::JsonValue;
using base::variant::Variant;
using Model = QuickRecordSpaceModel;

constexpr int64_t kMiB = 1'048'576;

// Stands in for the session model: the test announces starts and cancellations.
class SessionEvents : public framework::ModelImpl {
 public:
  void Announce(int32_t event_id, const Variant& payload = Variant::MakeMap()) { FireEvent(event_id, payload); }
};

class QuickRecordSpaceModelTest : public testing::ServiceTest {
 protected:
  void TearDown() override {
    if (model_) model_->UnInit();
  }

  void AnswerSpace(int64_t total, int64_t used, bool limited = true) {
    JsonValue data = JsonValue::Object();
    data.SetJsonObject("total_capacity", std::to_string(total));
    data.SetJsonObject("usedspace", std::to_string(used));
    data.SetJsonObject("meetlog_count", "7");
    data.SetJsonObject("capacity_limit_switch", limited ? "1" : "0");
    fake_->AnswerEnvelope(QuickRecordSpaceRequest::kPath, 0, "ok", data);
  }
  void CreateModel() {
    model_ = std::make_shared<Model>(session_, cloud_);
    model_->Init();
    model_->Subscribe(Model::kEventRunOutChanged, 1, [this](int32_t, const Variant& p) { run_out_events_.push_back(p.GetBool("run_out")); });
    model_->Subscribe(Model::kEventCloudSpaceUpdated, 1, [this](int32_t, const Variant& p) { space_events_.push_back(p); });
  }
  Variant Space() {
    Variant space;
    model_->Call(Model::kInvokeGetQuickRecordSpace, Variant(), &space);
    return space;
  }
  void FileSize(int64_t bytes) {
    Variant size = Variant::MakeMap();
    size.Set("current_record_file_size", bytes);
    model_->Call(Model::kInvokeUpdateRecordFileSize, size, nullptr);
  }
  size_t SpaceRequests() const { return CountRequestsTo(QuickRecordSpaceRequest::kPath); }

  std::shared_ptr<SessionEvents> session_ = std::make_shared<SessionEvents>();
  std::shared_ptr<QuickRecordServicePluginImpl> cloud_ = std::make_shared<QuickRecordServicePluginImpl>();
  std::shared_ptr<Model> model_;
  std::vector<bool> run_out_events_;
  std::vector<Variant> space_events_;
};

TEST_F(QuickRecordSpaceModelTest, TheSpaceIsAskedForAtStartAndPublished) {
  AnswerSpace(100 * kMiB, 60 * kMiB);
  CreateModel();
  EXPECT_FALSE(Space().GetBool("space_got"));
  env_.RunUntilIdle();
  const Variant space = Space();
  EXPECT_TRUE(space.GetBool("space_got"));
  EXPECT_EQ(space.GetInt64("total_space"), 100 * kMiB);
  EXPECT_EQ(space.GetInt64("used_space"), 60 * kMiB);
  EXPECT_EQ(space.GetInt64("left_space"), 40 * kMiB);
  EXPECT_EQ(space.GetInt64("record_count"), 7);
  EXPECT_FALSE(space.GetBool("is_infinite_space"));
  ASSERT_EQ(space_events_.size(), 1u);
  EXPECT_EQ(space_events_[0], space);
}

TEST_F(QuickRecordSpaceModelTest, AtMostOneRequestIsInFlight) {
  CreateModel();  // no answer is set: requests wait
  model_->RequestSpace();
  session_->Announce(QuickRecordModel::kEventStartRequested);
  env_.RunUntilIdle();
  EXPECT_EQ(SpaceRequests(), 1u);
  ASSERT_EQ(fake_->pending_count(), 1u);
  const auto pending = fake_->pending_requests()[0];
  JsonValue data = JsonValue::Object();
  data.SetJsonObject("total_capacity", "10");
  data.SetJsonObject("capacity_limit_switch", "1");
  fake_->AnswerNextPending(KOVANI_CGI::FakeRequestTransport::Envelope(pending, 0, "ok", data));
  env_.RunUntilIdle();
  model_->RequestSpace();
  env_.RunUntilIdle();
  EXPECT_EQ(SpaceRequests(), 2u);
}

TEST_F(QuickRecordSpaceModelTest, RunOutWhenTheRecordingFillsTheSpaceExactly) {
  AnswerSpace(100 * kMiB, 60 * kMiB);
  CreateModel();
  env_.RunUntilIdle();
  FileSize(40 * kMiB - 1);
  EXPECT_TRUE(run_out_events_.empty());
  FileSize(40 * kMiB);  // used = total - current size: no room left
  EXPECT_EQ(run_out_events_, (std::vector<bool>{true}));
  FileSize(41 * kMiB);  // still run out: no second event
  EXPECT_EQ(run_out_events_.size(), 1u);
  EXPECT_TRUE(model_->run_out());
}

TEST_F(QuickRecordSpaceModelTest, UsedBeyondTheTotalLeavesNoSpace) {
  AnswerSpace(100 * kMiB, 130 * kMiB);
  CreateModel();
  env_.RunUntilIdle();
  EXPECT_EQ(Space().GetInt64("left_space"), 0);
  EXPECT_EQ(run_out_events_, (std::vector<bool>{true}));
}

TEST_F(QuickRecordSpaceModelTest, AnUnlimitedQuotaNeverRunsOut) {
  AnswerSpace(100 * kMiB, 130 * kMiB, /*limited=*/false);
  CreateModel();
  env_.RunUntilIdle();
  FileSize(500 * kMiB);
  EXPECT_TRUE(Space().GetBool("is_infinite_space"));
  EXPECT_TRUE(run_out_events_.empty());
}

TEST_F(QuickRecordSpaceModelTest, RunOutIsNotJudgedBeforeTheSpaceIsKnown) {
  CreateModel();  // the space request waits
  FileSize(int64_t{1} << 40);
  EXPECT_TRUE(run_out_events_.empty());
}

TEST_F(QuickRecordSpaceModelTest, ANewRecordingOrACancelStartsFromNothing) {
  AnswerSpace(100 * kMiB, 60 * kMiB);
  CreateModel();
  env_.RunUntilIdle();
  FileSize(50 * kMiB);
  ASSERT_EQ(run_out_events_, (std::vector<bool>{true}));
  session_->Announce(QuickRecordModel::kEventStartRequested);
  EXPECT_EQ(run_out_events_, (std::vector<bool>{true, false}));
  env_.RunUntilIdle();
  EXPECT_EQ(SpaceRequests(), 2u);
  // The second start event carries the record id of the same recording.
  Variant with_id = Variant::MakeMap();
  with_id.Set("record_id", "rec-1");
  session_->Announce(QuickRecordModel::kEventStartRequested, with_id);
  env_.RunUntilIdle();
  EXPECT_EQ(SpaceRequests(), 2u);

  FileSize(50 * kMiB);
  session_->Announce(QuickRecordModel::kEventRecordCancelled);
  EXPECT_EQ(run_out_events_, (std::vector<bool>{true, false, true, false}));
}

TEST_F(QuickRecordSpaceModelTest, APaidTagChangeAsksAgain) {
  AnswerSpace(100 * kMiB, 60 * kMiB);
  CreateModel();
  env_.RunUntilIdle();
  app_->user_config()->Set("something.else", 1);
  app_->user_config()->Set(Model::kPaidTagKey, "pro");
  env_.RunUntilIdle();
  EXPECT_EQ(SpaceRequests(), 2u);
}

TEST_F(QuickRecordSpaceModelTest, FeatureQueriesByScene) {
  AnswerSpace(100 * kMiB, 60 * kMiB);
  CreateModel();
  env_.RunUntilIdle();
  Variant answer;
  model_->Call(Model::kInvokeGetProFeatureBySceneId, Variant(Model::kSceneRecording), &answer);
  EXPECT_TRUE(answer.GetBool("enable"));
  FileSize(40 * kMiB);
  model_->Call(Model::kInvokeGetProFeatureBySceneId, Variant(Model::kSceneRecording), &answer);
  EXPECT_FALSE(answer.GetBool("enable"));
  model_->Call(Model::kInvokeGetProFeatureBySceneId, Variant(99), &answer);
  EXPECT_TRUE(log_.Contains("unknown scene id: 99"));
}

}  // namespace
}  // namespace quick_record
