#include "module/quick_record/model/quick_record_recorder_model.h"

#include <ctime>
#include <fstream>

#include "host/app/recording_state_model.h"
#include "host/base/logging/logger.h"
#include "host/base/threading/clock.h"
#include "host/framework/module/module_service.h"
#include "host/media/media_engine.h"
#include "host/sdk/kovani_common/paths.h"
#include "host/sdk/kovani_common/video_hd_rule.h"
#include "host/sdk/plugin/plugin_registry.h"
#include "host/sdk/utils/config_service.h"
#include "host/sdk/utils/user_config.h"
#include "host/util/file.h"
#include "module/quick_record/entry/quick_record_ids.h"

namespace quick_record {

using base::variant::Variant;
using kovanisdk::plugin::RecordStateType;

namespace {

// Characters that a file name on any of the desktops the recordings travel to may not hold.
bool IsInvalidFileNameChar(char c) {
  return static_cast<unsigned char>(c) < 0x20 || std::string_view("<>:\"|?*").find(c) != std::string_view::npos;
}

std::string CleanDirectory(const std::string& path) {
  std::string clean;
  for (char c : path) {
    if (!IsInvalidFileNameChar(c)) clean += c;
  }
  const auto first = clean.find_first_not_of(" \t");
  const auto last = clean.find_last_not_of(" \t");
  clean = first == std::string::npos ? std::string() : clean.substr(first, last - first + 1);
  if (!clean.empty() && clean.back() != '/') clean += '/';
  return clean;
}

std::string LocalTimeName() {
  const std::time_t now = static_cast<std::time_t>(base::clock::WallSeconds());
  std::tm local{};
  localtime_r(&now, &local);
  char name[32] = {};
  std::strftime(name, sizeof(name), "%F %H.%M.%S", &local);
  return name;
}

bool ProbeWritable(const std::string& dir) {
  const std::string probe = dir + QuickRecordRecorderModel::kWriteProbeName;
  const bool written = static_cast<bool>(std::ofstream(probe) << "");
  util::file::Remove(probe);
  return written;
}

}  // namespace

QuickRecordRecorderModel::QuickRecordRecorderModel() : framework::ModelImpl(model_id::kQuickRecordRecorderModel) {
  std::shared_ptr<kovanisdk::plugin::PluginInstanceImpl> instance;
  kovanisdk::plugin::QueryPluginInterface(kPluginModuleId, kRecorderPluginName, &instance);
  if (auto recorder = std::dynamic_pointer_cast<IQuickRecorder>(instance)) {
    recorder->listener = this;
    recorder_ = recorder;
  }

  BindMethod(kInvokeFuncStartRecord, [this](const Variant& args, Variant* result) { return InvokeFuncStartRecord(args, result); });
  // A camera-only recording has no screen frame to take its cover from; it is taken from the
  // camera before the picture goes away, at the first pause or the stop, whichever comes first.
  BindMethod(kInvokePauseRecord, [this](const Variant&, Variant* result) {
    auto recorder = Recorder();
    if (recorder) recorder->CheckNeedSaveCoverForCameraMode();
    const bool paused = recorder && recorder->Pause();
    if (result) *result = paused;
    FireEvent(kEventPaused);
    return true;
  });
  BindMethod(kInvokeStopRecord, [this](const Variant&, Variant* result) {
    auto recorder = Recorder();
    if (recorder) recorder->CheckNeedSaveCoverForCameraMode();
    const bool stopped = recorder && recorder->Stop();
    if (result) *result = stopped;
    config_.float_window_area = Variant();
    return true;
  });
  BindMethod(kInvokeFuncGetRecordState, [this](const Variant&, Variant* result) {
    if (!result) {
      KLOG(3) << "null result.";
      return true;
    }
    auto recorder = Recorder();
    *result = static_cast<int32_t>(recorder ? recorder->GetState() : kovanisdk::plugin::kRecordStateStopped);
    return true;
  });
  BindMethod(kInvokeFuncUpdateMicOpenState, [this](const Variant& args, Variant*) {
    auto recorder = Recorder();
    if (!recorder) return true;
    // The new-recording page must not silence a recording that runs already.
    const bool keep = args.GetBool("from_main_pannel") && recorder->GetState() != kovanisdk::plugin::kRecordStateStopped;
    recorder->NotifyUpdateMicOpenState(args.GetBool("mic_open", true), keep);
    return true;
  });
  BindMethod(kInvokeResumeRecord, [this](const Variant& args, Variant* result) { return InvokeResumeRecord(args, result); });
  BindMethod(kInvokeEnableShareAudio, [this](const Variant& args, Variant*) {
    config_.capture_system_sound = args.GetBool("enable_share_audio", config_.capture_system_sound);
    ReapplyVideoSources();
    return true;
  });
  BindMethod(kInvokeFuncGetLocalAudioVolume, [](const Variant&, Variant* result) {
    auto* audio = kvp::av::GetMediaEngine() ? kvp::av::GetMediaEngine()->GetAudioCapture() : nullptr;
    if (result) {
      *result = Variant::MakeMap();
      result->Set("volume", audio ? audio->MicrophoneVolume() : 0);
    }
    return true;
  });
  BindMethod(kInvokeSetSelectedWindow, [this](const Variant& args, Variant*) {
    config_.window_id = args.GetUInt64("window_id");
    config_.monitor_id = config_.window_id ? std::string() : args.GetString("monitor_id");
    auto recorder = Recorder();
    if (recorder && recorder->GetState() != kovanisdk::plugin::kRecordStateStopped) ReapplyVideoSources();
    return true;
  });
  BindMethod(kInvokeReapplyVideoSources, [this](const Variant&, Variant*) {
    ReapplyVideoSources();
    return true;
  });
  BindMethod(kInvokeGetRecordingSwitch, [this](const Variant&, Variant* result) {
    if (result) *result = recording_switch_;
    return true;
  });
  BindMethod(kInvokeClearCameraWindowFilter, [this](const Variant&, Variant*) {
    config_.float_window_area = Variant();
    return true;
  });
}

QuickRecordRecorderModel::~QuickRecordRecorderModel() {
  if (auto recorder = Recorder(); recorder && recorder->listener == this) recorder->listener = nullptr;
}

std::shared_ptr<IQuickRecorder> QuickRecordRecorderModel::Recorder() const { return recorder_.lock(); }

void QuickRecordRecorderModel::ReapplyVideoSources() {
  if (auto recorder = Recorder()) recorder->UpdateConfig();
}

bool QuickRecordRecorderModel::InvokeFuncStartRecord(const Variant& args, Variant* result) {
  if (result) *result = false;
  if (!args.Has("record_flags")) {
    KLOG(3) << "[QUICK RECORD] please set record flags before start quick record.";
    return true;
  }
  const uint32_t flags = args.GetUInt32("record_flags");
  if (!(flags & (kRecordFlagScreen | kRecordFlagCamera))) {
    KLOG(3) << "[QUICK RECORD] invalid record flags.";
    return true;
  }
  // A newer recorder may have been created since this model attached; each query yields the one.
  std::shared_ptr<kovanisdk::plugin::PluginInstanceImpl> instance;
  kovanisdk::plugin::QueryPluginInterface(kPluginModuleId, kRecorderPluginName, &instance);
  auto recorder = std::dynamic_pointer_cast<IQuickRecorder>(instance);
  if (!kvp::av::GetMediaEngine() || !recorder) {
    KLOG(1) << "[QUICK RECORD] no meeting service running.";
    return true;
  }
  KLOG(6) << "[QUICK RECORD] ready to start quick record with flags: " << flags;
  record_flags_ = flags;
  recording_switch_ = args.GetBool("recording_switch", recording_switch_);
  if (args.Get("float_window_area").IsMap()) config_.float_window_area = args.Get("float_window_area");
  ReapplyVideoSources();
  QuickRecordStartParams params;
  params.kind = 2;
  params.record_flags = flags;
  params.mic_enabled = args.GetBool("audio_enable", true);
  support_full_hd_ = kovani_common::utils::record::IsMachineSupportVideoHD(
      kovanisdk::utils::config::GetValue("quick_record_ability", "rule_for_full_hd"));
  params.support_full_hd = support_full_hd_;
  params.device_switch = recording_switch_;
  const bool started = recorder->Start(this, params);
  if (result) *result = started;
  return true;
}

bool QuickRecordRecorderModel::InvokeResumeRecord(const Variant& args, Variant* result) {
  auto recorder = Recorder();
  QuickRecordStartParams params;
  params.kind = 2;
  params.record_flags = record_flags_;
  params.mic_enabled = args.GetBool("enable_mic", false);
  params.support_full_hd = support_full_hd_;
  params.device_switch = recording_switch_;
  const bool resumed = recorder && recorder->Start(this, params);
  if (result) *result = resumed;
  FireEvent(kEventResumeRequested);
  return true;
}

void QuickRecordRecorderModel::FillRecordConfig(kovanisdk::RecordConfig* config) {
  if (!config) return;
  config->save_dir = config_.save_dir;
  config->monitor_id = config_.monitor_id;
  config->window_id = config_.window_id;
  config->capture_system_sound = config_.capture_system_sound;
  if (!config_.camera_device_id.empty()) config->camera_device_id = config_.camera_device_id;
  if (!config_.microphone_device_id.empty()) config->microphone_device_id = config_.microphone_device_id;
  config->float_window_area = config_.float_window_area;
}

Variant QuickRecordRecorderModel::GetRecordLayoutInfo() {
  Variant layout = Variant::MakeMap();
  layout.Set("record_flags", record_flags_);
  layout.Set("is_window_capture", config_.window_id != 0);
  layout.Set("float_window_area", config_.float_window_area);
  return layout;
}

bool QuickRecordRecorderModel::PrepareSaveDirectory() {
  std::string stored = kovanisdk::utils::user_config::GetString(kSavePathKey);
  if (stored.empty()) {
    KLOG(4) << "stored_save_path is empty, init path";
    kovani_common::utils::record::InitDefaultSavePath();
    stored = kovanisdk::utils::user_config::GetString(kSavePathKey);
  }
  KLOG(6) << "stored_save_path:" << stored;
  const std::string base = CleanDirectory(stored);
  const std::string sub = LocalTimeName();
  const std::string dir = base + sub + "/";
  // Without a base the dated name alone would be relative to wherever the client runs.
  if (!base.empty() && !util::file::IsFileExist(dir) && !util::file::MakePath(dir)) {
    KLOG(1) << "make dir failed! path:" << dir;
  }
  if (base.empty() || !ProbeWritable(dir)) {
    KLOG(1) << "file access failed! path:" << base << " subpath:" << sub;
    return false;
  }
  kovanisdk::utils::user_config::SetValue(kSaveFullPathKey, dir);
  config_.save_dir = dir;
  return true;
}

void QuickRecordRecorderModel::OnRecordStateChanged(RecordStateType state, bool flag) {
  Variant payload = Variant::MakeMap();
  payload.Set("record_state", static_cast<int32_t>(state));
  payload.Set("record_type", kRecordTypeQuickRecord);
  payload.Set("is_owner", flag);
  FireEvent(kEventRecordStateChanged, payload);
  if (auto host = framework::module::GetAppModuleModel(host::app::kRecordingServiceModelId)) {
    host->Call(host::app::kRecordingServiceRecordState, payload, nullptr);
  }
  if (auto host = framework::module::GetAppModuleModel(host::app::kRecordingStateListenerModelId)) {
    host->Call(host::app::kRecordingStateListenerRecordState, payload, nullptr);
  }
}

void QuickRecordRecorderModel::OnRecordError(int32_t operate_type, int32_t result, const std::string& message) {
  Variant payload = Variant::MakeMap();
  payload.Set("result", result);
  payload.Set("message", message);
  payload.Set("operate_type", operate_type);
  FireEvent(kEventRecordError, payload);
}

void QuickRecordRecorderModel::OnRecorderEvent(int32_t event, void* data) {
  if (event == kRecorderEventNeedSavePath && data) {
    *static_cast<bool*>(data) = PrepareSaveDirectory();
  } else if (event == kRecorderEventStarted && data) {
    const auto* started = static_cast<const RecorderStartedData*>(data);
    Variant payload = Variant::MakeMap();
    payload.Set("record_flag", started->record_flags);
    payload.Set("is_window_capture", started->window_capture);
    payload.Set("width", started->width);
    payload.Set("height", started->height);
    FireEvent(kEventRecordStarted, payload);
  }
}

}  // namespace quick_record
