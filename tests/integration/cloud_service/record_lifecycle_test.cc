// Start, upload, complete, cancel and the space query through the cloud service against
// qr-backend, with the reachability probe of the real object store.
#include <gtest/gtest.h>

#include <optional>

#include "cloud_service_fixture.h"
#include "host/util/time.h"
#include "module/quick_record/cloud/quick_record_host_detect_cache.h"

namespace cloud_service_test {
namespace {

using quick_record::QuickRecordHostDetectCache;
using quick_record::QuickRecordStartRecordResult;

struct StartAnswer {
  std::string instance_id;
  int32_t status_code = 0;
  std::string msg;
  int64_t biz_code = -1;
  std::shared_ptr<QuickRecordStartRecordResult> result;
};

class RecordingDelegate : public quick_record::IQuickRecordDelegate {
 public:
  void OnSigRefresh(const std::string& signature) override { signatures.push_back(signature); }
  void OnStartQuickRecordAuthResponse(const std::shared_ptr<QuickRecordStartRecordResult>&) override {}
  void OnRequestError(int32_t type, int64_t code, const std::string&, const std::string& record_id) override {
    errors.push_back(std::to_string(type) + ":" + std::to_string(code) + ":" + record_id);
  }
  void OnRequestComplete(int32_t type, const std::string& record_id) override {
    completions.push_back(std::to_string(type) + ":" + record_id);
  }
  std::vector<std::string> signatures;
  std::vector<std::string> errors;
  std::vector<std::string> completions;
};

class RecordLifecycleTest : public CloudServiceTest {
 protected:
  std::vector<StartAnswer> Start(const std::vector<std::string>& instances, bool use_quic,
                                 const std::string& title = "Integration talk") {
    std::vector<StartAnswer> answers;
    for (const auto& instance_id : instances) {
      auto info = std::make_shared<quick_record::QuickRecordStartRecordInfo>();
      info->subject = title;
      info->record_start_time = "1700000000000";
      info->creator_instance_id = instance_id;
      plugin_->RequestStartRecord(instance_id, info, use_quic,
                                  [&answers](const std::string& id, int32_t status, const std::string& msg,
                                             int64_t biz, const std::shared_ptr<QuickRecordStartRecordResult>& r) {
                                    answers.push_back({id, status, msg, biz, r});
                                  });
    }
    EXPECT_TRUE(Wait([&] { return answers.size() >= instances.size(); })) << backend_->log();
    EXPECT_EQ(answers.size(), instances.size());
    return answers;
  }
  int PutVideo(const QuickRecordStartRecordResult& start, const std::string& content) {
    httplib::Headers headers = {{"Authorization", start.video_auth.at("put")},
                                {"X-QR-Session-Token", start.video_session_token}};
    return Objects()
        .Request("PUT", qr_backend::testing::ObjectClient::PathOf(start.cos_url), headers, content, "video/mp4")
        .status;
  }
  void EnableQuicSwitches() {
    app_->config()->SetValue("realtime", "http_quic_enable", true);
    app_->config()->SetValue("quick_record_ability", "quick_record_quic_protocol_switch", true);
  }
};

TEST_F(RecordLifecycleTest, AStartedRecordIsUploadedAndCompleted) {
  const auto answers = Start({"i-1"}, false);
  ASSERT_EQ(answers.size(), 1u);
  const StartAnswer& start = answers[0];
  EXPECT_EQ(start.status_code, 200);
  EXPECT_EQ(start.biz_code, 0) << start.msg;
  ASSERT_NE(start.result, nullptr);
  const QuickRecordStartRecordResult& r = *start.result;
  EXPECT_EQ(r.record_id.size(), 19u);
  EXPECT_EQ(r.title, "Integration talk");
  EXPECT_EQ(r.bucket_name, "qr-records");
  EXPECT_EQ(r.segment_size, 4194304);
  EXPECT_NE(r.cos_url.find("/records/"), std::string::npos);
  EXPECT_EQ(r.cos_key, r.cos_url);
  for (const char* verb : {"get", "put", "post", "head"}) {
    EXPECT_EQ(r.video_auth.count(verb), 1u) << verb;
    EXPECT_EQ(r.cover_auth.count(verb), 1u) << verb;
  }
  EXPECT_FALSE(r.video_session_token.empty());
  EXPECT_FALSE(r.cover_feature_id.empty());
  EXPECT_FALSE(r.jump_url.empty());

  ASSERT_EQ(PutVideo(r, "0123456789"), 200);
  auto info = std::make_shared<quick_record::QuickRecordCompleteRecordInfo>();
  info->record_start_time = "1700000000000";
  info->creator_instance_id = "i-1";
  info->record_id = r.record_id;
  info->file_size = "10";
  info->file_duration = "0";
  info->record_mode = "1";
  info->screen_type = "0";
  info->video_width = 1280;
  info->video_height = 720;
  int completes = 0;
  int64_t biz = -1;
  plugin_->RequestCompleteRecord("i-1", info, [&](const std::string& id, int32_t status, const std::string&, int64_t code) {
    ++completes;
    EXPECT_EQ(id, "i-1");
    EXPECT_EQ(status, 200);
    biz = code;
  });
  ASSERT_TRUE(Wait([&] { return completes > 0; }));
  EXPECT_EQ(completes, 1);
  EXPECT_EQ(biz, 0);

  const std::string uni = r.cos_url.substr(r.cos_url.find("/records/") + 9, 26);
  const nlohmann::json stored = AdminRecord(uni);
  EXPECT_EQ(stored.value("record_state", 0), 1) << stored.dump();
  EXPECT_EQ(stored.value("duration_ms", 0), 5000);
  EXPECT_EQ(stored.value("file_size", 0), 10);
  const nlohmann::json ext = stored.value("ext_info", nlohmann::json::object());
  EXPECT_EQ(ext.value("video_width", 0), 1280) << stored.dump();
  EXPECT_EQ(ext.value("video_height", 0), 720);
  EXPECT_EQ(ext.value("record_mode", ""), "1");

  std::optional<quick_record::QuickRecordSpaceInfo> space;
  plugin_->GetQuickRecordSpace([&](bool ok, const quick_record::QuickRecordSpaceInfo& s) {
    EXPECT_TRUE(ok);
    space = s;
  });
  ASSERT_TRUE(Wait([&] { return space.has_value(); }));
  EXPECT_EQ(space->total_capacity, 10737418240);
  EXPECT_EQ(space->usedspace, 10);
  EXPECT_EQ(space->meetlog_count, 1);
  EXPECT_TRUE(space->capacity_limit_switch);
}

TEST_F(RecordLifecycleTest, AnIncompleteUploadIsRefusedWithItsBusinessCode) {
  const auto answers = Start({"i-1"}, false);
  ASSERT_EQ(answers.size(), 1u);
  auto info = std::make_shared<quick_record::QuickRecordCompleteRecordInfo>();
  info->record_id = answers[0].result->record_id;
  info->file_size = "10";
  info->file_duration = "1000";
  int64_t biz = -1;
  plugin_->RequestCompleteRecord("i-1", info, [&](const std::string&, int32_t, const std::string&, int64_t code) {
    biz = code;
  });
  ASSERT_TRUE(Wait([&] { return biz != -1; }));
  EXPECT_EQ(biz, 40900);
}

TEST_F(RecordLifecycleTest, TheObjectStoreAnswersTheProbeSoQuicStartsAreDelivered) {
  const auto answers = Start({"i-1", "i-2"}, true);
  ASSERT_EQ(answers.size(), 2u);
  for (const auto& answer : answers) EXPECT_EQ(answer.biz_code, 0) << answer.msg;
  const std::string probe_url = "http://127.0.0.1:" + std::to_string(backend_->cos_port());
  EXPECT_TRUE(QuickRecordHostDetectCache::IsReachable(probe_url, util::time::GetTimestamp()));
  EXPECT_EQ(app_->user_config()->Get(QuickRecordHostDetectCache::kFailTimeKey).AsInt64(-1), 0);
  EnableQuicSwitches();
  EXPECT_TRUE(QuickRecordHostDetectCache::ShouldUseQuic(util::time::GetTimestamp()));
}

TEST_F(RecordLifecycleTest, AStoreThatDoesNotShowItselfMakesTheStartGoWithoutQuic) {
  ASSERT_EQ(Admin().Call("POST", "/admin/faults", {{"server", "cos"}, {"path", "/"}, {"kind", "wrong_server"}}).status,
            200);
  const auto answers = Start({"i-1"}, true);
  ASSERT_EQ(answers.size(), 1u);
  EXPECT_EQ(answers[0].biz_code, 0);
  const std::string probe_url = "http://127.0.0.1:" + std::to_string(backend_->cos_port());
  EXPECT_FALSE(QuickRecordHostDetectCache::IsReachable(probe_url, util::time::GetTimestamp()));
  EXPECT_GT(app_->user_config()->Get(QuickRecordHostDetectCache::kFailTimeKey).AsInt64(), 0);
  EnableQuicSwitches();
  EXPECT_FALSE(QuickRecordHostDetectCache::ShouldUseQuic(util::time::GetTimestamp()));
}

TEST_F(RecordLifecycleTest, AProbeThatBreaksOffCountsAsUnreachable) {
  // The store's answer to the probe breaks off: the start is sent again without QUIC and still
  // answered once.
  ASSERT_EQ(Admin().Call("POST", "/admin/faults", {{"server", "cos"}, {"path", "/"}, {"kind", "drop"}}).status, 200);
  const auto answers = Start({"i-1"}, true);
  ASSERT_EQ(answers.size(), 1u);
  EXPECT_EQ(answers[0].biz_code, 0);
  EXPECT_GT(app_->user_config()->Get(QuickRecordHostDetectCache::kFailTimeKey).AsInt64(), 0);
}

TEST_F(RecordLifecycleTest, CancelDeletesTheRecordAndTellsTheDelegate) {
  RecordingDelegate delegate;
  plugin_->SetDelegate(&delegate);
  const auto answers = Start({"i-1"}, false);
  ASSERT_EQ(answers.size(), 1u);
  const std::string record_id = answers[0].result->record_id;
  const std::string uni = answers[0].result->cos_url.substr(answers[0].result->cos_url.find("/records/") + 9, 26);
  ASSERT_FALSE(AdminRecord(uni).is_null());
  plugin_->RequestCancelQuickRecord(record_id);
  ASSERT_TRUE(Wait([&] { return !delegate.completions.empty() || !delegate.errors.empty(); }));
  EXPECT_EQ(delegate.completions, std::vector<std::string>{"2:" + record_id});
  EXPECT_TRUE(delegate.errors.empty());
  EXPECT_TRUE(AdminRecord(uni).is_null());

  // Someone else's record: the back end refuses and the delegate hears the error.
  SignIn(bob_);
  const auto bobs = Start({"i-2"}, false);
  SignIn(alice_);
  plugin_->RequestCancelQuickRecord(bobs[0].result->record_id);
  ASSERT_TRUE(Wait([&] { return !delegate.errors.empty(); }));
  EXPECT_EQ(delegate.errors, std::vector<std::string>{"2:40300:" + bobs[0].result->record_id});
}

TEST_F(RecordLifecycleTest, TheUploadSignatureIsTheSignedInAccounts) {
  const std::string signature = plugin_->GetSig();
  EXPECT_NE(signature.find("key=W11"), std::string::npos);
  EXPECT_NE(signature.find("app_uid=alice"), std::string::npos);
}

}  // namespace
}  // namespace cloud_service_test
