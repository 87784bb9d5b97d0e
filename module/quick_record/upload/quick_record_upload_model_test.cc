#include "module/quick_record/upload/quick_record_upload_model.h"

#include <gtest/gtest.h>

#include "host/app/host_application.h"
#include "host/app/signed_in_config.h"
#include "host/base/analytics/analytics.h"
#include "host/base/logging/logger.h"
#include "host/base/threading/test_task_environment.h"
#include "host/sdk/cgi/fake_request_transport.h"
#include "host/sdk/utils/user_config.h"
#include "host/util/file.h"
#include "host/util/scoped_temp_dir.h"
#include "module/quick_record/cloud/quick_record_service_plugin_impl.h"
#include "module/quick_record/cloud/requests/record/quick_record_start_record_request.h"
#include "module/quick_record/cloud/requests/record/quick_recordd_cancel_record_request.h"
#include "module/quick_record/cloud/requests/record/record_complete_request_base.h"
#include "module/quick_record/transcode/fake_transcode_bridge.h"
#include "module/quick_record/upload/upload_analytics.h"

namespace quick_record {
namespace {

using base::json::JsonValue;
using base::variant::Variant;
using Model = QuickRecordUploadModel;

constexpr char kStartPath[] = "/v2/record/control/get-start-data";
constexpr char kCompletePath[] = "/v2/record/control/complete";

// The upload model over a real local record database, the real cloud service answered by a fake
// transport, and the real transcode service over a fake bridge that plays the process.
class UploadModelTest : public ::testing::Test {
 protected:
  UploadModelTest() {
    history_ = std::make_shared<HistoricalLocalRecordDataService>(dir_.path(), &env_.worker_looper());
    data_ = std::make_shared<LocalRecordDataService>(dir_.path(), &env_.worker_looper(), history_);
    AnswerStart(0);
    fake_->AnswerEnvelope(kCompletePath, 0, "ok");
  }
  ~UploadModelTest() override {
    if (model_) model_->UnInit();
  }

  void MakeModel() {
    transcode_ = std::make_shared<QuickRecordTranscodeService>(bridge_, status_);
    Model::Dependencies deps;
    deps.cloud = cloud_;
    deps.transcode = transcode_;
    deps.data_service = data_;
    deps.base_paths = [this] { return std::vector<std::string>{dir_.path() + "/earlier", next_path_}; };
    deps.recorded_duration = [] { return int64_t{10000}; };
    model_ = std::make_shared<Model>(deps);
    model_->Init();
    model_->Subscribe(Model::kFireTaskUploadStatus, 1, [this](int32_t, const Variant& item) {
      statuses_.push_back(item.GetString("k_instance_id") + ":" + std::to_string(item.GetInt64("k_upload_status")));
    });
    env_.FastForwardBy(Model::kStartUpRecoveryDelayMs);
  }

  void AnswerStart(int64_t code) {
    const JsonValue data = JsonValue::Parse(R"({
      "record_id": "r42", "video_cos_key": "http://127.0.0.1:9/o/video.mp4", "bucket_name": "qr",
      "cover_default_cos_key_v1": "http://127.0.0.1:9/o/cover.jpg", "jump_url": "http://127.0.0.1/play/r42",
      "video_session_token": "vt", "cover_session_token": "ct",
      "video_auth_info": {"put": "p", "post": "po"}, "cover_default_auth_info": {"put": "cp"}})");
    fake_->AnswerEnvelope(kStartPath, code, code == 0 ? "ok" : "refused", code == 0 ? data : JsonValue());
  }

  // Writes stream files for a recording and starts it; answers the new instance id.
  std::string StartRecording(const std::string& name, const std::string& video = "video-bytes") {
    next_path_ = dir_.path() + "/" + name;
    util::file::WriteFileAtomically(next_path_ + ".kovtv", video);
    util::file::WriteFileAtomically(next_path_ + ".kovtvidx", "index");
    util::file::WriteFileAtomically(next_path_ + ".kovta", "audio");
    util::file::WriteFileAtomically(next_path_ + ".kovtaidx", "index");
    model_->OnEventQuickRecordStarted(Variant::MakeMap().Set("width", 1280).Set("height", 720).Set("record_flag", 1));
    env_.RunUntilIdle();
    return model_->current_instance_id();
  }
  // A whole recording: started, the process ready, completed.
  std::string Record(const std::string& name) {
    const std::string id = StartRecording(name);
    bridge_->ReportStarted();
    model_->OnEventQuickRecordComplete();
    env_.RunUntilIdle();
    return id;
  }
  // The process's last events of a task: the whole MP4, the cover, the report.
  void VideoUploaded(const std::string& id) {
    bridge_->Deliver("quick_record:upload_file_complete",
                     JsonValue::Parse(R"({"record_id":"r42","file_id":"mp4","mp4_file_path":"/x.mp4","mp4_file_size":4096})")
                         .SetJsonObject("instance_id", id));
    env_.RunUntilIdle();
  }
  void TaskDone(const std::string& id) {
    bridge_->Deliver("quick_record:upload_cover_file_finished",
                     JsonValue::Parse(R"({"record_id":"r42","file_id":"cover","mp4_file_path":"/x.kovtc","mp4_file_size":9})")
                         .SetJsonObject("instance_id", id));
    JsonValue params = JsonValue::Object();
    params.SetJsonObject("instance_id", id);
    bridge_->Deliver("quick_record::data_report", JsonValue::Object().SetJsonObject("params", params));
    env_.RunUntilIdle();
  }
  void UploadCompletes(const std::string& id) {
    VideoUploaded(id);
    TaskDone(id);
  }
  void UploadFails(const std::string& id, int code) {
    JsonValue e = JsonValue::Object();
    e.SetJsonObject("instance_id", id);
    e.SetJsonObject("error_code", code);
    e.SetJsonObject("request_type", "part");
    e.SetJsonObject("upload_type", "video");
    bridge_->Deliver("quick_record:upload_file_error", e);
    env_.RunUntilIdle();
  }
  size_t Sent(const std::string& name, const std::string& id) const {
    size_t n = 0;
    for (const auto& s : bridge_->Named(name)) n += s.json["instance_id"].AsString() == id;
    return n;
  }
  size_t Requests(const std::string& path) const {
    size_t n = 0;
    for (const auto& r : fake_->requests()) n += r.path == path;
    return n;
  }
  int64_t HandlingRedDots() {
    DbOperateCommonReq mine;
    mine.app_id = "qr-app";
    mine.app_uid = "alice";
    int64_t handling = -1;
    data_->QueryLocalRecordRedDotNum(mine, [&](DbQueryLocalRecordRedDotNumResp r) { handling = r.quick_record_handling_cnt; });
    env_.RunUntilIdle();
    return handling;
  }
  int64_t Status(const std::string& id) { return model_->Item(id) ? model_->Item(id)->upload_status : -1; }
  std::vector<LocalRecordDataInfo> StoredRows() {
    PluginGetLocalRecordDataListReq request;
    request.app_id = "qr-app";
    request.app_uid = "alice";
    request.is_newer = true;
    request.time = -1;
    std::vector<LocalRecordDataInfo> rows;
    data_->GetDBLocalRecordListDataByStartTime(request, [&](bool, std::vector<LocalRecordDataInfo> r) { rows = r; });
    env_.RunUntilIdle();
    return rows;
  }

  base::test::TestTaskEnvironment env_;
  util::file::ScopedTempDir dir_;
  host::app::HostApplication app_{host::app::testing::SignedInConfig()};
  std::shared_ptr<KOVANI_CGI::FakeRequestTransport> fake_ = std::make_shared<KOVANI_CGI::FakeRequestTransport>();
  KOVANI_CGI::ScopedRequestTransport scoped_{fake_};
  std::shared_ptr<HistoricalLocalRecordDataService> history_;
  std::shared_ptr<LocalRecordDataService> data_;
  std::shared_ptr<testing::FakeTranscodeBridge> bridge_ = std::make_shared<testing::FakeTranscodeBridge>();
  std::shared_ptr<testing::FakeProcessStatus> status_ = std::make_shared<testing::FakeProcessStatus>();
  std::shared_ptr<QuickRecordServicePlugin> cloud_ = std::make_shared<QuickRecordServicePluginImpl>();
  std::shared_ptr<QuickRecordTranscodeService> transcode_;
  std::shared_ptr<Model> model_;
  std::string next_path_;
  std::vector<std::string> statuses_;
};

TEST_F(UploadModelTest, ARecordingIsTranscodedAndUploadedWhileItRunsAndCompletedWhenItEnds) {
  MakeModel();
  const std::string id = StartRecording("rec1");
  ASSERT_FALSE(id.empty());
  EXPECT_EQ(kUploadStatusUploading, Status(id));
  EXPECT_EQ(1u, Requests(kStartPath)) << "authorisation is asked for at once";
  EXPECT_EQ(0u, Sent("quick_record:upload_file_auth", id)) << "not before the process is ready";

  bridge_->ReportStarted();
  ASSERT_EQ(1u, Sent("quick_record:start_transcode", id));
  const JsonValue start = bridge_->Named("quick_record:start_transcode")[0].json;
  EXPECT_EQ(next_path_ + ".kovtv", start["in_video_file"].AsString());
  EXPECT_EQ(next_path_ + ".kovtvidx", start["in_video_index_file"].AsString());
  EXPECT_EQ(next_path_ + ".mp4", start["output_file"].AsString());
  EXPECT_FALSE(start["is_record_complete"].AsBoolean(true));
  EXPECT_EQ(50, start["transcoding_threshold"].AsInteger());
  ASSERT_EQ(1u, Sent("quick_record:upload_file_auth", id)) << "the answer that came early is sent once ready";
  EXPECT_EQ("po", bridge_->Named("quick_record:upload_file_auth")[0].json["video_auth_info"]["post"].AsString());

  model_->OnEventQuickRecordComplete();
  env_.RunUntilIdle();
  ASSERT_EQ(1u, Sent("quick_record:recording_finish", id));
  EXPECT_EQ(10000, bridge_->Named("quick_record:recording_finish")[0].json["record_time_duration"].AsInteger());

  status_->running = true;
  VideoUploaded(id);
  EXPECT_EQ(1u, Requests(kCompletePath));
  EXPECT_EQ(kUploadStatusUploaded, Status(id));
  EXPECT_EQ(1u, model_->running().size()) << "the slot is held while the process puts the cover";
  EXPECT_EQ(0, status_->end_calls);
  TaskDone(id);
  EXPECT_TRUE(model_->running().empty());
  EXPECT_EQ(1, status_->end_calls) << "no task left: the process is ended";
  EXPECT_EQ("/x.kovtc", model_->Item(id)->cover_uri);
  EXPECT_EQ("http://127.0.0.1/play/r42", model_->Item(id)->jump_url);
  EXPECT_FALSE(util::file::IsFileExist(next_path_ + ".kovtv")) << "stream files are deleted after success";
  EXPECT_FALSE(util::file::IsFileExist(next_path_ + ".kovtaidx"));
  const auto rows = StoredRows();
  ASSERT_EQ(1u, rows.size());
  EXPECT_EQ(kUploadStatusUploaded, rows[0].upload_status);
  EXPECT_EQ("r42", rows[0].record_id);
  EXPECT_TRUE(rows[0].is_record_complete);
}

TEST_F(UploadModelTest, TheKeepFlagLeavesTheStreamFiles) {
  kovanisdk::utils::user_config::SetValue(Model::kKeepTempFilesKey, true);
  MakeModel();
  const std::string id = Record("keep");
  UploadCompletes(id);
  EXPECT_EQ(kUploadStatusUploaded, Status(id));
  EXPECT_TRUE(util::file::IsFileExist(next_path_ + ".kovtv"));
}

TEST_F(UploadModelTest, AFourthRecordingWaitsForASlotAndStartsWhenOneFinishes) {
  MakeModel();
  std::vector<std::string> ids;
  for (const char* name : {"a", "b", "c", "d"}) ids.push_back(Record(name));
  EXPECT_EQ(3u, model_->running().size());
  ASSERT_EQ(1u, model_->ready_queue().size());
  EXPECT_EQ(ids[3], model_->ready_queue().front());
  EXPECT_EQ(0u, Sent("quick_record:start_transcode", ids[3]));

  UploadCompletes(ids[1]);
  EXPECT_EQ(1u, Sent("quick_record:start_transcode", ids[3]));
  EXPECT_TRUE(model_->ready_queue().empty());
}

TEST_F(UploadModelTest, AnEmptyVideoFileIsDeletedNotUploaded) {
  MakeModel();
  const std::string id = StartRecording("empty", "");
  bridge_->ReportStarted();
  model_->OnEventQuickRecordComplete();
  env_.RunUntilIdle();
  EXPECT_EQ(nullptr, model_->Item(id));
  EXPECT_FALSE(util::file::IsFileExist(next_path_ + ".kovtvidx"));
  EXPECT_EQ(1u, Sent("quick_record:stop_transcode", id));
  EXPECT_TRUE(StoredRows().empty());
  EXPECT_EQ(0u, Requests(kCompletePath));
}

TEST_F(UploadModelTest, ResumingAnUploadedItemDoesNothing) {
  base::logging::ScopedLogCapture log;
  MakeModel();
  const std::string id = Record("done");
  UploadCompletes(id);
  const size_t starts = bridge_->Named("quick_record:start_transcode").size();
  EXPECT_FALSE(model_->InvokeResumeUpload(id));
  EXPECT_TRUE(log.Contains("status is not failure. It is 2"));
  EXPECT_EQ(starts, bridge_->Named("quick_record:start_transcode").size());
}

TEST_F(UploadModelTest, AServerCancelDeletesTheRecordOnTheBackEndAndLogsItsAnswer) {
  base::logging::ScopedLogCapture log;
  MakeModel();
  fake_->AnswerEnvelope(QuickRecorddCancelRecordRequest::kPath, 0, "ok", JsonValue::Parse(R"({"success": true})"));
  Variant sent;
  ASSERT_TRUE(model_->Call(Model::kInvokeRequestServerCancelRecord, Variant::MakeMap().Set("record_id", "r42"), &sent));
  EXPECT_TRUE(sent.AsBool());
  env_.RunUntilIdle();
  ASSERT_EQ(1u, Requests(QuickRecorddCancelRecordRequest::kPath));
  EXPECT_EQ("r42", JsonValue::Parse(fake_->requests().back().body)["record_id"].AsString());
  EXPECT_TRUE(log.Contains("request server cancel record, record_id:r42"));
  EXPECT_TRUE(log.Contains("cancel record:r42 successed"));

  fake_->AnswerEnvelope(QuickRecorddCancelRecordRequest::kPath, 40300, "not yours");
  EXPECT_TRUE(model_->InvokeRequestServerCancelRecord("r43"));
  env_.RunUntilIdle();
  EXPECT_EQ(2u, Requests(QuickRecorddCancelRecordRequest::kPath));
  EXPECT_TRUE(log.Contains("RequestTypeCancel invalid result"));
  EXPECT_TRUE(log.Contains("request server error, type:2,error_code:40300,error_msg:not yours,record_id:r43"));

  EXPECT_FALSE(model_->InvokeRequestServerCancelRecord(""));
  EXPECT_TRUE(log.Contains("param is null!"));
  env_.RunUntilIdle();
  EXPECT_EQ(2u, Requests(QuickRecorddCancelRecordRequest::kPath)) << "no record id, nothing to delete";
}

TEST_F(UploadModelTest, ErrorCodeFourAsksForANewGrantWithoutANewTranscode) {
  MakeModel();
  const std::string id = Record("auth");
  ASSERT_EQ(1u, Requests(kStartPath));
  UploadFails(id, 4);
  EXPECT_EQ(2u, Requests(kStartPath));
  EXPECT_EQ(1u, Sent("quick_record:start_transcode", id));
  EXPECT_EQ(2u, Sent("quick_record:upload_file_auth", id));
  EXPECT_EQ(kUploadStatusUploading, Status(id));
  EXPECT_FALSE(model_->retry_table().Contains(id));
}

TEST_F(UploadModelTest, RetriesComeAfterFiveTenAndThirtyMinutesAndNeverAFifthTime) {
  MakeModel();
  const std::string id = Record("retry");
  UploadFails(id, 2);
  EXPECT_EQ(kUploadStatusFailed, Status(id));
  EXPECT_EQ(kRetryRecoverUpload, model_->Item(id)->retry_action);
  EXPECT_TRUE(model_->retry_timer_running());
  const auto recovers = [&] { return Sent("quick_record:upload_file_auth", id) + Sent("quick_record:upload_file_recover_info", id); };
  const size_t before = recovers();

  // The tick at 325 s is more than 5 minutes after the failure: second attempt.
  env_.FastForwardBy(Model::kRetryTimerMs - 1);
  EXPECT_EQ(kUploadStatusFailed, Status(id));
  env_.FastForwardBy(1);
  EXPECT_EQ(kUploadStatusUploading, Status(id));
  EXPECT_EQ(before + 1, recovers());
  UploadFails(id, 2);
  // The third needs more than 10 minutes: the ticks at +325 s and +650 s... only the second is past.
  env_.FastForwardBy(Model::kRetryTimerMs);
  EXPECT_EQ(kUploadStatusFailed, Status(id));
  env_.FastForwardBy(Model::kRetryTimerMs);
  EXPECT_EQ(kUploadStatusUploading, Status(id));
  UploadFails(id, 2);
  for (int tick = 0; tick < 5; ++tick) env_.FastForwardBy(Model::kRetryTimerMs);  // 27 min: not yet
  EXPECT_EQ(kUploadStatusFailed, Status(id));
  env_.FastForwardBy(Model::kRetryTimerMs);  // 32.5 min
  EXPECT_EQ(kUploadStatusUploading, Status(id));
  UploadFails(id, 2);
  env_.FastForwardBy(Model::kRetryTimerMs * 40);
  EXPECT_EQ(kUploadStatusFailed, Status(id)) << "after the fourth attempt it waits for the user";
  EXPECT_TRUE(model_->InvokeResumeUpload(id));
  EXPECT_EQ(kUploadStatusUploading, Status(id));
}

TEST_F(UploadModelTest, RetryActionsFollowTheErrorCode) {
  EXPECT_EQ(kRetryNone, MakeRetryAction(0));
  EXPECT_EQ(kRetryFreshStartAfterStoreLoss, MakeRetryAction(1));
  EXPECT_EQ(kRetryRecoverUpload, MakeRetryAction(2));
  EXPECT_EQ(kRetryRecoverUpload, MakeRetryAction(3));
  EXPECT_EQ(kRetryRefreshAuth, MakeRetryAction(4));
  for (int code : {-1, 5, 6, 7, -9999}) EXPECT_EQ(kRetryFreshStart, MakeRetryAction(code)) << code;
}

TEST(UploadRetryTableTest, AnInstanceThatFailedThirtyOneTimesLeavesTheTable) {
  UploadRetryTable table;
  for (int i = 0; i < UploadRetryTable::kMaxRetryCount - 1; ++i) table.OnFailure("a", 0);
  table.OnFailure("b", 0);
  EXPECT_EQ(2u, table.Tick(UploadRetryTable::kSecondAttemptMs + 1).size());
  table.OnFailure("a", 0);
  const auto due = table.Tick(UploadRetryTable::kThirdAttemptMs + 1);
  ASSERT_EQ(1u, due.size());
  EXPECT_EQ("b", due[0].instance_id);
  EXPECT_EQ(3, due[0].attempt);
  EXPECT_FALSE(table.Contains("a"));
  EXPECT_TRUE(table.Contains("b"));
}

TEST_F(UploadModelTest, AProcessExitFailsTheRunningTaskAndAResumeRecoversItsUpload) {
  MakeModel();
  const std::string id = Record("exit");
  bridge_->ReportExit(R"({"target":"qr-transcoder","reason":"signaled","signal":9})");
  env_.RunUntilIdle();
  EXPECT_EQ(kUploadStatusFailed, Status(id));
  EXPECT_EQ(kRetryRecoverUpload, model_->Item(id)->retry_action);
  EXPECT_TRUE(model_->running().empty());

  EXPECT_TRUE(model_->InvokeResumeUpload(id));
  EXPECT_EQ(2u, bridge_->Named("kovani:create_sub_process").size()) << "a new process";
  bridge_->ReportStarted();
  ASSERT_EQ(1u, Sent("quick_record:upload_file_recover_info", id));
  const JsonValue recover = bridge_->Named("quick_record:upload_file_recover_info")[0].json;
  EXPECT_EQ(next_path_ + ".mp4", recover["output_file"].AsString());
  EXPECT_EQ("p", recover["video_auth_info"]["put"].AsString());
  EXPECT_EQ(1u, Sent("quick_record:start_transcode", id)) << "no new transcode";
  UploadCompletes(id);
  EXPECT_EQ(kUploadStatusUploaded, Status(id));
}

TEST_F(UploadModelTest, AnUnreachableBackEndFailsTheItemAndAResumeCompletesIt) {
  fake_->AnswerFailure(kStartPath, base::net::NetError::kConnectFailed);
  MakeModel();
  const std::string id = StartRecording("offline");
  bridge_->ReportStarted();
  EXPECT_EQ(kUploadStatusFailed, Status(id));
  EXPECT_NE(0, model_->Item(id)->fail_reason);
  model_->OnEventQuickRecordComplete();
  env_.RunUntilIdle();
  EXPECT_EQ(kUploadStatusFailed, Status(id)) << "the restart on completion fails again";

  EXPECT_EQ(0u, Sent("quick_record:upload_file_auth", id));

  AnswerStart(0);
  EXPECT_TRUE(model_->InvokeResumeUpload(id));
  env_.RunUntilIdle();
  EXPECT_GE(Sent("quick_record:start_transcode", id), 1u) << "the process follows the recording";
  EXPECT_EQ(1u, Sent("quick_record:upload_file_auth", id));
  UploadCompletes(id);
  EXPECT_EQ(kUploadStatusUploaded, Status(id));
}

TEST_F(UploadModelTest, CancelKeepsTheRunningRecordingAndStopsOthers) {
  MakeModel();
  const std::string done = Record("first");
  const std::string live = StartRecording("second");
  EXPECT_FALSE(model_->InvokeCancelUpload(live));
  EXPECT_FALSE(model_->InvokeCancelUpload(""));
  EXPECT_TRUE(model_->InvokeCancelUpload(done));
  EXPECT_EQ(1u, Sent("quick_record:stop_transcode", done));
  EXPECT_EQ(kUploadStatusFailed, Status(done));
  EXPECT_TRUE(model_->InvokeResumeUpload(done));
  EXPECT_EQ(kUploadStatusUploading, Status(done));
}

TEST_F(UploadModelTest, ACancelledRecordingLosesItsTaskItemFilesAndRedDot) {
  MakeModel();
  const std::string id = StartRecording("thrown-away");
  bridge_->ReportStarted();
  status_->running = true;
  ASSERT_EQ(1u, Sent("quick_record:start_transcode", id));
  ASSERT_EQ(1, HandlingRedDots());

  model_->OnEventQuickRecordCancelled();
  env_.RunUntilIdle();
  EXPECT_EQ(1u, Sent("quick_record:stop_transcode", id));
  EXPECT_EQ(nullptr, model_->Item(id));
  EXPECT_TRUE(model_->current_instance_id().empty());
  EXPECT_TRUE(model_->running().empty());
  EXPECT_EQ(1, status_->end_calls) << "nothing left to upload: the process is ended";
  EXPECT_FALSE(util::file::IsFileExist(next_path_ + ".kovtv"));
  EXPECT_FALSE(util::file::IsFileExist(next_path_ + ".kovtaidx"));
  EXPECT_TRUE(StoredRows().empty());
  EXPECT_EQ(0, HandlingRedDots());

  const std::string next = StartRecording("next");
  EXPECT_FALSE(next.empty()) << "the next recording gets an item of its own";
  EXPECT_NE(id, next);
}

TEST_F(UploadModelTest, AGrantThatArrivesAfterACancelIsNotUsedForTheNextRecording) {
  MakeModel();
  model_->OnEventQuickRecordStartRequested(Variant::MakeMap());
  model_->OnEventQuickRecordCancelled();
  env_.RunUntilIdle();  // the grant arrives after the cancel
  const std::string id = StartRecording("after-cancel");
  EXPECT_EQ(2u, Requests(kStartPath)) << "the cancelled record is deleted: the new recording asks for its own";
  ASSERT_EQ(1u, model_->items().size());
  EXPECT_EQ(id, model_->items()[0].instance_id);
}

TEST_F(UploadModelTest, AtStartUpAnInterruptedRecordingIsCompletedAndStartedOver) {
  MakeModel();
  const std::string id = StartRecording("crash");
  bridge_->ReportStarted();
  util::file::WriteFileAtomically(next_path_ + ".mp4.upload", "{}");
  model_->UnInit();
  model_.reset();

  auto bridge = std::make_shared<testing::FakeTranscodeBridge>();
  bridge_ = bridge;
  MakeModel();
  ASSERT_NE(nullptr, model_->Item(id));
  EXPECT_TRUE(model_->Item(id)->is_record_complete);
  EXPECT_EQ(kRetryFreshStart, model_->Item(id)->retry_action);
  bridge_->ReportStarted();
  env_.RunUntilIdle();
  ASSERT_EQ(1u, Sent("quick_record:start_transcode", id));
  const JsonValue start = bridge_->Named("quick_record:start_transcode")[0].json;
  EXPECT_TRUE(start["is_record_complete"].AsBoolean());
  EXPECT_TRUE(start["is_recovery_upload"].AsBoolean()) << "the upload state of the last run is picked up";
  EXPECT_EQ(1u, Sent("quick_record:upload_file_auth", id));
}

TEST_F(UploadModelTest, ItemsOfAnOlderVersionAreMovedIntoTheDatabaseOnce) {
  Variant old = Variant::MakeArray();
  old.Add(Variant::MakeMap()
              .Set("k_instance_id", "old-1")
              .Set("k_title", "Old")
              .Set("k_upload_status", kUploadStatusFailed)
              .Set("k_full_path", dir_.path() + "/old")
              .Set("k_is_record_complete", true));
  kovanisdk::utils::user_config::SetValue(QuickRecordUploadingItemDao::kOldItemListKey, old.ToJson());
  MakeModel();
  ASSERT_NE(nullptr, model_->Item("old-1"));
  EXPECT_EQ("Old", model_->Item("old-1")->title);
  EXPECT_EQ("", kovanisdk::utils::user_config::GetString(QuickRecordUploadingItemDao::kOldItemListKey));
  EXPECT_EQ(1u, StoredRows().size());
}

TEST_F(UploadModelTest, AnOldListThatIsNotJsonIsDropped) {
  base::logging::ScopedLogCapture log;
  kovanisdk::utils::user_config::SetValue(QuickRecordUploadingItemDao::kOldItemListKey, "not json");
  MakeModel();
  EXPECT_TRUE(log.Contains("parse json fail!"));
  EXPECT_TRUE(model_->items().empty());
}

TEST_F(UploadModelTest, NoProcessReportFailsTheWaitingTask) {
  base::analytics::ScopedEventCapture analytics;
  MakeModel();
  const std::string id = StartRecording("slow");
  env_.FastForwardBy(QuickRecordTranscodeService::kCreateTimeoutMs - 1);
  EXPECT_TRUE(analytics.sink().EventsNamed(upload_analytics::kTranscodeUploadEvent).empty());
  env_.FastForwardBy(1);
  EXPECT_EQ(kUploadStatusFailed, Status(id));
  EXPECT_EQ(kRetryFreshStart, model_->Item(id)->retry_action);
  const auto reports = analytics.sink().EventsNamed(upload_analytics::kTranscodeUploadEvent);
  ASSERT_EQ(1u, reports.size());
  EXPECT_EQ("create_process_time_out", reports[0].properties.at("step"));
}

TEST_F(UploadModelTest, TheGrantAndEveryUploadOrProcessFailureGoToAnalytics) {
  base::analytics::ScopedEventCapture analytics;
  MakeModel();
  const std::string id = Record("reported");
  const auto grants = analytics.sink().EventsNamed(upload_analytics::kAuthResultEvent);
  ASSERT_EQ(1u, grants.size());
  EXPECT_EQ(id, grants[0].properties.at("instance_id"));
  EXPECT_EQ("r42", grants[0].properties.at("record_id"));
  EXPECT_EQ("qr", grants[0].properties.at("bucket_name"));
  for (const auto& [key, value] : grants[0].properties) {
    for (const char* secret : {"vt", "ct", "p", "po", "cp"}) EXPECT_NE(secret, value) << key << " leaks a secret";
  }

  JsonValue e = JsonValue::Object();
  e.SetJsonObject("instance_id", id);
  e.SetJsonObject("error_code", 3);
  e.SetJsonObject("error_msg", "part 2: http 500");
  e.SetJsonObject("cos_error_code", 500);
  e.SetJsonObject("request_type", "part");
  e.SetJsonObject("network_break", true);
  e.SetJsonObject("upload_type", "video");
  bridge_->Deliver("quick_record:upload_file_error", e);
  env_.RunUntilIdle();
  auto reports = analytics.sink().EventsNamed(upload_analytics::kTranscodeUploadEvent);
  ASSERT_EQ(1u, reports.size());
  const auto& failure = reports[0].properties;
  EXPECT_EQ("upload_file_error", failure.at("step"));
  EXPECT_EQ(id, failure.at("instance_id"));
  EXPECT_EQ("3", failure.at("error_code_"));
  EXPECT_EQ("part 2: http 500", failure.at("error_msg_"));
  EXPECT_EQ("500", failure.at("cos_error_code_"));
  EXPECT_EQ("part", failure.at("request_type_"));
  EXPECT_EQ("1", failure.at("network_break_"));
  EXPECT_EQ("video", failure.at("upload_type_"));
  for (const char* key : {"cos_upload_current_state_", "cos_upload_result_"}) EXPECT_TRUE(failure.count(key)) << key;

  bridge_->ReportExit(R"({"target":"qr-transcoder","reason":"signaled","signal":9})");
  env_.RunUntilIdle();
  reports = analytics.sink().EventsNamed(upload_analytics::kTranscodeUploadEvent);
  ASSERT_EQ(2u, reports.size());
  EXPECT_EQ("process_exit", reports[1].properties.at("step"));
  EXPECT_EQ(std::to_string(Model::kFailProcessExit), reports[1].properties.at("error_code"));
}

TEST_F(UploadModelTest, OnlyAnExitNobodyAskedForIsReportedAsProcessExit) {
  base::analytics::ScopedEventCapture analytics;
  auto exits = [&] {
    size_t n = 0;
    for (const auto& r : analytics.sink().EventsNamed(upload_analytics::kTranscodeUploadEvent))
      n += r.properties.at("step") == "process_exit";
    return n;
  };
  MakeModel();
  const std::string idle = Record("idle");
  status_->running = true;
  UploadCompletes(idle);
  ASSERT_EQ(1, status_->end_calls) << "the idle process is ended";
  bridge_->ReportExit(R"({"target":"qr-transcoder","reason":"exited","code":0})");
  env_.RunUntilIdle();
  EXPECT_EQ(0u, exits());

  const std::string crashed = Record("crashed");
  status_->running = true;
  bridge_->ReportExit(R"({"target":"qr-transcoder","reason":"signaled","signal":9})");
  env_.RunUntilIdle();
  EXPECT_EQ(1u, exits());
  EXPECT_EQ(kUploadStatusFailed, Status(crashed));
}

}  // namespace
}  // namespace quick_record
