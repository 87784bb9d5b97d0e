#include "module/quick_record/model/quick_record_model.h"

#include "host/app/host_model_ids.h"
#include "host/app/recording_state_model.h"
#include "host/base/json/json_value.h"
#include "host/base/logging/logger.h"
#include "host/framework/module/module_service.h"
#include "host/sdk/kovani_common/web.h"
#include "host/sdk/plugin/plugin_registry.h"
#include "host/sdk/utils/user_config.h"
#include "module/quick_record/cloud/quick_record_service_plugin.h"
#include "module/quick_record/entry/quick_record_ids.h"
#include "module/quick_record/entry/quick_record_module_runtime.h"
#include "module/quick_record/model/quick_record_recorder_model.h"
#include "module/quick_record/model/record_error_translator.h"
#include "module/quick_record/recorder/i_quick_recorder.h"
#include "module/quick_record/upload/quick_record_upload_model.h"

namespace quick_record {

using base::variant::Variant;

namespace {

std::shared_ptr<IQuickRecorder> QueryRecorder() {
  std::shared_ptr<IQuickRecorder> recorder;
  kovanisdk::plugin::QueryPluginInterface(kPluginModuleId, kRecorderPluginName, &recorder);
  return recorder;
}

}  // namespace

QuickRecordModel::QuickRecordModel(std::shared_ptr<framework::ModelImpl> recorder_model,
                                   std::shared_ptr<QuickRecordServicePlugin> cloud_service)
    : framework::ModelImpl(model_id::kQuickRecordModel),
      subscriber_id_(framework::NewSubscriberId()),
      recorder_model_(std::move(recorder_model)),
      cloud_service_(std::move(cloud_service)) {
  BindSessionMethods();
  BindDeviceMethods();
  BindFieldMethods();
  for (const Relay& relay : kRelays) {
    BindMethod(relay.method_id, [this, relay](const Variant& args, Variant*) {
      FireEvent(relay.event_id, relay.with_argument ? args : Variant());
      return true;
    });
  }
}

QuickRecordModel::~QuickRecordModel() = default;

void QuickRecordModel::Init() {
  framework::ModelImpl::Init();
  record_mode_ = kovanisdk::utils::user_config::GetValue(kRecordModeKey, 0).AsInt32();
  if (!cloud_service_) kovanisdk::plugin::QueryPluginInterface(kPluginModuleId, kServicePluginName, &cloud_service_);
  if (cloud_service_) cloud_service_->SetDelegate(this);
  if (!recorder_model_) recorder_model_ = ModuleModelOf(model_id::kQuickRecordRecorderModel);
  std::weak_ptr<ModelImpl> weak = weak_from_this();
  auto self_of = [weak] { return std::static_pointer_cast<QuickRecordModel>(weak.lock()); };
  if (recorder_model_) {
    recorder_model_->Subscribe(QuickRecordRecorderModel::kEventRecordStateChanged, subscriber_id_,
                               [self_of](int32_t, const Variant& payload) {
                                 if (auto self = self_of()) self->HandleRecordState(payload);
                               });
    recorder_model_->Subscribe(QuickRecordRecorderModel::kEventRecordError, subscriber_id_,
                               [self_of](int32_t, const Variant& payload) {
                                 if (auto self = self_of()) self->HandleRecordError(payload);
                               });
  }
  if (auto auth = framework::module::GetAppModuleModel(host::app::kAuthModelId)) {
    auth_model_ = auth;
    auth->Subscribe(host::app::kAuthStateChangedEvent, subscriber_id_, [self_of](int32_t, const Variant& payload) {
      auto self = self_of();
      if (!self || payload.GetInt32("auth_state", host::app::kAuthStateAuthorized) != host::app::kAuthStateSignedOut) return;
      Variant notice = Variant::MakeMap();
      notice.Set("reason", "sign_out");
      self->FireEvent(kEventSessionNotice, notice);
    });
  }
}

void QuickRecordModel::UnInit() {
  if (recorder_model_) recorder_model_->Unsubscribe(subscriber_id_);
  if (auto auth = auth_model_.lock()) auth->Unsubscribe(subscriber_id_);
  if (cloud_service_) cloud_service_->SetDelegate(nullptr);
  framework::ModelImpl::UnInit();
}

void QuickRecordModel::BindSessionMethods() {
  BindMethod(kInvokeStartQuickRecord, [this](const Variant& args, Variant*) { return InvokeStartQuickRecord(args); });
  BindMethod(kInvokeQuickRecordComplete, [this](const Variant&, Variant*) {
    InvokeQuickRecordComplete();
    return true;
  });
  BindMethod(kInvokeCancelQuickRecord, [this](const Variant& args, Variant*) { return InvokeCancelQuickRecord(args); });
  BindMethod(kInvokeStartRefused, [this](const Variant& args, Variant*) {
    InvokeStartRefused(args);
    return true;
  });
  BindMethod(kInvokePrepare, [this](const Variant&, Variant*) {
    // A new recording is about to be set up: nothing of the last one's cancellation carries over.
    is_canceled_ = false;
    record_mode_ = kovanisdk::utils::user_config::GetValue(kRecordModeKey, record_mode_).AsInt32();
    return true;
  });
  BindMethod(kInvokeGetQuickRecordState, [this](const Variant&, Variant* result) {
    if (!result) return true;
    *result = Variant::MakeMap();
    result->Set("is_recording", is_recording_.load());
    result->Set("record_id", record_id_);
    result->Set("record_start_time", record_start_time_);
    result->Set("is_canceled", is_canceled_);
    result->Set("is_count_downing", is_count_downing_);
    return true;
  });
  BindMethod(kInvokeRecoverUploadFileInfo, [](const Variant&, Variant* result) {
    if (result) *result = Variant::FromJson(kovanisdk::utils::user_config::GetString(kTranscodeInfoKey));
    return true;
  });
  BindMethod(kInvokeSetCountDownState, [this](const Variant& args, Variant*) {
    is_count_downing_ = args.AsBool();
    return true;
  });
  BindMethod(kInvokeGetCountDownState, [this](const Variant&, Variant* result) {
    if (result) *result = is_count_downing_;
    return true;
  });
  BindMethod(kInvokeGetQuickRecordWebUrl, [](const Variant&, Variant* result) {
    if (result) *result = kovani_common::utils::web::ReviseWebUrl("/quick_record");
    return true;
  });
  BindMethod(kInvokeGoToScreenOrWindowView, [this](const Variant& args, Variant*) {
    SetField("selected_screen", args);
    FireEvent(kEventSelectedScreenUpdated, args);
    return true;
  });
  BindMethod(kInvokeGetSelectScreenInfo, [this](const Variant&, Variant* result) {
    if (result) *result = Field("selected_screen");
    return true;
  });
  BindMethod(kInvokeSetSettingPanelShown, [this](const Variant& args, Variant*) {
    const bool shown = args.AsBool();
    if (Field("setting_panel_shown").AsBool() == shown) return true;
    SetField("setting_panel_shown", shown);
    Variant value = Variant::MakeMap();
    value.Set("show", shown);
    FireEvent(kEventSettingPanelShownChanged, value);
    return true;
  });
  BindMethod(kInvokeGetSettingPanelShown, [this](const Variant&, Variant* result) {
    if (result) *result = Field("setting_panel_shown").AsBool();
    return true;
  });
  BindMethod(kInvokeHandleKeyPressed, [this](const Variant& args, Variant*) {
    Variant notice = Variant::MakeMap();
    notice.Set("reason", "key_pressed");
    notice.Set("key", args.IsMap() ? args.Get("key") : args);
    FireEvent(kEventSessionNotice, notice);
    return true;
  });
}

void QuickRecordModel::BindDeviceMethods() {
  BindMethod(kInvokeGetQuickRecordConfigInfo, [this](const Variant&, Variant* result) {
    if (!result) return true;
    *result = Variant::MakeMap();
    result->Set("record_mode", record_mode_);
    for (const char* name : {"mic_enabled", "camera_enabled", "enable_share_audio", "mic_device", "camera_device",
                             "camera_hd_level"}) {
      result->Set(name, Field(name));
    }
    return true;
  });
  BindMethod(kInvokeChangeModeType, [this](const Variant& args, Variant*) {
    if (!args.IsMap()) {
      SetField("record_mode", args);
    } else {
      SetField("record_mode", args.Has("mode_type") ? args.Get("mode_type") : args.Get("select_mode"));
    }
    FireDeviceState();
    Variant mode = Variant::MakeMap();
    mode.Set("select_mode", record_mode_);
    FireEvent(kEventRecordModeChanged, mode);
    return true;
  });
  // `switch_event`: the event that announces this one switch to the pages that show it.
  auto store_and_announce = [this](int32_t method_id, const char* field, const char* key, int32_t switch_event = 0) {
    BindMethod(method_id, [this, field, key, switch_event](const Variant& args, Variant*) {
      SetField(field, args.IsMap() ? args.Get(key) : args);
      FireDeviceState();
      if (switch_event != 0) {
        Variant value = Variant::MakeMap();
        value.Set(key, Field(field));
        FireEvent(switch_event, value);
      }
      return true;
    });
  };
  store_and_announce(kInvokeEnableMicDevice, "mic_enabled", "enable", kEventChangeMicState);
  store_and_announce(kInvokeChangeMicDevice, "mic_device", "device_id");
  store_and_announce(kInvokeEnableCameraDevice, "camera_enabled", "enable", kEventChangeCameraState);
  store_and_announce(kInvokeChangeCameraDevice, "camera_device", "device_id");
  store_and_announce(kInvokeUpdateLastMicDevice, "last_mic_device", "device_id");
  store_and_announce(kInvokeUpdateLastCameraDevice, "last_camera_device", "device_id");
  store_and_announce(kInvokeUpdateCamareResolutionView, "camera_hd_level", "hd_level");
  store_and_announce(kInvokeSetSelectHDLevel, "camera_hd_level", "hd_level");
  for (int32_t method_id : {kInvokeMicDeviceConnectChanged, kInvokeCameraDeviceConnectChanged}) {
    BindMethod(method_id, [this](const Variant& args, Variant*) {
      FireEvent(kEventDeviceState, args);
      return true;
    });
  }
  BindMethod(kInvokeGetPreviewCameraDevice, [this](const Variant&, Variant* result) {
    if (result) *result = Field("camera_device");
    return true;
  });
  BindMethod(kInvokeGetSelectCameraHd, [this](const Variant&, Variant* result) {
    if (result) *result = Field("camera_hd_level");
    return true;
  });
  BindMethod(kInvokeCheckSetCamareResolutionView, [this](const Variant& args, Variant* result) {
    // A level differs from the one shown only when the page must redraw its resolution choice.
    const Variant level = args.IsMap() ? args.Get("hd_level") : args;
    if (result) *result = !(level == Field("camera_hd_level"));
    return true;
  });
  BindMethod(kInvokeUpdateMicOldState, [this](const Variant& args, Variant*) {
    SetField("mic_old_state", args.AsBool());
    return true;
  });
  BindMethod(kInvokeOpenScreenCapture, [](const Variant&, Variant* result) {
    auto recorder = QueryRecorder();
    const bool opened = recorder && recorder->OpenScreenCapture();
    if (result) *result = opened;
    return true;
  });
}

void QuickRecordModel::BindFieldMethods() {
  for (const FieldAccess& access : kFieldAccess) {
    BindMethod(access.method_id, [this, access](const Variant& args, Variant* result) {
      if (access.write) {
        SetField(access.field, args);
      } else if (result) {
        *result = Field(access.field);
      }
      return true;
    });
  }
}

Variant QuickRecordModel::Field(const std::string& name) const {
  if (name == "record_mode") return record_mode_;
  if (name == "is_recording") return is_recording_.load();
  if (name == "is_count_downing") return is_count_downing_;
  if (name == "is_canceled") return is_canceled_;
  if (name == "record_id") return record_id_;
  if (name == "record_start_time") return record_start_time_;
  auto it = fields_.find(name);
  return it == fields_.end() ? Variant() : it->second;
}

void QuickRecordModel::SetField(const std::string& name, Variant value) {
  if (name == "record_mode") {
    record_mode_ = value.AsInt32(record_mode_);
    kovanisdk::utils::user_config::SetValue(kRecordModeKey, record_mode_);
  } else if (name == "is_recording") {
    is_recording_ = value.AsBool();
  } else if (name == "is_count_downing") {
    is_count_downing_ = value.AsBool();
  } else {
    fields_[name] = std::move(value);
  }
}

void QuickRecordModel::FireDeviceState() {
  Variant state = Variant::MakeMap();
  state.Set("record_mode", record_mode_);
  for (const auto& [name, value] : fields_) state.Set(name, value);
  FireEvent(kEventDeviceState, state);
}

bool QuickRecordModel::InvokeStartQuickRecord(const Variant& args) {
  const bool is_new = args.GetBool("is_new", true);
  if (is_new && !record_id_.empty()) {
    KLOG(3) << "is new quick record, record_id_ not empty, maybe clear error, record_id_:" << record_id_;
    record_id_.clear();
  }
  if (auth_) KLOG(6) << "reset last auth then start record";
  auth_ = std::make_shared<QuickRecordStartRecordResult>();
  is_canceled_ = false;
  // The back end answers an older start no more once a new one is asked for.
  cancel_on_auth_ = false;
  record_start_time_ = args.GetString("record_start_time");
  Variant info = Variant::MakeMap();
  info.Set("subject", args.GetString("subject"));
  info.Set("record_start_time", record_start_time_);
  if (is_new) info.Set("record_id", "");
  SaveTranscodeInfo(info);
  FireEvent(kEventStartRequested, Variant::MakeMap());
  KLOG(6) << "request upload file auth";
  return true;
}

void QuickRecordModel::OnStartQuickRecordAuthResponse(const std::shared_ptr<QuickRecordStartRecordResult>& result) {
  KLOG(6) << "start record upload file auth response";
  if (cancel_on_auth_) {
    cancel_on_auth_ = false;
    if (result && !result->record_id.empty()) CancelRefusedRecord(result->record_id);
    return;
  }
  auth_ = result;
  KLOG(6) << "last quick record id:" << record_id_;
  record_id_ = result ? result->record_id : std::string();
  if (record_id_.empty()) KLOG(3) << "check record_id_";
  KLOG(6) << "current quick record id:" << record_id_;
  Variant started = Variant::MakeMap();
  started.Set("record_id", record_id_);
  FireEvent(kEventStartRequested, started);
  SaveTranscodeInfo(started);
}

void QuickRecordModel::InvokeQuickRecordComplete() {
  KLOG(6) << "quick record complete";
  Variant complete = Variant::MakeMap();
  complete.Set("record_id", record_id_);
  FireEvent(kEventRecordComplete, complete);
  // The recording has ended: the transcoder may use the whole machine to catch up.
  KLOG(6) << "SetTranscodeRateMax";
}

bool QuickRecordModel::InvokeCancelQuickRecord(const Variant& args) {
  if (args.IsNull()) {
    KLOG(3) << "params error";
    return true;
  }
  const std::string record_id = args.IsMap() ? args.GetString("record_id") : args.AsString();
  is_canceled_ = true;
  Variant cancelled = Variant::MakeMap();
  cancelled.Set("record_id", record_id);
  FireEvent(kEventRecordCancelled, cancelled);
  // The back end hears of the cancel from the upload model, which reserved the record there;
  // the caller asks it first, so asking again here would delete the record twice.
  NotifyHostOfCancel(record_id);
  KLOG(6) << "clear record_id:" << record_id << ",record_id_:" << record_id_;
  record_id_.clear();
  return true;
}

void QuickRecordModel::InvokeStartRefused(const Variant& args) {
  KLOG(3) << "[QUICK RECORD] recorder refused the start: " << args.GetString("reason") << ", record_id:" << record_id_;
  auth_.reset();
  if (record_id_.empty()) {
    cancel_on_auth_ = true;
    return;
  }
  CancelRefusedRecord(record_id_);
}

void QuickRecordModel::CancelRefusedRecord(const std::string& record_id) {
  KLOG(6) << "[QUICK RECORD] cancel the record of the refused start, record_id:" << record_id;
  Variant cancel = Variant::MakeMap();
  cancel.Set("record_id", record_id);
  if (auto upload = ModuleModelOf(model_id::kQuickRecordUploadModel)) {
    upload->Call(QuickRecordUploadModel::kInvokeRequestServerCancelRecord, cancel, nullptr);
  }
  record_id_.clear();
  Variant info = Variant::MakeMap();
  info.Set("record_id", "");
  SaveTranscodeInfo(info);
}

void QuickRecordModel::NotifyHostOfCancel(const std::string& record_id) {
  Variant args = Variant::MakeMap();
  args.Set("record_id", record_id);
  if (auto host = framework::module::GetAppModuleModel(host::app::kRecordingServiceModelId)) {
    host->Call(host::app::kRecordingServiceCancelRecord, args, nullptr);
  }
  if (auto host = framework::module::GetAppModuleModel(host::app::kRecordingStateListenerModelId)) {
    host->Call(host::app::kRecordingStateListenerCancelRecord, args, nullptr);
  }
}

void QuickRecordModel::SaveTranscodeInfo(const Variant& values) {
  auto info = base::json::JsonValue::Parse(kovanisdk::utils::user_config::GetString(kTranscodeInfoKey));
  if (!info.IsObject()) info = base::json::JsonValue::Object();
  for (const auto& [key, value] : values.AsMap()) info.SetJsonObject(key, value.AsString());
  kovanisdk::utils::user_config::SetValue(kTranscodeInfoKey, info.ToCompactString());
}

void QuickRecordModel::HandleRecordState(const Variant& payload) {
  if (payload.IsNull()) {
    KLOG(3) << "null params";
    return;
  }
  const int32_t state = payload.GetInt32("record_state");
  KLOG(6) << "record_state: " << state;
  const bool recording = state != 0 && state != -1;
  is_recording_ = recording;
  FireEvent(kEventRecordingChanged, recording);
}

void QuickRecordModel::HandleRecordError(const Variant& payload) {
  const Variant error = RecordErrorTranslator::Translate(payload.GetInt32("result"), payload.GetInt32("operate_type"),
                                                         payload.GetString("message"));
  KLOG(1) << "record error error_code[" << error.GetInt32("error_code") << "] error_msg["
          << error.GetString("message") << "]" << " operate_type[" << error.GetInt32("operate_type") << "]";
  FireEvent(kEventRecordError, error);
}

void QuickRecordModel::OnSigRefresh(const std::string& signature) { signature_ = signature; }

void QuickRecordModel::OnRequestError(int32_t type, int64_t error_code, const std::string& message,
                                      const std::string& record_id) {
  KLOG(3) << "request error, type:" << type << " code:" << error_code << " msg:" << message
          << " record_id:" << record_id;
  Variant done = Variant::MakeMap();
  done.Set("type", type);
  done.Set("record_id", record_id);
  done.Set("success", false);
  done.Set("error_code", error_code);
  done.Set("message", message);
  FireEvent(kEventCloudRequestCompleted, done);
  if (error_code == 401) {
    Variant notice = Variant::MakeMap();
    notice.Set("reason", "unauthorized");
    FireEvent(kEventSessionNotice, notice);
  }
}

void QuickRecordModel::OnRequestComplete(int32_t type, const std::string& record_id) {
  Variant done = Variant::MakeMap();
  done.Set("type", type);
  done.Set("record_id", record_id);
  done.Set("success", true);
  FireEvent(kEventCloudRequestCompleted, done);
}

}  // namespace quick_record
