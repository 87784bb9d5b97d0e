#include "module/quick_record/transcode/quick_record_transcode_service.h"

#include <gtest/gtest.h>

#include "host/app/host_application.h"
#include "host/base/logging/logger.h"
#include "host/base/threading/test_task_environment.h"
#include "module/quick_record/transcode/fake_transcode_bridge.h"
#include "module/quick_record/transcode/transcode_error_code_convert.h"

namespace quick_record {
namespace {

using base::json::JsonValue;
using Service = QuickRecordTranscodeService;

// Keeps what the service handed to the upload model, as one line per call.
class RecordingDelegate : public IQuickRecordTranscodeDelegate {
 public:
  void OnTranscodeStarted(const std::string&) override { calls.push_back("started"); }
  void OnTranscodeRecordFileSizeChanged(const std::string& id, int64_t size) override {
    calls.push_back("size " + id + " " + std::to_string(size));
  }
  void OnTranscodeProgress(const std::string& id, const std::string& record_id, double rate, bool local, bool deceit) override {
    calls.push_back("progress " + id + " " + record_id + " " + std::to_string(static_cast<int>(rate)) + " " +
                    std::to_string(local) + std::to_string(deceit));
  }
  void OnTranscodeFinish(const std::string& id, int32_t result, int64_t duration) override {
    calls.push_back("finish " + id + " " + std::to_string(result) + " " + std::to_string(duration));
  }
  void OnTranscodeStartUploadPart(const std::string& id, const std::string& block, const std::string&) override {
    calls.push_back("part " + id + " " + block);
  }
  void OnTransocdeUploadFileFinished(const TranscodeUploadFileInfo& info) override {
    calls.push_back(info.kind + " " + info.instance_id + " " + info.file_id + " " + info.file_path + " " +
                    std::to_string(info.file_size) + " " + std::to_string(info.is_recovery_upload));
  }
  void OnTranscodeUploadFileFailed(const TranscodeUploadError& e) override {
    calls.push_back("error " + e.instance_id + " " + std::to_string(e.error_code) + " " + e.request_type + " " +
                    std::to_string(e.network_break));
  }
  void OnTranscodeProcessCreateTimeout() override { calls.push_back("create timeout"); }
  void OnTranscodeProcessCreateFailed(int32_t code) override { calls.push_back("create failed " + std::to_string(code)); }
  void OnTranscodeProcessExit() override { calls.push_back("exit"); }
  void OnTranscodeDataReport(const JsonValue& params) override { calls.push_back("report " + params["record_id"].AsString()); }

  std::vector<std::string> calls;
};

class TranscodeServiceTest : public ::testing::Test {
 protected:
  TranscodeServiceTest() {
    service_ = std::make_shared<Service>(bridge_, status_);
    service_->SetTranscodeDelegate(&delegate_);
  }
  ~TranscodeServiceTest() override { service_->SetTranscodeDelegate(nullptr); }

  void Start(const std::string& tag) {
    service_->StartTranscode("_" + tag, [this, tag] { ran_.push_back(tag); });
  }
  JsonValue Json(const std::string& text) { return JsonValue::Parse(text); }

  base::test::TestTaskEnvironment env_;
  host::app::HostApplication app_;
  std::shared_ptr<testing::FakeTranscodeBridge> bridge_ = std::make_shared<testing::FakeTranscodeBridge>();
  std::shared_ptr<testing::FakeProcessStatus> status_ = std::make_shared<testing::FakeProcessStatus>();
  RecordingDelegate delegate_;
  std::shared_ptr<Service> service_;
  std::vector<std::string> ran_;
};

TEST_F(TranscodeServiceTest, TwoStartsWhileTheProcessStartsRunInOrderOnceItReports) {
  Start("a");
  Start("b");
  EXPECT_EQ(Service::kStarting, service_->state());
  EXPECT_TRUE(ran_.empty());
  ASSERT_EQ(1u, bridge_->Named("kovani:create_sub_process").size()) << "one process for both";

  bridge_->ReportStarted();
  EXPECT_EQ(Service::kStarted, service_->state());
  EXPECT_EQ((std::vector<std::string>{"a", "b"}), ran_);
  Start("c");
  EXPECT_EQ((std::vector<std::string>{"a", "b", "c"}), ran_) << "a ready process runs work at once";
  env_.FastForwardBy(Service::kCreateTimeoutMs * 2);
  EXPECT_EQ(Service::kStarted, service_->state()) << "the create timer stops when the process reports";
}

TEST_F(TranscodeServiceTest, TheCreateMessageCarriesTheCommandLine) {
  Start("a");
  const auto create = bridge_->Named("kovani:create_sub_process");
  ASSERT_EQ(1u, create.size());
  const JsonValue& m = create[0].json;
  const std::string shell = m["--shell"].AsString();
  EXPECT_FALSE(shell.empty());
  EXPECT_EQ(0u, m["--originalcmd"].AsString().rfind("--shell=\"" + shell + "\" --uid=", 0)) << m["--originalcmd"].AsString();
  EXPECT_EQ("qr-transcoder", m["--target"].AsString());
  EXPECT_EQ("0", m["--detach"].AsString());
  EXPECT_EQ("50000", m["--anrtimeout"].AsString());
  EXPECT_TRUE(m["--pid"].IsString());
}

TEST_F(TranscodeServiceTest, NoReportInFifteenSecondsFailsTheWaitingWork) {
  Start("a");
  Start("b");
  env_.FastForwardBy(Service::kCreateTimeoutMs - 1);
  EXPECT_EQ(Service::kStarting, service_->state());
  env_.FastForwardBy(1);
  EXPECT_EQ(Service::kFailed, service_->state());
  EXPECT_EQ((std::vector<std::string>{"create timeout"}), delegate_.calls);

  bridge_->ReportStarted();  // too late: the waiting work was already failed
  EXPECT_TRUE(ran_.empty());
  Start("c");
  EXPECT_EQ(2u, bridge_->Named("kovani:create_sub_process").size()) << "a failed process is created again";
  bridge_->ReportStarted();
  EXPECT_EQ((std::vector<std::string>{"c"}), ran_);
}

TEST_F(TranscodeServiceTest, ACreateErrorOfTheTranscoderFailsTheWorkButOtherTargetsAreIgnored) {
  Start("a");
  bridge_->ReportCreate(R"({"target":"other","errorcode":2})");
  bridge_->ReportCreate("not json");
  EXPECT_EQ(Service::kStarting, service_->state());
  bridge_->ReportCreate(R"({"target":"qr-transcoder","errorcode":2,"pid":0})");
  EXPECT_EQ(Service::kFailed, service_->state());
  EXPECT_EQ((std::vector<std::string>{"create failed 2"}), delegate_.calls);
  env_.FastForwardBy(Service::kCreateTimeoutMs);
  EXPECT_EQ(1u, delegate_.calls.size()) << "no time-out after a reported failure";
  EXPECT_TRUE(ran_.empty());
}

TEST_F(TranscodeServiceTest, ARunningProcessIsUsedWithoutCreatingAnother) {
  status_->running = true;
  Start("a");
  EXPECT_EQ(Service::kStarted, service_->state());
  EXPECT_EQ((std::vector<std::string>{"a"}), ran_);
  EXPECT_TRUE(bridge_->Named("kovani:create_sub_process").empty());
}

TEST_F(TranscodeServiceTest, AnExitMakesTheNextStartCreateTheProcessAgain) {
  Start("a");
  bridge_->ReportStarted();
  bridge_->ReportExit(R"({"target":"other","reason":"exited"})");
  EXPECT_EQ(Service::kStarted, service_->state());
  bridge_->ReportExit(R"({"target":"qr-transcoder","reason":"signaled","signal":9})");
  EXPECT_EQ(Service::kNotStarted, service_->state());
  EXPECT_EQ("exit", delegate_.calls.back());
  Start("b");
  EXPECT_EQ(2u, bridge_->Named("kovani:create_sub_process").size());
}

TEST_F(TranscodeServiceTest, AuthorisationBeforeReadyIsNotSent) {
  base::logging::ScopedLogCapture log;
  UploadAuthParams auth;
  auth.instance_id = "i1";
  auth.video_auth_info = {{"put", "grant-put"}};
  EXPECT_FALSE(service_->NotifyUploadFileAuthInfo(auth));
  Start("a");
  EXPECT_FALSE(service_->NotifyUploadFileAuthInfo(auth));
  EXPECT_TRUE(log.Contains("state is not prepare, state_ = 1"));
  EXPECT_TRUE(bridge_->Named("quick_record:upload_file_auth").empty());

  bridge_->ReportStarted();
  EXPECT_TRUE(service_->NotifyUploadFileAuthInfo(auth));
  const auto sent = bridge_->Named("quick_record:upload_file_auth");
  ASSERT_EQ(1u, sent.size());
  EXPECT_EQ("i1", sent[0].json["instance_id"].AsString());
  EXPECT_EQ("grant-put", sent[0].json["video_auth_info"]["put"].AsString());
}

TEST_F(TranscodeServiceTest, TheNetworkConfigurationGoesOnStartAndOnEveryRealtimeChange) {
  app_.config()->SetValue("realtime", "http_quic_hosts", "a.example,b.example");
  Start("a");
  EXPECT_TRUE(bridge_->Named("quick_record:init_network_config").empty()) << "nobody to send it to yet";
  bridge_->ReportStarted();
  auto config = bridge_->Named("quick_record:init_network_config");
  ASSERT_EQ(1u, config.size());
  EXPECT_FALSE(config[0].json["quic_enable"].AsBoolean(true));
  EXPECT_EQ("a.example,b.example", config[0].json["quic_hosts"].AsString());

  app_.config()->SetValue("realtime", "http_quic_enable", true);
  config = bridge_->Named("quick_record:init_network_config");
  ASSERT_EQ(2u, config.size());
  EXPECT_TRUE(config[1].json["quic_enable"].AsBoolean());
  app_.config()->SetValue("other", "key", 1);
  EXPECT_EQ(2u, bridge_->Named("quick_record:init_network_config").size());
}

TEST_F(TranscodeServiceTest, EventsReachTheUploadModelWithTheirFields) {
  for (const auto& name : Service::EventNames()) EXPECT_TRUE(bridge_->registered(name)) << name;
  bridge_->Deliver("quick_record:transcode_finish", Json(R"({"instance_id":"i","result":-6,"muxer_event_duration":9980})"));
  bridge_->Deliver("quick_record:transcode_finish", Json(R"({"instance_id":"i","result":-3,"muxer_event_duration":0})"));
  bridge_->Deliver("quick_record:upload_record_file_size_changed", Json(R"({"instance_id":"i","current_record_file_size":123})"));
  bridge_->Deliver("quick_record:transcode_progress",
                   Json(R"({"instance_id":"i","record_id":"r","progress_rate":42.5,"is_local_record":false,"need_deceit":true})"));
  bridge_->Deliver("quick_record:upload_file_start_upload_part", Json(R"({"instance_id":"i","block_file_id":3,"block_file_path":"/x.mp4"})"));
  bridge_->Deliver("quick_record:upload_file_upload_subpart_finished",
                   Json(R"({"instance_id":"i","record_id":"r","file_id":3,"file_path":"/x.mp4","part_file_size":5242880,"is_recovery_upload":true})"));
  bridge_->Deliver("quick_record:upload_file_complete",
                   Json(R"({"instance_id":"i","record_id":"r","file_id":"mp4","mp4_file_path":"/x.mp4","mp4_file_size":777,"is_recovery_upload":false})"));
  bridge_->Deliver("quick_record:upload_cover_file_finished",
                   Json(R"({"instance_id":"i","record_id":"r","file_id":"cover","mp4_file_path":"/x.kovtc","mp4_file_size":9,"is_recovery_upload":false})"));
  bridge_->Deliver("quick_record:upload_file_error",
                   Json(R"({"instance_id":"i","error_code":4,"error_msg":"403","cos_error_code":403,"cos_upload_result":0,"cos_upload_current_state":2,"request_type":"part","network_break":false,"upload_type":"video"})"));
  bridge_->Deliver("quick_record::data_report", Json(R"({"params":{"record_id":"r"}})"));
  EXPECT_EQ((std::vector<std::string>{"finish i -9995 9980", "finish i -9999 0", "size i 123", "progress i r 42 01", "part i 3",
                                      "QR_UPLOAD_FILE_PART_FINISHED i 3 /x.mp4 5242880 1",
                                      "QR_UPLOAD_FILE_COMPLETE i mp4 /x.mp4 777 0",
                                      "QR_UPLOAD_COVER_FILE_FINISHED i cover /x.kovtc 9 0", "error i 4 part 0", "report r"}),
            delegate_.calls);
}

TEST_F(TranscodeServiceTest, AnUnknownNameIsOnlyLogged) {
  base::logging::ScopedLogCapture log;
  bridge_->Deliver("quick_record:data_report", Json(R"({"params":{}})"));  // one colon: not the report
  EXPECT_TRUE(delegate_.calls.empty());
  EXPECT_TRUE(log.Contains("receive event:quick_record:data_report, data:"));
}

TEST_F(TranscodeServiceTest, TranscodeResultsMapToTheModulesCodes) {
  EXPECT_EQ(0, TranscodeErrorCodeConvert(0));
  EXPECT_EQ(-9995, TranscodeErrorCodeConvert(-2));
  EXPECT_EQ(-9995, TranscodeErrorCodeConvert(-6));
  EXPECT_EQ(-9994, TranscodeErrorCodeConvert(-11));
  EXPECT_EQ(-9998, TranscodeErrorCodeConvert(-16));
  EXPECT_EQ(-9990, TranscodeErrorCodeConvert(-21));
  EXPECT_EQ(-9999, TranscodeErrorCodeConvert(-3));
  EXPECT_EQ(-9999, TranscodeErrorCodeConvert(-1));
  EXPECT_EQ(-9999, TranscodeErrorCodeConvert(1));
}

TEST_F(TranscodeServiceTest, ARefusedSendAnswersTheHostCode) {
  base::logging::ScopedLogCapture log;
  bridge_->send_result = kovanisdk::IBridgeIPCService::kNoProcess;
  EXPECT_EQ(kovanisdk::IBridgeIPCService::kNoProcess, service_->StopTranscode("i"));
  EXPECT_TRUE(log.Contains("Send ipc message failed,code :-2"));
}

TEST_F(TranscodeServiceTest, EndProcessAsksTheProcessStatusPlugin) {
  EXPECT_FALSE(service_->EndProcessTranscode());
  status_->running = true;
  EXPECT_TRUE(service_->EndProcessTranscode());
  EXPECT_EQ(2, status_->end_calls);
}

}  // namespace
}  // namespace quick_record
