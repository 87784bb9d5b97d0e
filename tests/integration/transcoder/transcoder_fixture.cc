#include "transcoder_fixture.h"

#include <signal.h>

#include <fstream>

#include "common/crypto.h"
#include "host/sdk/kovani_common/paths.h"
#include "host/util/file.h"
#include "transcoder/upload_state.h"

namespace qr_transcoder::testing {

using base::json::JsonValue;
using kovanisdk::IBridgeIPCService;

namespace {

const std::vector<std::string> kEventNames = {
    "local_record:transcode_process_started",  "quick_record:transcode_finish",
    "quick_record:transcode_progress",         "quick_record:upload_record_file_size_changed",
    "quick_record:upload_file_upload_subpart_finished", "quick_record:upload_file_complete",
    "quick_record:upload_cover_file_finished", "quick_record:upload_file_error",
    "quick_record:upload_file_start_upload_part", "quick_record::data_report",
    "quick_record:local_upload_started",       "quick_record:local_upload_progress",
    "quick_record:local_upload_complete",      "quick_record:local_upload_error"};

JsonValue FromNlohmann(const nlohmann::json& json) { return JsonValue::Parse(json.dump()); }

}  // namespace

void EventLog::OnBridgeIPCEvent(const std::string& name, const std::string& data) {
  events.push_back({name, JsonValue::Parse(data)});
}
void EventLog::OnSubprocessCreate(const std::string& result) { creates.push_back(JsonValue::Parse(result)); }
void EventLog::OnSubprocessExit(const std::string& result) { exits.push_back(JsonValue::Parse(result)); }

std::vector<EventLog::Event> EventLog::Named(const std::string& name, const std::string& instance_id) const {
  std::vector<Event> named;
  for (const auto& e : events) {
    if (e.name == name && (instance_id.empty() || e.json["instance_id"].AsString() == instance_id)) named.push_back(e);
  }
  return named;
}

int EventLog::Find(const std::string& name, const std::string& instance_id, size_t from) const {
  for (size_t i = from; i < events.size(); ++i) {
    if (events[i].name == name && (instance_id.empty() || events[i].json["instance_id"].AsString() == instance_id)) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

void TranscoderTest::SetUp() {
  BackendTest::SetUp();
  service_ = kovanisdk::utils::service::GetBridgeIPCService();
  service_->RegisterEventDelegate(&log_, kEventNames);
  target_ = kovani_common::utils::record::GetTranscodeTargetName();
}

void TranscoderTest::TearDown() {
  if (service_->EndProcess(target_)) WaitFor([&] { return !service_->IsProcessRunning(target_); });
  service_->UnregisterEventDelegate(&log_);
  BackendTest::TearDown();
}

int64_t TranscoderTest::StartTranscoder(const std::string& extra_args) {
  const std::string program = kovani_common::utils::record::GetTranscodeExecuteFilePath();
  JsonValue request = JsonValue::Object();
  request.SetJsonObject("--originalcmd", "--shell=\"" + program + "\" --uid=YWxpY2U= --state-dir=" + LocalStateDir() +
                                             " " + extra_args);
  request.SetJsonObject("--shell", program);
  request.SetJsonObject("--target", target_);
  request.SetJsonObject("--detach", "0");
  request.SetJsonObject("--anrtimeout", "50000");
  request.SetJsonObject("--pid", "");
  const size_t started = log_.Named("local_record:transcode_process_started").size();
  if (service_->SendIPCMessage(IBridgeIPCService::kCreateSubprocessMessage, request.ToStyledString()) !=
      IBridgeIPCService::kOk) {
    return 0;
  }
  if (!WaitFor([&] { return log_.Named("local_record:transcode_process_started").size() > started; })) return 0;
  pid_ = log_.creates.empty() ? 0 : log_.creates.back()["pid"].AsInteger();
  return pid_;
}

void TranscoderTest::KillTranscoder() {
  const size_t exits = log_.exits.size();
  ASSERT_GT(pid_, 0);
  ::kill(static_cast<pid_t>(pid_), SIGKILL);
  ASSERT_TRUE(WaitFor([&] { return log_.exits.size() > exits; }));
}

bool TranscoderTest::TranscoderRunning() const { return service_->IsProcessRunning(target_); }

void TranscoderTest::Send(const std::string& name, const JsonValue& fields) { Send(name, fields.ToStyledString()); }

void TranscoderTest::Send(const std::string& name, const std::string& text) {
  ASSERT_EQ(service_->SendIPCMessage(name, text), IBridgeIPCService::kOk) << name;
}

bool TranscoderTest::WaitFor(const std::function<bool()>& done, int64_t timeout_ms) {
  return loopers_.RunMainLoopUntil(done, timeout_ms);
}

int TranscoderTest::WaitForEvent(const std::string& name, const std::string& instance_id, size_t from,
                                 int64_t timeout_ms) {
  WaitFor([&] { return log_.Find(name, instance_id, from) >= 0; }, timeout_ms);
  return log_.Find(name, instance_id, from);
}

SyntheticRecording::Options TranscoderTest::RecordingOptions(bool noise) {
  SyntheticRecording::Options options;
  options.width = 640;
  options.height = 360;
  options.noise = noise;
  return options;
}

std::string TranscoderTest::Record(const std::string& name, const std::vector<int64_t>& segments_ms, bool noise) {
  return Record(name, segments_ms, RecordingOptions(noise));
}

std::string TranscoderTest::Record(const std::string& name, const std::vector<int64_t>& segments_ms,
                                   const SyntheticRecording::Options& options) {
  const std::string base = dir_.path() + "/" + name;
  SyntheticRecording recording;
  EXPECT_TRUE(recording.Open(base, options));
  for (int64_t ms : segments_ms) EXPECT_TRUE(recording.RecordSegment(ms));
  EXPECT_TRUE(recording.Finish());
  return base;
}

JsonValue TranscoderTest::StartMessage(const std::string& instance_id, const std::string& base, bool complete) const {
  JsonValue m = JsonValue::Object();
  m.SetJsonObject("instance_id", instance_id);
  m.SetJsonObject("in_video_file", base + ".kovtv");
  m.SetJsonObject("in_video_index_file", base + ".kovtvidx");
  m.SetJsonObject("in_audio_file", base + ".kovta");
  m.SetJsonObject("in_audio_index_file", base + ".kovtaidx");
  m.SetJsonObject("output_file", base + ".mp4");
  m.SetJsonObject("output_m4a_file", base + ".m4a");
  m.SetJsonObject("is_record_complete", complete);
  m.SetJsonObject("transcoding_threshold", 50);
  m.SetJsonObject("record_time_duration", 0);
  m.SetJsonObject("is_local_record", false);
  m.SetJsonObject("need_upload_file", true);
  m.SetJsonObject("upload_cover_file", true);
  m.SetJsonObject("is_recovery_upload", false);
  return m;
}

JsonValue TranscoderTest::AuthMessage(const std::string& instance_id, const nlohmann::json& start) const {
  JsonValue m = JsonValue::Object();
  m.SetJsonObject("instance_id", instance_id);
  m.SetJsonObject("record_type", "fast_record");
  m.SetJsonObject("bucket_name", start.value("bucket_name", ""));
  m.SetJsonObject("cos_key", start.value("video_cos_key", ""));
  m.SetJsonObject("cos_url", start.value("video_cos_key", ""));
  m.SetJsonObject("record_id", start.value("record_id", ""));
  m.SetJsonObject("cover_cos_key", start.value("cover_default_cos_key_v1", ""));
  m.SetJsonObject("cover_session_token", start.value("cover_session_token", ""));
  m.SetJsonObject("video_session_token", start.value("video_session_token", ""));
  m.SetJsonObject("video_auth_info", FromNlohmann(start["video_auth_info"]));
  m.SetJsonObject("cover_auth_info", FromNlohmann(start["cover_default_auth_info"]));
  return m;
}

std::string TranscoderTest::LocalMd5(const std::string& path) const {
  std::string content;
  return util::file::ReadFileToString(path, &content) ? qr_backend::Md5Hex(content) : "";
}

std::string TranscoderTest::ObjectMd5(const nlohmann::json& start, const std::string& which) {
  const std::string url = which == "video" ? start.value("video_cos_key", "") : start.value("cover_default_cos_key_v1", "");
  const auto answer = Objects().Request("GET", qr_backend::testing::ObjectClient::PathOf(url),
                                        qr_backend::testing::ObjectClient::Auth(start, "get", which));
  return answer.status == 200 ? qr_backend::Md5Hex(answer.body) : "";
}

int TranscoderTest::AcceptedPartPuts(const nlohmann::json& start) const {
  return qr_backend::testing::ObjectClient::AcceptedPuts(backend_->log(), start.value("video_cos_key", ""));
}

void TranscoderTest::ArmFault(const nlohmann::json& rule) {
  const auto answer = Admin().Call("POST", "/admin/faults", rule);
  ASSERT_EQ(answer.status, 200) << answer.body;
}

void TranscoderTest::ClearFaults() { ASSERT_EQ(Admin().Call("DELETE", "/admin/faults").status, 200); }

}  // namespace qr_transcoder::testing
