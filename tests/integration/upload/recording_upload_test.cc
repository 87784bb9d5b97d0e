// One quick recording on the real road: the session models drive the recorder on an Xvfb screen,
// the upload model has qr-transcoder (started through the host's bridge) follow the raw streams
// and upload the MP4 into qr-backend's object store, and the record is completed there.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <regex>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "cloud_service_fixture.h"
#include "common/crypto.h"
#include "host/base/json/json_value.h"
#include "host/base/threading/clock.h"
#include "host/framework/module/module_service.h"
#include "host/framework/navigation/navigator_service.h"
#include "host/sdk/kovani_common/paths.h"
#include "host/sdk/plugin/plugin_registry.h"
#include "host/sdk/service/bridge_ipc_service.h"
#include "host/sdk/service/transcode_process_status.h"
#include "host/util/file.h"
#include "module/quick_record/data/service/local_record_data_service.h"
#include "module/quick_record/entry/quick_record_ids.h"
#include "module/quick_record/entry/quick_record_module_runtime.h"
#include "module/quick_record/model/quick_record_model.h"
#include "module/quick_record/model/quick_record_recorder_model.h"
#include "module/quick_record/upload/quick_record_upload_model.h"
#include "x_test_window.h"
#include "xvfb_display.h"

extern "C" int Activate();
extern "C" void Deactivate();

namespace cloud_service_test {
namespace {

using base::variant::Variant;
using quick_record::QuickRecordModel;
using quick_record::QuickRecordRecorderModel;
using quick_record::QuickRecordUploadModel;
using quick_record::UploadingItem;

// Hears the host's reports about the processes it starts (any delegate hears them all).
class ProcessWatch : public kovanisdk::IBridgeIPCEventDelegate {
 public:
  void OnBridgeIPCEvent(const std::string&, const std::string&) override {}
  void OnSubprocessCreate(const std::string& result) override {
    const auto reply = base::json::JsonValue::Parse(result);
    if (reply["errorcode"].AsInteger() == 0) pid = reply["pid"].AsInteger();
  }
  void OnSubprocessExit(const std::string&) override { ++exits; }
  int64_t pid = 0;
  int exits = 0;
};

class RecordingUploadTest : public CloudServiceTest {
 protected:
  static constexpr int64_t kUploadWaitMs = 90000;
  static constexpr char kEndingRoute[] = "kovani://page/quick_record/record_ending_view";

  void SetUp() override {
    ASSERT_TRUE(display_.Start(640, 360)) << display_.error();
    setenv("DISPLAY", display_.name().c_str(), 1);
    CloudServiceTest::SetUp();
    // The local record database lives under the user data directory: this test's own.
    setenv("XDG_DATA_HOME", (dir_.path() + "/data_home").c_str(), 1);
    app_->user_config()->Set(QuickRecordRecorderModel::kSavePathKey, dir_.path() + "/recordings");
    bridge_ = kovanisdk::utils::service::GetBridgeIPCService();
    bridge_->RegisterEventDelegate(&watch_, {});
    Activate();
    framework::module::GetModuleService().RunLoaderSetup(Variant::MakeMap());  // the module's pages
    session_ = quick_record::ModuleModelOf(quick_record::model_id::kQuickRecordModel);
    recorder_ = quick_record::ModuleModelOf(quick_record::model_id::kQuickRecordRecorderModel);
    upload_ = std::dynamic_pointer_cast<QuickRecordUploadModel>(
        quick_record::ModuleModelOf(quick_record::model_id::kQuickRecordUploadModel));
    ASSERT_TRUE(session_ && recorder_ && upload_);
  }
  void TearDown() override {
    session_.reset();
    recorder_.reset();
    upload_.reset();
    Deactivate();
    kovanisdk::plugin::UnregisterPluginModule(quick_record::kPluginModuleId);
    // The transcoder belongs to this test's back end; the next test starts its own.
    const int exits = watch_.exits;
    if (bridge_->EndProcess(kovani_common::utils::record::GetTranscodeTargetName())) {
      Wait([&] { return watch_.exits > exits; });
    }
    bridge_->UnregisterEventDelegate(&watch_);
    CloudServiceTest::TearDown();
  }

  bool Call(const std::shared_ptr<framework::ModelImpl>& model, int32_t method, const Variant& args = Variant::MakeMap()) {
    Variant result;
    return model->Call(method, args, &result) && (result.IsNull() || result.AsBool(true));
  }
  void Run(int64_t ms) { loopers_.RunMainLoopUntil([] { return false; }, ms); }

  // Starts a screen recording as the pages do; answers its uploading item's instance id.
  std::string StartRecording(const std::string& subject) {
    Variant start = Variant::MakeMap();
    start.Set("subject", subject);
    start.Set("record_start_time", std::to_string(base::clock::WallMs()));
    EXPECT_TRUE(Call(session_, QuickRecordModel::kInvokeStartQuickRecord, start));
    Variant flags = Variant::MakeMap();
    flags.Set("record_flags", 1);
    EXPECT_TRUE(Call(recorder_, QuickRecordRecorderModel::kInvokeFuncStartRecord, flags)) << backend_->log();
    EXPECT_TRUE(Wait([&] { return !upload_->current_instance_id().empty(); }));
    return upload_->current_instance_id();
  }
  // Stops the recorder and completes the session; answers the time of the completion.
  std::chrono::steady_clock::time_point Finish() {
    EXPECT_TRUE(Call(recorder_, QuickRecordRecorderModel::kInvokeStopRecord));
    const auto at = std::chrono::steady_clock::now();
    EXPECT_TRUE(Call(session_, QuickRecordModel::kInvokeQuickRecordComplete));
    return at;
  }
  bool Uploaded(const std::string& id) {
    const UploadingItem* item = upload_->Item(id);
    return item && item->upload_status == quick_record::kUploadStatusUploaded && !item->jump_url.empty();
  }
  UploadingItem ItemOf(const std::string& id) {
    const UploadingItem* item = upload_->Item(id);
    UploadingItem none;
    none.upload_status = 0;
    return item ? *item : none;
  }

  // The path of the record's video object and the headers of `verb`, from a fresh grant for the
  // same record; an empty path when none came.
  std::pair<std::string, httplib::Headers> VideoObject(const std::string& record_id, const std::string& verb) {
    auto info = std::make_shared<quick_record::QuickRecordStartRecordInfo>();
    info->record_id = record_id;
    std::shared_ptr<quick_record::QuickRecordStartRecordResult> grant;
    plugin_->RequestStartRecord("object-check", info, false,
                                [&](const std::string&, int32_t, const std::string&, int64_t biz,
                                    const std::shared_ptr<quick_record::QuickRecordStartRecordResult>& result) {
                                  if (biz == 0) grant = result;
                                });
    if (!Wait([&] { return grant != nullptr; })) return {};
    return {qr_backend::testing::ObjectClient::PathOf(grant->cos_url),
            {{"Authorization", grant->video_auth[verb]}, {"X-QR-Session-Token", grant->video_session_token}}};
  }
  // MD5 of the record's video object.
  std::string ObjectMd5(const std::string& record_id) {
    const auto [path, headers] = VideoObject(record_id, "get");
    const auto answer = Objects().Request("GET", path, headers);
    return !path.empty() && answer.status == 200 ? qr_backend::Md5Hex(answer.body) : "";
  }
  // How many parts the record's video object was completed from: its ETag ends in "-<n>".
  int ObjectParts(const std::string& record_id) {
    const auto [path, headers] = VideoObject(record_id, "head");
    const std::string etag = Objects().Request("HEAD", path, headers).Header("ETag");
    const size_t dash = etag.rfind('-');
    return dash == std::string::npos ? 0 : std::atoi(etag.c_str() + dash + 1);
  }
  static std::string LocalMd5(const std::string& path) {
    std::string content;
    return util::file::ReadFileToString(path, &content) ? qr_backend::Md5Hex(content) : "";
  }
  // The back end's view of the record the jump URL points at.
  nlohmann::json RecordOfJumpUrl(const std::string& jump_url) {
    std::smatch match;
    if (!std::regex_search(jump_url, match, std::regex("/play/([^/?#]+)"))) return {};
    return AdminRecord(match[1]);
  }
  int64_t QuickRecordRedDots() {
    quick_record::DbOperateCommonReq request;
    request.app_id = "qr-app";
    request.app_uid = alice_.app_uid;
    int64_t count = -1;
    quick_record::ModuleLocalRecordDataService()->QueryLocalRecordRedDotNum(
        request, [&](quick_record::DbQueryLocalRecordRedDotNumResp resp) { count = resp.quick_record_handling_cnt; });
    Wait([&] { return count >= 0; });
    return count;
  }

  // Records `seconds` and checks the whole result; answers the finish-to-link time in ms.
  int64_t RecordAndCheck(const std::string& subject, int seconds) {
    const std::string id = StartRecording(subject);
    EXPECT_FALSE(id.empty());
    Run(1000);
    EXPECT_EQ(ItemOf(id).upload_status, quick_record::kUploadStatusUploading);
    EXPECT_EQ(QuickRecordRedDots(), 1) << "an uploading recording shows as handled";
    Run(seconds * 1000 - 1000);
    const auto finished = Finish();
    // The page a view shows after the finish follows the upload to the link.
    auto& navigator = framework::GetNavigatorService();
    EXPECT_TRUE(navigator.Open(kEndingRoute, Variant::MakeMap().Set("show", true)));
    EXPECT_TRUE(Wait([&] { return Uploaded(id); }, kUploadWaitMs)) << backend_->log();
    const auto linked = std::chrono::steady_clock::now();
    const int64_t finish_to_link = std::chrono::duration_cast<std::chrono::milliseconds>(linked - finished).count();

    const UploadingItem item = ItemOf(id);
    const Variant ending = navigator.PageView(kEndingRoute) ? navigator.PageView(kEndingRoute)->Last(1) : Variant();
    EXPECT_EQ(ending.GetString("jump_url"), item.jump_url);
    EXPECT_EQ(ending.GetString("record_id"), item.record_id);
    EXPECT_EQ(ending.GetInt64("upload_status"), quick_record::kUploadStatusUploaded);
    EXPECT_EQ(ending.GetInt64("total_size"), item.total_size);
    navigator.Close(kEndingRoute);
    EXPECT_TRUE(item.is_record_complete);
    EXPECT_FALSE(item.record_id.empty());
    const auto record = RecordOfJumpUrl(item.jump_url);
    EXPECT_EQ(record.value("record_id", ""), item.record_id) << item.jump_url;
    EXPECT_EQ(record.value("record_state", 0), 1) << record.dump();
    const std::string mp4 = item.full_path + ".mp4";
    EXPECT_GT(util::file::GetFileLength(mp4), 0);
    EXPECT_EQ(ObjectMd5(item.record_id), LocalMd5(mp4));
    EXPECT_EQ(record.value("file_size", int64_t{0}), util::file::GetFileLength(mp4));
    for (const char* ending : {".kovtv", ".kovta", ".kovtvidx", ".kovtaidx", ".mp4.upload"}) {
      EXPECT_FALSE(util::file::IsFileExist(item.full_path + ending)) << ending;
    }
    EXPECT_EQ(QuickRecordRedDots(), 0) << "an uploaded recording leaves the handled count";
    return finish_to_link;
  }

  void ArmFault(const nlohmann::json& rule) {
    const auto answer = Admin().Call("POST", "/admin/faults", rule);
    ASSERT_EQ(answer.status, 200) << answer.body;
  }
  void ClearFaults() { ASSERT_EQ(Admin().Call("DELETE", "/admin/faults", nlohmann::json::object()).status, 200); }
  // Records `ms` and finishes; answers the instance id.
  std::string RecordFor(const std::string& subject, int64_t ms) {
    const std::string id = StartRecording(subject);
    Run(ms);
    Finish();
    return id;
  }

  quickrec::testing::XvfbDisplay display_;
  std::shared_ptr<kovanisdk::IBridgeIPCService> bridge_;
  ProcessWatch watch_;
  std::shared_ptr<framework::ModelImpl> session_;
  std::shared_ptr<framework::ModelImpl> recorder_;
  std::shared_ptr<QuickRecordUploadModel> upload_;
};

TEST_F(RecordingUploadTest, TenSecondsAreUploadedWhileRecordingAndCompletedWithTheirLink) {
  const int64_t ms = RecordAndCheck("Ten seconds", 10);
  std::cout << "finish-to-link 10 s: " << ms << " ms" << std::endl;
  RecordProperty("finish_to_link_10s_ms", std::to_string(ms));
}

TEST_F(RecordingUploadTest, TwoMinutesReachTheirLinkAsFastAsAShortRecording) {
  const int64_t ms = RecordAndCheck("Two minutes", 120);
  std::cout << "finish-to-link 2 min: " << ms << " ms" << std::endl;
  RecordProperty("finish_to_link_2min_ms", std::to_string(ms));
}

TEST_F(RecordingUploadTest, AKilledTranscoderIsReplacedAndTheRecordingCompletesWithoutResendingAPart) {
  // A scene no encoder can predict: the MP4 passes several parts before the kill.
  quickrec::testing::XTestWindow noise;
  ASSERT_TRUE(noise.Open(display_.name(), 0, 0, 640, 360, 0));
  noise.StartNoise(30);
  const std::string id = StartRecording("Transcoder killed");
  ASSERT_TRUE(Wait([&] { return watch_.pid > 0; }));
  // The transcoder's upload state beside the MP4 lists the parts the store acknowledged.
  const std::string state_file = ItemOf(id).full_path + ".mp4.upload";
  nlohmann::json state;
  const auto acknowledged = [&] {
    std::string text;
    if (!util::file::ReadFileToString(state_file, &text)) return size_t{0};
    state = nlohmann::json::parse(text, nullptr, false);
    return state.is_object() && state["parts"].is_array() ? state["parts"].size() : size_t{0};
  };
  ASSERT_TRUE(Wait([&] { return acknowledged() >= 2; }, kUploadWaitMs)) << "the recording did not pass two parts";
  // The item the views are told about counts those two 5 MiB parts while the recording runs, of a
  // total that is the file so far.
  ASSERT_TRUE(Wait([&] { return ItemOf(id).uploaded_size >= int64_t{10} << 20; }));
  EXPECT_GT(ItemOf(id).total_size, 0);
  EXPECT_LE(ItemOf(id).uploaded_size, ItemOf(id).total_size);
  const std::string url = state.value("object_url", "");
  const int exits = watch_.exits;
  ASSERT_EQ(::kill(static_cast<pid_t>(watch_.pid), SIGKILL), 0);
  ASSERT_TRUE(Wait([&] { return watch_.exits > exits; }));
  const int puts_before = qr_backend::testing::ObjectClient::AcceptedPuts(backend_->log(), url);
  ASSERT_GE(puts_before, 2);
  Run(200);
  EXPECT_EQ(ItemOf(id).upload_status, quick_record::kUploadStatusFailed);
  EXPECT_EQ(ItemOf(id).retry_action, quick_record::kRetryRecoverUpload);
  Run(2000);
  Finish();
  // The end of the recording restarts the failed task with a new process.
  ASSERT_TRUE(Wait([&] { return Uploaded(id); }, kUploadWaitMs)) << backend_->log();
  const UploadingItem item = ItemOf(id);
  EXPECT_EQ(ObjectMd5(item.record_id), LocalMd5(item.full_path + ".mp4"));
  EXPECT_GE(item.record_time_duration, 2000);
  // Every part number of the object was accepted exactly once: the parts the store listed at the
  // kill were kept, not sent again. The object's ETag ends in its part count.
  const int puts = qr_backend::testing::ObjectClient::AcceptedPuts(backend_->log(), url);
  std::cout << "parts accepted before the kill: " << puts_before << ", in all: " << puts << std::endl;
  EXPECT_GT(puts, puts_before);
  EXPECT_EQ(ObjectParts(item.record_id), puts);
}

TEST_F(RecordingUploadTest, AnUnreachableBackEndFailsTheRecordingAndAResumeCompletesIt) {
  // Every API request and every object request has its connection dropped.
  ArmFault({{"server", "api"}, {"path", "/v2/*"}, {"kind", "drop"}});
  ArmFault({{"server", "cos"}, {"path", "/*"}, {"kind", "drop"}});
  const std::string id = RecordFor("Offline", 4000);
  ASSERT_TRUE(Wait([&] { return ItemOf(id).upload_status == quick_record::kUploadStatusFailed; }));
  EXPECT_NE(ItemOf(id).fail_reason, 0);
  EXPECT_TRUE(ItemOf(id).is_record_complete);

  ClearFaults();
  ASSERT_TRUE(Call(upload_, QuickRecordUploadModel::kInvokeResumeUpload, Variant(id)));
  ASSERT_TRUE(Wait([&] { return Uploaded(id); }, kUploadWaitMs)) << backend_->log();
  const UploadingItem item = ItemOf(id);
  EXPECT_EQ(ObjectMd5(item.record_id), LocalMd5(item.full_path + ".mp4"));
  EXPECT_EQ(RecordOfJumpUrl(item.jump_url).value("record_state", 0), 1);
}

TEST_F(RecordingUploadTest, AFourthRecordingWaitsWhileThreeUploadAndStartsWhenOneFinishes) {
  // A slow object store keeps each upload going well past the end of its recording.
  ArmFault({{"server", "cos"}, {"path", "/*"}, {"kind", "delay"}, {"delay_ms", 6000}});
  std::vector<std::string> ids;
  for (const char* subject : {"One", "Two", "Three"}) ids.push_back(RecordFor(subject, 1500));
  const std::string fourth = StartRecording("Four");
  ASSERT_EQ(upload_->running().size(), 3u);
  ASSERT_EQ(upload_->ready_queue().size(), 1u);
  EXPECT_EQ(upload_->ready_queue().front(), fourth);
  for (const auto& id : ids) EXPECT_FALSE(Uploaded(id));
  Run(1500);
  Finish();

  size_t uploaded_when_fourth_started = 0;
  const auto fourth_running = [&] {
    for (const auto& id : upload_->running()) {
      if (id != fourth) continue;
      for (const auto& other : ids) uploaded_when_fourth_started += Uploaded(other);
      return true;
    }
    return false;
  };
  ASSERT_TRUE(Wait(fourth_running, kUploadWaitMs));
  EXPECT_GE(uploaded_when_fourth_started, 1u) << "the fourth took the slot of a finished upload";
  ClearFaults();
  ASSERT_TRUE(Wait([&] { return Uploaded(fourth); }, kUploadWaitMs)) << backend_->log();
  for (const auto& id : ids) EXPECT_TRUE(Uploaded(id)) << id;
  EXPECT_EQ(ObjectMd5(ItemOf(fourth).record_id), LocalMd5(ItemOf(fourth).full_path + ".mp4"));
}

// The host process of the crash test, started with its own data directory and display.
class HostChild {
 public:
  HostChild(const std::string& mode, const std::vector<std::string>& args) {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(fds[1], STDOUT_FILENO);
      close(fds[0]);
      close(fds[1]);
      std::vector<std::string> all{UPLOAD_HOST_CHILD, mode};
      all.insert(all.end(), args.begin(), args.end());
      std::vector<char*> argv;
      for (auto& a : all) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(fds[1]);
    out_ = fdopen(fds[0], "r");
  }
  ~HostChild() {
    if (pid_ > 0 && !reaped_) {
      ::kill(pid_, SIGKILL);
      Wait();
    }
    if (out_) fclose(out_);
  }
  // The next line it printed ("" at its end).
  std::string ReadLine() {
    char buffer[4096];
    return out_ && fgets(buffer, sizeof buffer, out_) ? std::string(buffer) : std::string();
  }
  void Kill() { ::kill(pid_, SIGKILL); }
  int Wait() {
    int status = 0;
    waitpid(pid_, &status, 0);
    reaped_ = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  }

 private:
  pid_t pid_ = -1;
  FILE* out_ = nullptr;
  bool reaped_ = false;
};

TEST_F(RecordingUploadTest, AHostKilledMidRecordingIsFollowedByOneThatUploadsWhatWasRecorded) {
  // This test drives two host processes of its own; the module in this one stays unused.
  const std::vector<std::string> args{"http://127.0.0.1:" + std::to_string(backend_->api_port()), alice_.app_uid,
                                      alice_.token, alice_.secret, dir_.path() + "/recordings"};
  int64_t recorded_ms = 0;
  {
    HostChild host("record", args);
    const std::string line = host.ReadLine();
    ASSERT_EQ(line.rfind("recording ", 0), 0u) << line;
    const auto started = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(5000));
    host.Kill();
    recorded_ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count();
    EXPECT_EQ(host.Wait(), -SIGKILL);
  }
  HostChild host("resume", args);
  std::istringstream uploaded(host.ReadLine());
  std::string word, instance_id, record_id, jump_url, full_path;
  int64_t duration_ms = 0;
  uploaded >> word >> instance_id >> record_id >> duration_ms >> jump_url;
  std::getline(uploaded >> std::ws, full_path);
  ASSERT_EQ(word, "uploaded");
  EXPECT_EQ(host.Wait(), 0);
  std::cout << "recorded " << recorded_ms << " ms before the kill; uploaded MP4 lasts " << duration_ms << " ms" << std::endl;
  EXPECT_GE(duration_ms, recorded_ms - 1000 - 500) << "at most the last second (and the start-up) is lost";
  EXPECT_LE(duration_ms, recorded_ms + 500);
  EXPECT_EQ(RecordOfJumpUrl(jump_url).value("record_state", 0), 1);
  EXPECT_EQ(ObjectMd5(record_id), LocalMd5(full_path + ".mp4"));
}

}  // namespace
}  // namespace cloud_service_test
