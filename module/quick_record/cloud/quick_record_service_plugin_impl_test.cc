#include "module/quick_record/cloud/quick_record_service_plugin_impl.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/base/net/http_request.h"
#include "host/base/net/http_response.h"
#include "host/util/time.h"
#include "module/quick_record/entry/plugin_interface_registry.h"
#include "module/quick_record/entry/quick_record_ids.h"
#include "module/quick_record/cloud/requests/list/cloud_record_query_by_meeting_request.h"
#include "module/quick_record/cloud/requests/list/cloud_record_rename_record_data_request.h"
#include "module/quick_record/cloud/requests/list/cloud_record_rename_review_status_request.h"
#include "module/quick_record/cloud/requests/list/quick_record_all_record_list_request.h"
#include "module/quick_record/cloud/quick_record_host_detect_cache.h"
#include "module/quick_record/cloud/requests/list/quick_record_list_request.h"
#include "module/quick_record/cloud/requests/list/quick_record_recent_record_list_request.h"
#include "module/quick_record/cloud/requests/record/quick_record_start_record_request.h"
#include "module/quick_record/cloud/requests/record/quick_recordd_cancel_record_request.h"
#include "module/quick_record/cloud/record_preload_source.h"
#include "module/quick_record/cloud/service_test_fixture.h"

namespace quick_record {
namespace {

using base::json::JsonValue;
using base::variant::Variant;
using Plugin = QuickRecordServicePluginImpl;

constexpr char kStartPath[] = "/v2/record/control/get-start-data";
constexpr char kObjectUrl[] = "https://bucket.cos.example/records/qr1/video.mp4";
constexpr char kProbeUrl[] = "https://bucket.cos.example";

// Records the probes started instead of sending them.
class FakeProbeClient : public base::net::HttpClient {
 public:
  explicit FakeProbeClient(std::vector<std::shared_ptr<base::net::HttpRequest>>* started) : started_(started) {}
  bool Start(const std::shared_ptr<base::net::HttpRequest>& request) override {
    started_->push_back(request);
    return true;
  }

 private:
  std::vector<std::shared_ptr<base::net::HttpRequest>>* started_;
};

struct DelegateCall {
  std::string what;
  int32_t type = 0;
  int64_t code = 0;
  std::string text;
  std::string record_id;
};

class RecordingDelegate : public IQuickRecordDelegate {
 public:
  void OnSigRefresh(const std::string& signature) override { calls.push_back({"sig", 0, 0, signature, ""}); }
  void OnStartQuickRecordAuthResponse(const std::shared_ptr<QuickRecordStartRecordResult>&) override {
    calls.push_back({"start", 0, 0, "", ""});
  }
  void OnRequestError(int32_t type, int64_t code, const std::string& message, const std::string& record_id) override {
    calls.push_back({"error", type, code, message, record_id});
  }
  void OnRequestComplete(int32_t type, const std::string& record_id) override {
    calls.push_back({"complete", type, 0, "", record_id});
  }
  std::vector<DelegateCall> calls;
};

struct StartAnswer {
  std::string instance_id;
  int32_t status_code;
  std::string msg;
  int64_t biz_code;
  std::shared_ptr<QuickRecordStartRecordResult> result;
};

// A stand-in for host model 1000043 that answers what the test puts in and keeps the arguments.
class FakePreloadModel : public framework::ModelImpl {
 public:
  FakePreloadModel() {
    for (int32_t operation :
         {RecordPreloadSource::kMeetingPage, RecordPreloadSource::kOnlyLocalRecords, RecordPreloadSource::kTabPage}) {
      BindMethod(operation, [this, operation](const Variant& args, Variant* result) {
        calls.emplace_back(operation, args);
        const auto answer = answers.find(operation);
        if (answer == answers.end()) return false;
        if (result) *result = answer->second;
        return true;
      });
    }
  }
  static Variant Page(int32_t status, int64_t biz_code, const std::string& body) {
    Variant response = Variant::MakeMap();
    response.Set("status_code", status);
    response.Set("msg", "preloaded");
    response.Set("biz_code", biz_code);
    response.Set("body", body);
    Variant answer = Variant::MakeMap();
    answer.Set("result", response);
    return answer;
  }
  std::map<int32_t, Variant> answers;
  std::vector<std::pair<int32_t, Variant>> calls;
};

class ServicePluginTest : public testing::ServiceTest {
 protected:
  void SetUp() override {
    plugin_ = std::make_shared<Plugin>(
        [this](base::net::HttpClient::Delegate*) { return std::make_unique<FakeProbeClient>(&probes_); });
    plugin_->SetDelegate(&delegate_);
  }

  void AnswerStarts(const std::string& object_url = kObjectUrl) {
    auto data = JsonValue::Object();
    data.SetJsonObject("record_id", "42");
    data.SetJsonObject("video_cos_key", object_url);
    fake_->AnswerEnvelope(kStartPath, 0, "ok", data);
  }
  void Start(const std::string& instance_id, bool use_quic) {
    auto info = std::make_shared<QuickRecordStartRecordInfo>();
    info->subject = "Talk " + instance_id;
    info->creator_instance_id = instance_id;
    plugin_->RequestStartRecord(instance_id, info, use_quic,
                                [this](const std::string& id, int32_t status, const std::string& msg, int64_t biz,
                                       const std::shared_ptr<QuickRecordStartRecordResult>& result) {
                                  starts_.push_back({id, status, msg, biz, result});
                                });
  }
  void AnswerProbe(int status, const std::string& server, const std::string& ip = "10.0.0.7") {
    base::net::HttpOutcome outcome;
    outcome.status = status;
    if (!server.empty()) outcome.headers.emplace_back("server", server);
    outcome.remote_ip = ip;
    plugin_->OnComplete(nullptr, std::make_shared<base::net::HttpResponse>(kProbeUrl, outcome));
    env_.RunUntilIdle();
  }
  void CacheProbe(bool reachable, int64_t age_seconds) {
    const int64_t ts = util::time::GetTimestamp() - age_seconds;
    app_->user_config()->Set(QuickRecordHostDetectCache::kResultKey,
                             std::string(R"({"https://bucket.cos.example": {"acc": )") +
                                 (reachable ? "true" : "false") + R"(, "ts": )" + std::to_string(ts) + "}}");
  }
  std::vector<bool> StartQuicFlags() {
    std::vector<bool> flags;
    for (const auto& request : fake_->requests()) {
      if (request.path == kStartPath) flags.push_back(JsonValue::Parse(request.body)["use_quic"].AsBoolean());
    }
    return flags;
  }
  std::shared_ptr<FakePreloadModel> InstallPreload() {
    auto model = std::make_shared<FakePreloadModel>();
    app_->RegisterHostModel(RecordPreloadSource::kModelId, [model] { return model; });
    return model;
  }

  std::vector<std::shared_ptr<base::net::HttpRequest>> probes_;
  RecordingDelegate delegate_;
  std::shared_ptr<Plugin> plugin_;
  std::vector<StartAnswer> starts_;
};

TEST_F(ServicePluginTest, TheRegistryMakesTheCloudServiceUnderItsName) {
  auto instance = CreatePluginInterfaceByName(kServicePluginName);
  EXPECT_NE(std::dynamic_pointer_cast<QuickRecordServicePluginImpl>(instance), nullptr);
}

// ---- Start and the reachability probe ----

TEST_F(ServicePluginTest, AStartWithoutQuicIsDeliveredOnceWithoutAProbe) {
  AnswerStarts();
  Start("i-1", false);
  env_.RunUntilIdle();
  ASSERT_EQ(starts_.size(), 1u);
  EXPECT_EQ(starts_[0].instance_id, "i-1");
  EXPECT_EQ(starts_[0].status_code, 200);
  EXPECT_EQ(starts_[0].msg, "ok");
  EXPECT_EQ(starts_[0].biz_code, 0);
  ASSERT_NE(starts_[0].result, nullptr);
  EXPECT_EQ(starts_[0].result->record_id, "42");
  EXPECT_TRUE(probes_.empty());
  EXPECT_EQ(StartQuicFlags(), std::vector<bool>{false});
  EXPECT_TRUE(log_.Contains("quic_tsf instance_id=i-1, final cos_url=" + std::string(kObjectUrl)));
}

TEST_F(ServicePluginTest, AFreshReachableCacheEntryDeliversWithoutAProbe) {
  CacheProbe(true, QuickRecordHostDetectCache::kValiditySeconds - 1);
  AnswerStarts();
  Start("i-1", true);
  env_.RunUntilIdle();
  ASSERT_EQ(starts_.size(), 1u);
  EXPECT_TRUE(probes_.empty());
  EXPECT_EQ(StartQuicFlags(), std::vector<bool>{true});
}

TEST_F(ServicePluginTest, ACacheEntryOfExactlyThirtyDaysIsProbedAgain) {
  CacheProbe(true, QuickRecordHostDetectCache::kValiditySeconds);
  AnswerStarts();
  Start("i-1", true);
  env_.RunUntilIdle();
  EXPECT_TRUE(starts_.empty());
  ASSERT_EQ(probes_.size(), 1u);
  EXPECT_EQ(probes_[0]->url(), kProbeUrl);
  EXPECT_EQ(probes_[0]->method(), "HEAD");
  EXPECT_TRUE(probes_[0]->fresh_connection());
  EXPECT_EQ(probes_[0]->timeout_ms(), Plugin::kProbeTimeoutMs);
  EXPECT_TRUE(log_.Contains("quic_tsf start detect, url=https://bucket.cos.example instance_id i-1"));
}

TEST_F(ServicePluginTest, TwoStartsOnOneHostShareOneProbeAndAreBothDelivered) {
  AnswerStarts();
  Start("i-1", true);
  Start("i-2", true);
  env_.RunUntilIdle();
  EXPECT_EQ(probes_.size(), 1u);
  EXPECT_TRUE(starts_.empty());

  AnswerProbe(403, "halvard-cos");
  ASSERT_EQ(starts_.size(), 2u);
  EXPECT_EQ(starts_[0].instance_id, "i-1");
  EXPECT_EQ(starts_[1].instance_id, "i-2");
  EXPECT_EQ(StartQuicFlags(), (std::vector<bool>{true, true}));
  EXPECT_TRUE(QuickRecordHostDetectCache::IsReachable(kProbeUrl, util::time::GetTimestamp()));
  EXPECT_EQ(app_->user_config()->Get(QuickRecordHostDetectCache::kFailTimeKey).AsInt64(-1), 0);
  EXPECT_TRUE(log_.Contains("quic_tsfhttps://bucket.cos.example accessible=1 ip=10.0.0.7 server=halvard-cos"));

  // The next start finds the cached result.
  Start("i-3", true);
  env_.RunUntilIdle();
  EXPECT_EQ(starts_.size(), 3u);
  EXPECT_EQ(probes_.size(), 1u);
}

TEST_F(ServicePluginTest, ProbeAnswersThatDoNotProveTheStoreResendWithoutQuic) {
  struct Probe {
    int status;
    const char* server;
    const char* ip;
  };
  for (const Probe& probe : {Probe{200, "halvard-cos", "10.0.0.7"}, Probe{403, "nginx", "10.0.0.7"},
                             Probe{403, "halvard-cos", ""}, Probe{0, "", ""}}) {
    fake_ = std::make_shared<KOVANI_CGI::FakeRequestTransport>();
    KOVANI_CGI::ScopedRequestTransport fresh(fake_);
    starts_.clear();
    probes_.clear();
    app_->user_config()->Set(QuickRecordHostDetectCache::kResultKey, "");
    AnswerStarts();
    Start("i-1", true);
    Start("i-2", true);
    env_.RunUntilIdle();
    ASSERT_EQ(probes_.size(), 1u);
    AnswerProbe(probe.status, probe.server, probe.ip);
    ASSERT_EQ(starts_.size(), 2u) << probe.status << probe.server << probe.ip;
    EXPECT_EQ(StartQuicFlags(), (std::vector<bool>{true, true, false, false}));
    EXPECT_EQ(app_->user_config()->Get(QuickRecordHostDetectCache::kFailTimeKey).AsInt64(), util::time::GetTimestamp());
    EXPECT_FALSE(QuickRecordHostDetectCache::IsReachable(kProbeUrl, util::time::GetTimestamp()));
    // No second probe: the re-sent starts do not ask for QUIC.
    EXPECT_EQ(probes_.size(), 1u);
  }
}

TEST_F(ServicePluginTest, AnObjectUrlThatCannotBeProbedIsResentWithoutQuic) {
  AnswerStarts("ftp://bucket.cos.example/video.mp4");
  Start("i-1", true);
  env_.RunUntilIdle();
  EXPECT_TRUE(log_.Contains("http_req is null, check failed! "));
  ASSERT_EQ(starts_.size(), 1u);
  EXPECT_EQ(StartQuicFlags(), (std::vector<bool>{true, false}));
  EXPECT_TRUE(probes_.empty());
}

TEST_F(ServicePluginTest, AFailedStartIsDeliveredAtOnceEvenWithQuic) {
  fake_->AnswerEnvelope(kStartPath, 41300, "quota exceeded");
  Start("i-1", true);
  env_.RunUntilIdle();
  ASSERT_EQ(starts_.size(), 1u);
  EXPECT_EQ(starts_[0].biz_code, 41300);
  EXPECT_EQ(starts_[0].msg, "quota exceeded");
  EXPECT_TRUE(probes_.empty());
}

TEST_F(ServicePluginTest, TheProbeUrlKeepsAPortThatIsNotTheSchemesOwn) {
  AnswerStarts("http://127.0.0.1:38911/qr-records/records/qr1/video.mp4");
  Start("i-1", true);
  env_.RunUntilIdle();
  ASSERT_EQ(probes_.size(), 1u);
  EXPECT_EQ(probes_[0]->url(), "http://127.0.0.1:38911");
}

TEST_F(ServicePluginTest, AStartAnsweredAfterThePluginIsGoneIsDropped) {
  Start("i-1", false);
  plugin_.reset();
  ASSERT_EQ(fake_->pending_count(), 1u);
  fake_->AnswerNextPending(KOVANI_CGI::FakeRequestTransport::Json(R"({"code":0,"msg":"ok","data":{}})"));
  env_.RunUntilIdle();
  EXPECT_TRUE(starts_.empty());
  EXPECT_TRUE(log_.Contains("Quick record service has been released"));
}

TEST_F(ServicePluginTest, AProbeReportAfterThePluginIsGoneIsIgnored) {
  AnswerStarts();
  Start("i-1", true);
  env_.RunUntilIdle();
  ASSERT_EQ(probes_.size(), 1u);
  std::weak_ptr<Plugin> weak = plugin_;
  Plugin* raw = plugin_.get();
  // The report is posted to the main looper from the I/O looper; the plugin goes in between.
  base::net::HttpOutcome outcome;
  outcome.status = 403;
  outcome.headers.emplace_back("server", "halvard-cos");
  outcome.remote_ip = "10.0.0.7";
  raw->OnComplete(nullptr, std::make_shared<base::net::HttpResponse>(kProbeUrl, outcome));
  plugin_.reset();
  env_.RunUntilIdle();
  EXPECT_TRUE(weak.expired());
  EXPECT_TRUE(starts_.empty());
  EXPECT_EQ(app_->user_config()->Get(QuickRecordHostDetectCache::kResultKey).AsString(), "");
}

// ---- Cancel ----

TEST_F(ServicePluginTest, ACancelTheBackEndAcceptedIsReportedAsComplete) {
  fake_->AnswerEnvelope(QuickRecorddCancelRecordRequest::kPath, 0, "ok");
  plugin_->RequestCancelQuickRecord("42");
  env_.RunUntilIdle();
  ASSERT_EQ(delegate_.calls.size(), 1u);
  EXPECT_EQ(delegate_.calls[0].what, "complete");
  EXPECT_EQ(delegate_.calls[0].type, 2);
  EXPECT_EQ(delegate_.calls[0].record_id, "42");
  EXPECT_TRUE(log_.Contains("cancel quick record, record id:42"));
  EXPECT_TRUE(log_.Contains("cancel record:42 successed"));
}

TEST_F(ServicePluginTest, ARefusedCancelIsReportedAsAnError) {
  fake_->AnswerEnvelope(QuickRecorddCancelRecordRequest::kPath, 40300, "not yours");
  plugin_->RequestCancelQuickRecord("42");
  env_.RunUntilIdle();
  ASSERT_EQ(delegate_.calls.size(), 1u);
  EXPECT_EQ(delegate_.calls[0].what, "error");
  EXPECT_EQ(delegate_.calls[0].type, 2);
  EXPECT_EQ(delegate_.calls[0].code, 40300);
  EXPECT_EQ(delegate_.calls[0].text, "not yours");
  EXPECT_EQ(delegate_.calls[0].record_id, "42");
  EXPECT_TRUE(log_.Contains("RequestTypeCancel invalid result"));
  EXPECT_TRUE(log_.Contains("request server error, type:2,error_code:40300,error_msg:not yours,record_id:42"));
}

TEST_F(ServicePluginTest, ACancelWithoutADelegateOnlyLogs) {
  plugin_->SetDelegate(nullptr);
  fake_->AnswerFailure(QuickRecorddCancelRecordRequest::kPath, base::net::NetError::kConnectFailed);
  plugin_->RequestCancelQuickRecord("42");
  env_.RunUntilIdle();
  EXPECT_TRUE(delegate_.calls.empty());
  EXPECT_TRUE(log_.Contains("RequestTypeCancel invalid result"));
}

// ---- Upload signature ----

TEST_F(ServicePluginTest, TheUploadSignatureGoesToTheDelegateForItsKeyOnly) {
  const std::string signature = plugin_->GetSig();
  EXPECT_NE(signature.find("key=W11"), std::string::npos);
  EXPECT_TRUE(log_.Contains(" GetSig:" + std::to_string(signature.size())));
  plugin_->OnUpdateSignature("X99");
  EXPECT_TRUE(delegate_.calls.empty());
  plugin_->OnUpdateSignature("W11");
  ASSERT_EQ(delegate_.calls.size(), 1u);
  EXPECT_EQ(delegate_.calls[0].what, "sig");
  EXPECT_EQ(delegate_.calls[0].text, signature);
}

TEST_F(ServicePluginTest, TheSignatureServiceAnnouncesToThePluginUntilItIsGone) {
  plugin_->GetSig();
  kovanisdk::utils::service::GetSignatureService()->OnAccountChanged();
  env_.RunUntilIdle();
  ASSERT_FALSE(delegate_.calls.empty());
  EXPECT_EQ(delegate_.calls.back().what, "sig");
  EXPECT_TRUE(log_.Contains("OnUpdateSignature  W11"));
  plugin_.reset();
  log_.sink().Clear();
  kovanisdk::utils::service::GetSignatureService()->OnAccountChanged();
  env_.RunUntilIdle();
  EXPECT_FALSE(log_.Contains("OnUpdateSignature"));
}

// ---- Rename and its review ----

JsonValue RenameData(const std::string& version) {
  return JsonValue::Parse(R"({"fire_id":"f1","biz_id":"record_title","resource_id":"qr1","resource_part_id":"p1",
                              "version":")" +
                          version + R"("})");
}

class RenameTest : public ServicePluginTest {
 protected:
  void Rename() {
    plugin_->UpdateRecordTitle(UpdateRecordTitleReq{"New", "", "qr1"},
                               [this](const UpdateRecordResp& resp) { renames_.push_back(resp); });
  }
  void AnswerReview(int32_t status, const std::string& tips = "t") {
    auto data = JsonValue::Object();
    data.SetJsonObject("status", status);
    data.SetJsonObject("tips", tips);
    fake_->AnswerEnvelope(CloudRecordRenameReviewStatusRequest::kPath, 0, "ok", data);
  }
  size_t Reviews() const { return CountRequestsTo(CloudRecordRenameReviewStatusRequest::kPath); }
  std::vector<UpdateRecordResp> renames_;
};

TEST_F(RenameTest, ARenameWithoutVersionAnswersAtOnce) {
  fake_->AnswerEnvelope(CloudRecordRenameRecordDataRequest::kPath, 0, "renamed", RenameData(""));
  Rename();
  env_.FastForwardBy(10 * Plugin::kReviewIntervalMs);
  ASSERT_EQ(renames_.size(), 1u);
  EXPECT_TRUE(renames_[0].success);
  EXPECT_EQ(renames_[0].message, "renamed");
  EXPECT_EQ(Reviews(), 0u);
  EXPECT_TRUE(log_.Contains("Update cloud record data (rename), no need to check review status"));
}

TEST_F(RenameTest, ARefusedRenameAnswersItsFailure) {
  fake_->AnswerEnvelope(CloudRecordRenameRecordDataRequest::kPath, 40000, "blank title");
  Rename();
  env_.FastForwardBy(10 * Plugin::kReviewIntervalMs);
  ASSERT_EQ(renames_.size(), 1u);
  EXPECT_FALSE(renames_[0].success);
  EXPECT_EQ(renames_[0].message, "blank title");
  EXPECT_EQ(renames_[0].code, 40000);
  EXPECT_EQ(Reviews(), 0u);
}

TEST_F(RenameTest, TheReviewIsAskedTwoSecondsLaterAndItsVerdictAnswers) {
  fake_->AnswerEnvelope(CloudRecordRenameRecordDataRequest::kPath, 0, "ok", RenameData("1"));
  AnswerReview(1);
  Rename();
  env_.RunUntilIdle();
  env_.FastForwardBy(Plugin::kReviewIntervalMs - 1);
  EXPECT_EQ(Reviews(), 0u);
  env_.FastForwardBy(1);
  EXPECT_EQ(Reviews(), 1u);
  EXPECT_EQ(OnlyBodyTo(CloudRecordRenameReviewStatusRequest::kPath), RenameData("1"));
  AnswerReview(0, "accepted");
  env_.FastForwardBy(Plugin::kReviewIntervalMs);
  EXPECT_EQ(Reviews(), 2u);
  ASSERT_EQ(renames_.size(), 1u);
  EXPECT_TRUE(renames_[0].success);
  EXPECT_EQ(renames_[0].message, "accepted");
  env_.FastForwardBy(10 * Plugin::kReviewIntervalMs);
  EXPECT_EQ(Reviews(), 2u);
}

TEST_F(RenameTest, ARejectedTitleEndsThePollingWithoutSuccess) {
  fake_->AnswerEnvelope(CloudRecordRenameRecordDataRequest::kPath, 0, "ok", RenameData("3"));
  AnswerReview(2, "blocked word");
  Rename();
  env_.FastForwardBy(Plugin::kReviewIntervalMs);
  ASSERT_EQ(renames_.size(), 1u);
  EXPECT_FALSE(renames_[0].success);
  EXPECT_EQ(renames_[0].message, "blocked word");
}

TEST_F(RenameTest, AReviewThatNeverSettlesEndsAfterSixteenChecks) {
  fake_->AnswerEnvelope(CloudRecordRenameRecordDataRequest::kPath, 0, "ok", RenameData("1"));
  AnswerReview(1, "pending");
  Rename();
  env_.RunUntilIdle();
  for (size_t check = 1; check <= 16; ++check) {
    env_.FastForwardBy(Plugin::kReviewIntervalMs);
    EXPECT_EQ(Reviews(), check);
  }
  ASSERT_EQ(renames_.size(), 1u);
  EXPECT_FALSE(renames_[0].success);
  EXPECT_EQ(renames_[0].message, "pending");
  EXPECT_EQ(log_.Count("Max check rename review status times."), 1u);
  env_.FastForwardBy(10 * Plugin::kReviewIntervalMs);
  EXPECT_EQ(Reviews(), 16u);
}

TEST_F(RenameTest, AFailedReviewRequestEndsWithItsMessage) {
  fake_->AnswerEnvelope(CloudRecordRenameRecordDataRequest::kPath, 0, "ok", RenameData("1"));
  fake_->AnswerEnvelope(CloudRecordRenameReviewStatusRequest::kPath, 40400, "no such review");
  Rename();
  env_.FastForwardBy(Plugin::kReviewIntervalMs);
  ASSERT_EQ(renames_.size(), 1u);
  EXPECT_FALSE(renames_[0].success);
  EXPECT_EQ(renames_[0].message, "no such review");
  EXPECT_EQ(renames_[0].code, 40400);
}

// At deactivation the service goes before its library: the pending check must leave the main
// looper with it, taking the caller's callback along, rather than wait there for its turn.
TEST_F(RenameTest, ThePendingReviewCheckLeavesTheLooperWithThePlugin) {
  fake_->AnswerEnvelope(CloudRecordRenameRecordDataRequest::kPath, 0, "ok", RenameData("1"));
  AnswerReview(1);
  auto held = std::make_shared<int>(0);
  std::weak_ptr<int> callback_state = held;
  plugin_->UpdateRecordTitle(UpdateRecordTitleReq{"New", "", "qr1"},
                             [this, held](const UpdateRecordResp& resp) { renames_.push_back(resp); });
  held.reset();
  env_.RunUntilIdle();
  EXPECT_EQ(env_.main_looper().PendingCount(), 1u);
  EXPECT_FALSE(callback_state.expired());

  plugin_.reset();
  EXPECT_EQ(env_.PendingTaskCount(), 0u);
  EXPECT_TRUE(callback_state.expired());
  env_.FastForwardBy(20 * Plugin::kReviewIntervalMs);
  EXPECT_EQ(Reviews(), 0u);
  EXPECT_TRUE(renames_.empty());
}

// ---- Lists and the preload shortcut ----

constexpr char kListBody[] =
    R"({"code":0,"msg":"ok","nonce":"n1","data":{"records":[{"uni_record_id":"p1"},{"uni_record_id":"p2"}],
        "page_info":{"index":"c1","has_more":true}}})";

class ListTest : public ServicePluginTest {
 protected:
  void AnswerLists() {
    for (const char* path : {QuickRecordAllRecordListRequest::kPath, QuickRecordListRequest::kPath,
                             QuickRecordRecentRecordListRequest::kPath, CloudRecordQueryByMeetingRequest::kPath}) {
      fake_->AnswerEnvelope(path, 0, "ok", JsonValue::Parse(R"({"records":[{"uni_record_id":"net"}]})"));
    }
  }
  RecordListReq FirstPage() const { return RecordListReq{"", "", 20, "t-1", 2, true}; }
  QuickRecordServicePlugin::RecordListCallback Keep() {
    return [this](const QuickRecordListResult& result) { lists_.push_back(result); };
  }
  std::vector<QuickRecordListResult> lists_;
};

TEST_F(ListTest, ListSuccessNeedsBusinessCodeZero) {
  AnswerLists();
  plugin_->RequestAllRecordList(FirstPage(), Keep());
  env_.RunUntilIdle();
  ASSERT_EQ(lists_.size(), 1u);
  EXPECT_TRUE(lists_[0].success);
  EXPECT_FALSE(lists_[0].from_preload);
  EXPECT_EQ(lists_[0].trace_id, "t-1");
  ASSERT_EQ(lists_[0].records.size(), 1u);
  EXPECT_TRUE(log_.Contains("RequestAllRecordList request auth, trace_id: t-1"));
  EXPECT_TRUE(log_.Contains("RequestAllRecordList resp, trace_id: t-1"));

  fake_->AnswerEnvelope(QuickRecordListRequest::kPath, 40300, "no");
  plugin_->RequestRecordList(FirstPage(), Keep());
  env_.RunUntilIdle();
  ASSERT_EQ(lists_.size(), 2u);
  EXPECT_FALSE(lists_[1].success);
  EXPECT_EQ(lists_[1].biz_code, 40300);
  EXPECT_TRUE(log_.Contains("RequestMyRecordList failed, trace_id: t-1"));
}

TEST_F(ListTest, APreloadedFirstPageAnswersWithoutARequest) {
  auto preload = InstallPreload();
  preload->answers[RecordPreloadSource::kTabPage] = FakePreloadModel::Page(200, 0, kListBody);
  plugin_->RequestAllRecordList(FirstPage(), Keep());
  plugin_->RequestRecordList(FirstPage(), Keep());
  plugin_->RequestRecentRecordList(FirstPage(), Keep());
  env_.RunUntilIdle();
  EXPECT_TRUE(fake_->requests().empty());
  ASSERT_EQ(lists_.size(), 3u);
  for (const auto& list : lists_) {
    EXPECT_TRUE(list.success);
    EXPECT_TRUE(list.from_preload);
    EXPECT_EQ(list.nonce, "n1");
    EXPECT_EQ(list.page_info.index, "c1");
    EXPECT_EQ(list.records.size(), 2u);
  }
  ASSERT_EQ(preload->calls.size(), 3u);
  std::vector<int32_t> tables;
  for (const auto& [operation, args] : preload->calls) {
    EXPECT_EQ(operation, RecordPreloadSource::kTabPage);
    EXPECT_TRUE(args.GetBool("is_first_page"));
    EXPECT_EQ(args.GetInt32("record_method_type"), 2);
    EXPECT_TRUE(args.Has("only_query"));
    EXPECT_FALSE(args.GetBool("only_query", true));
    tables.push_back(args.GetInt32("table_type", -1));
  }
  EXPECT_EQ(tables, (std::vector<int32_t>{0, 2, 1}));
  EXPECT_TRUE(log_.Contains("RequestAllRecordList use preload, trace_id: t-1"));
  EXPECT_TRUE(log_.Contains("RequestMyRecordList use preload, trace_id: t-1"));
  EXPECT_TRUE(log_.Contains("RequestRecentRecordList use preload, trace_id: t-1"));
}

TEST_F(ListTest, AnEmptyOrFailedPreloadFallsBackToTheNetwork) {
  auto preload = InstallPreload();
  AnswerLists();
  preload->answers[RecordPreloadSource::kTabPage] =
      FakePreloadModel::Page(200, 0, R"({"code":0,"data":{"records":[],"page_info":{}}})");
  plugin_->RequestAllRecordList(FirstPage(), Keep());
  env_.RunUntilIdle();
  EXPECT_TRUE(log_.Contains("RequestPreloadTabRecordList preload record list empty"));
  preload->answers[RecordPreloadSource::kTabPage] = FakePreloadModel::Page(200, 0, "not json");
  plugin_->RequestAllRecordList(FirstPage(), Keep());
  env_.RunUntilIdle();
  preload->answers[RecordPreloadSource::kTabPage] = FakePreloadModel::Page(500, 0, kListBody);
  plugin_->RequestAllRecordList(FirstPage(), Keep());
  env_.RunUntilIdle();
  EXPECT_TRUE(log_.Contains("RequestPreloadTabRecordList preload record list failed"));
  preload->answers.erase(RecordPreloadSource::kTabPage);
  plugin_->RequestAllRecordList(FirstPage(), Keep());
  env_.RunUntilIdle();

  EXPECT_EQ(CountRequestsTo(QuickRecordAllRecordListRequest::kPath), 4u);
  ASSERT_EQ(lists_.size(), 4u);
  for (const auto& list : lists_) {
    EXPECT_FALSE(list.from_preload);
    ASSERT_EQ(list.records.size(), 1u);
    EXPECT_EQ(list.records[0].uni_record_id, "net");
  }
}

TEST_F(ListTest, WithoutThePreloadModelTheListsComeFromTheNetwork) {
  AnswerLists();
  EXPECT_FALSE(plugin_->RequestPreloadTabRecordList(QuickRecordServicePlugin::kTableAll, FirstPage(), Keep()));
  plugin_->RequestRecentRecordList(FirstPage(), Keep());
  env_.RunUntilIdle();
  EXPECT_EQ(CountRequestsTo(QuickRecordRecentRecordListRequest::kPath), 1u);
  ASSERT_EQ(lists_.size(), 1u);
}

TEST_F(ListTest, MeetingListTriesThePreloadThenTheLocalOnlyAnswerThenTheNetwork) {
  auto preload = InstallPreload();
  AnswerLists();
  MeetingRecordListReq req{"m1", "s1", "r1", "", 20, 1, "t-9"};
  preload->answers[RecordPreloadSource::kMeetingPage] = FakePreloadModel::Page(200, 0, kListBody);
  plugin_->RequestMeetingRecordList(true, req, Keep());
  env_.RunUntilIdle();
  ASSERT_EQ(lists_.size(), 1u);
  EXPECT_TRUE(lists_[0].success);
  EXPECT_EQ(lists_[0].records.size(), 2u);
  EXPECT_EQ(preload->calls[0].second.GetString("meeting_id"), "m1");
  EXPECT_EQ(preload->calls[0].second.GetString("sub_meeting_id"), "s1");
  EXPECT_EQ(preload->calls[0].second.GetString("room_id"), "r1");
  EXPECT_TRUE(log_.Contains("RequestMeetingRecordList use preload, trace_id: t-9"));

  // Without the preload flag the preloaded page is not asked for; only local records: empty.
  Variant only_local = Variant::MakeMap();
  only_local.Set("result", true);
  preload->answers[RecordPreloadSource::kOnlyLocalRecords] = only_local;
  plugin_->RequestMeetingRecordList(false, req, Keep());
  env_.RunUntilIdle();
  ASSERT_EQ(lists_.size(), 2u);
  EXPECT_TRUE(lists_[1].success);
  EXPECT_TRUE(lists_[1].records.empty());
  EXPECT_EQ(preload->calls.back().first, RecordPreloadSource::kOnlyLocalRecords);
  EXPECT_TRUE(log_.Contains("only_has_meeting_local_record: 1"));

  preload->answers[RecordPreloadSource::kMeetingPage] = FakePreloadModel::Page(200, 40000, kListBody);
  only_local.Set("result", false);
  preload->answers[RecordPreloadSource::kOnlyLocalRecords] = only_local;
  plugin_->RequestMeetingRecordList(true, req, Keep());
  env_.RunUntilIdle();
  EXPECT_TRUE(log_.Contains("RequestMeetingRecordList preload failed, trace_id: t-9"));
  EXPECT_EQ(CountRequestsTo(CloudRecordQueryByMeetingRequest::kPath), 1u);
  ASSERT_EQ(lists_.size(), 3u);
  EXPECT_EQ(lists_[2].records[0].uni_record_id, "net");
}

// ---- What every operation hands its caller ----

struct Operation {
  const char* name;
  const char* path;
  // Invokes the operation; the callback stores whether it reported success.
  std::function<void(QuickRecordServicePlugin& plugin, std::vector<bool>* successes)> invoke;
};

std::vector<Operation> Operations() {
  using P = QuickRecordServicePlugin;
  auto flag = [](std::vector<bool>* s) { return [s](bool success, auto&&...) { s->push_back(success); }; };
  return {
      {"complete", "/v2/record/control/complete",
       [](P& p, auto* s) {
         p.RequestCompleteRecord("i", std::make_shared<QuickRecordCompleteRecordInfo>(),
                                 [s](const std::string&, int32_t status, const std::string&, int64_t biz) {
                                   s->push_back(status == 200 && biz == 0);
                                 });
       }},
      {"upload file", "/v2/record/control/complete",
       [](P& p, auto* s) {
         p.RequestCompleteUploadFile("i", std::make_shared<QuickRecordUploadCompleteInfo>(),
                                     [s](const std::string&, int32_t status, const std::string&, int64_t biz) {
                                       s->push_back(status == 200 && biz == 0);
                                     });
       }},
      {"batch", "/v2/meetlog/control/batch-upload-finish",
       [](P& p, auto* s) {
         p.RequestBatchUploadFinished("b1", "t",
                                      [s](const std::string& id, int32_t status, const std::string&, int64_t biz) {
                                        s->push_back(id == "b1" && status == 200 && biz == 0);
                                      });
       }},
      {"msg", "/v2/meetlog/reddot/pull", [flag](P& p, auto* s) { p.RequestQueryQuickRecordMsg("home", flag(s)); }},
      {"msg clean", "/v2/meetlog/reddot/clear",
       [flag](P& p, auto* s) { p.RequestCleanQuickRecordMsg("home", flag(s)); }},
      {"notices", "/v2/meetlog/notice/list", [flag](P& p, auto* s) { p.RequestQueryNoticeListMsg("", flag(s)); }},
      {"space", "/v2/meetlog/query/record-capacity", [flag](P& p, auto* s) { p.GetQuickRecordSpace(flag(s)); }},
      {"limits", "/v2/meetlog/dashboard/upload_infos",
       [flag](P& p, auto* s) { p.GetLocalUploadLimitFilesInfo(flag(s)); }},
      {"censor", "/v2/meetlog/censor/batch-censor-filename",
       [flag](P& p, auto* s) {
         p.GetBatchCensorInfo({{"f", "n"}}, flag(s));
       }},
      {"history", "/v2/meetlog/dashboard/my-record-list",
       [flag](P& p, auto* s) { p.RequestMyRecordHistoryList("", flag(s)); }},
      {"single", "/v2/meetlog/main/get-record",
       [](P& p, auto* s) {
         p.RequestSingleRecordList({}, [s](const QuickRecordListResult& r) { s->push_back(r.success); });
       }},
      {"delete", "/v2/meetlog/dashboard/delete-record-info",
       [flag](P& p, auto* s) { p.DeleteRecords({"a"}, flag(s)); }},
      {"delete history", "/v2/meetlog/recent/del", [flag](P& p, auto* s) { p.DeleteRecordHistory({}, flag(s)); }},
      {"ui cfg", "/v2/meetlog/permission/get-ui-cfg",
       [flag](P& p, auto* s) { p.RequestVideoShareNewUiCfg({}, flag(s)); }},
      {"link get", "/v2/meetlog/permission/get-cfg",
       [](P& p, auto* s) {
         p.RequestVideoShareLinkData({}, [s](const tagLinkData& d) { s->push_back(d.is_success); });
       }},
      {"link set", "/v2/meetlog/permission/set-cfg",
       [flag](P& p, auto* s) { p.RequestUpdateVideoShareLinkData({}, flag(s)); }},
      {"granted", "/v2/meetlog/permission/granted-users",
       [](P& p, auto* s) {
         p.RequestVideoShareGrantUserList({}, [s](const GrantUserListResult& r) { s->push_back(r.success); });
       }},
      {"attendees", "/v2/meetlog/permission/participant-list",
       [](P& p, auto* s) {
         p.RequestVideoMeetingAttendeeList({}, [s](const MeetingAttendeeListResult& r) { s->push_back(r.success); });
       }},
      {"set grants", "/v2/meetlog/permission/set-grant-users",
       [flag](P& p, auto* s) { p.UpdateShareUserPermission({}, flag(s)); }},
      {"set grants big", "/v2/meetlog/permission/set-grant-users-big",
       [flag](P& p, auto* s) { p.AddShareUserPermissionBig({}, flag(s)); }},
      {"grant all", "/v2/meetlog/permission/grant-all-participant",
       [flag](P& p, auto* s) { p.AddAllMeetingAttendee({}, flag(s)); }},
      {"attendee count", "/v2/meetlog/permission/get-participant-cnt",
       [](P& p, auto* s) {
         p.GetMeetingAttendeeCnt({}, [s](const GetMeetingAttendeeCntResult& r) { s->push_back(r.success); });
       }},
      {"apply", "/v2/meetlog/permission/record-apply",
       [flag](P& p, auto* s) { p.RequestCloudRecordPermission({}, flag(s)); }},
      {"assign", "/v2/meetlog/permission/setAssigner", [flag](P& p, auto* s) { p.UpdateGrant({}, flag(s)); }},
      {"messenger get", "/v2/meetlog/permission/get-invite-join-state",
       [](P& p, auto* s) {
         p.GetLintraShareStatus({}, [s](const GetLintraShareStatusResult& r) { s->push_back(r.success); });
       }},
      {"messenger set", "/v2/meetlog/permission/set-invite-join-state",
       [flag](P& p, auto* s) { p.SetLintraShareStatus({}, flag(s)); }},
      {"card reddot", "/v2/meetlog/main/clear-reddot",
       [flag](P& p, auto* s) { p.CleadCloudRecordRedDot("a", "b", flag(s)); }},
  };
}

TEST_F(ServicePluginTest, EveryOperationCallsBackOnceWithSuccessOnlyForAnAcceptedAnswer) {
  for (const Operation& operation : Operations()) {
    for (const auto& [code, data, expected] :
         {std::tuple<int64_t, const char*, bool>{0, R"({"is_success":true})", true},
          std::tuple<int64_t, const char*, bool>{40300, "", false}}) {
      fake_->AnswerEnvelope(operation.path, code, "m", data[0] ? JsonValue::Parse(data) : JsonValue());
      std::vector<bool> successes;
      operation.invoke(*plugin_, &successes);
      env_.RunUntilIdle();
      ASSERT_EQ(successes.size(), 1u) << operation.name << " " << code;
      EXPECT_EQ(successes[0], expected) << operation.name << " " << code;
    }
  }
}

TEST_F(ServicePluginTest, NoOperationCallsBackAfterThePluginIsGone) {
  std::vector<bool> successes;
  for (const Operation& operation : Operations()) operation.invoke(*plugin_, &successes);
  const size_t sent = fake_->pending_count();
  EXPECT_EQ(sent, Operations().size());
  plugin_.reset();
  while (fake_->AnswerNextPending(KOVANI_CGI::FakeRequestTransport::Json(R"({"code":0,"msg":"ok","data":{}})"))) {
  }
  env_.RunUntilIdle();
  EXPECT_TRUE(successes.empty());
  EXPECT_EQ(log_.Count("Quick record service has been released"), sent - 2);
  EXPECT_EQ(log_.Count("uplaod file service has been released"), 1u);
  EXPECT_EQ(log_.Count("batch service has been released"), 1u);
}

}  // namespace
}  // namespace quick_record
