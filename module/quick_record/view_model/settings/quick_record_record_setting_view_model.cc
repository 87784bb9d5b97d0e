#include "module/quick_record/view_model/settings/quick_record_record_setting_view_model.h"

#include <optional>

#include "host/app/device_model.h"
#include "host/app/host_model_ids.h"
#include "host/app/string_table.h"
#include "host/base/analytics/analytics.h"
#include "host/base/logging/logger.h"
#include "host/framework/module/module_service.h"
#include "host/framework/module/resource.h"
#include "host/framework/navigation/navigator_service.h"
#include "host/sdk/kovani_common/video_hd_rule.h"
#include "host/sdk/utils/config_service.h"
#include "module/quick_record/entry/quick_record_ids.h"
#include "module/quick_record/entry/quick_record_module_runtime.h"
#include "module/quick_record/model/quick_record_model.h"
#include "module/quick_record/model/quick_record_recorder_model.h"
#include "module/quick_record/model/quick_record_vorta_config_model.h"
#include "module/quick_record/model/screen_selector_model.h"
#include "module/quick_record/view_model/record_source_selection.h"

namespace quick_record {

using base::variant::Variant;

namespace {

// Session events that change what the screen choice shows.
constexpr int32_t kEventScreenListRelay = 311992604;
constexpr int32_t kEventSelectionDataRelay = 561108843;
// The camera model announces a preview closed from outside.
constexpr int32_t kEventCameraPreviewClosed = 1144459780;

// The device of `id` in a device model list. A copy: the lists are fresh temporaries, and a
// pointer into one would not outlive the statement that asked.
std::optional<Variant> FindDevice(const Variant& devices, const std::string& id) {
  if (!devices.IsArray() || id.empty()) return std::nullopt;
  for (const Variant& device : devices.AsArray()) {
    if (device.GetString("device_id") == id) return device;
  }
  return std::nullopt;
}

bool NeedsCamera(int32_t mode) {
  return mode == QuickRecordRecordSettingViewModel::kModeScreenAndHead ||
         mode == QuickRecordRecordSettingViewModel::kModeHead;
}

}  // namespace

QuickRecordRecordSettingViewModel::QuickRecordRecordSettingViewModel(Models models)
    : QuickRecordRecordSettingViewModel(view_model_id::kQuickRecordRecordSettingViewModel, kProperties, Extras{},
                                        std::move(models)) {}

QuickRecordRecordSettingViewModel::QuickRecordRecordSettingViewModel(int32_t view_model_id,
                                                                     const PropertyIds& properties,
                                                                     const Extras& extras, Models models)
    : kovani::ExtensionViewModelT<framework::StatefulViewModel>(view_model_id),
      properties_(properties),
      extras_(extras),
      models_(std::move(models)) {}

QuickRecordRecordSettingViewModel::~QuickRecordRecordSettingViewModel() {
  if (volume_timer_) volume_timer_->Stop();
}

void QuickRecordRecordSettingViewModel::ResolveModels() {
  if (!models_.session) models_.session = ModuleModelOf(model_id::kQuickRecordModel);
  if (!models_.recorder) models_.recorder = ModuleModelOf(model_id::kQuickRecordRecorderModel);
  if (!models_.screen_selector) models_.screen_selector = ModuleModelOf(model_id::kScreenSelectorModel);
  if (!models_.application) models_.application = framework::module::GetAppModuleModel(kHostApplicationModelId);
}

// ---- attach and detach ----

void QuickRecordRecordSettingViewModel::OnViewAttached() {
  ResolveModels();
  Subscribe();
  LoadSessionChoices();
  PublishCapability();
  InitUIData();
  UpdateDeviceListUiData();
  CheckDefaultCameraExists();
  CheckDefaultMicExists();
  PublishSwitch(properties_.camera_switch, camera_);
  PublishSwitch(properties_.mic_switch, mic_);
  PublishSelection();
  OpenMicPreview();
  if (models_.session) models_.session->Call(QuickRecordModel::kInvokeSetSettingPanelShown, Variant(true), nullptr);
}

void QuickRecordRecordSettingViewModel::OnViewDetached() {
  subscriptions_.Clear();
  if (models_.session) models_.session->Call(QuickRecordModel::kInvokeSetSettingPanelShown, Variant(false), nullptr);
  if (volume_timer_) volume_timer_->Stop();
  volume_timer_.reset();
}

void QuickRecordRecordSettingViewModel::Subscribe() {
  subscriptions_.Clear();
  auto devices = framework::module::GetAppModuleModel(host::app::kDeviceModelId);
  using Self = QuickRecordRecordSettingViewModel;
  subscriptions_.Follow(devices, host::app::kDeviceDefaultMicrophoneChangedEvent, this, &Self::OnEventMicDefaultDeviceChanged);
  subscriptions_.Follow(devices, host::app::kDeviceDefaultCameraChangedEvent, this, &Self::OnEventCameraAdd);
  subscriptions_.Follow(devices, host::app::kDeviceMicrophoneAddedEvent, this, &Self::OnEventMicAdd);
  subscriptions_.Follow(devices, host::app::kDeviceListChangedEvent, this, &Self::OnDeviceListChanged);
  subscriptions_.Follow(models_.session, QuickRecordModel::kEventChangeMicState, this, &Self::OnEventChangeMicState);
  subscriptions_.Follow(models_.session, QuickRecordModel::kEventChangeCameraState, this, &Self::OnEventChangeCameraState);
  subscriptions_.Follow(models_.session, QuickRecordModel::kEventRecordModeChanged, this, &Self::OnEventRecordModeChanged);
  subscriptions_.Follow(models_.session, QuickRecordModel::kEventRecordingChanged, this, &Self::OnRecordingChanged);
  for (int32_t event : {kEventScreenListRelay, QuickRecordModel::kEventDeviceState, kEventSelectionDataRelay}) {
    subscriptions_.Add(models_.session, event, [weak = weak_from_this()](int32_t, const Variant&) {
      if (auto self = std::static_pointer_cast<Self>(weak.lock())) self->PublishSelection();
    });
  }
  subscriptions_.Follow(models_.session, QuickRecordModel::kEventSelectedScreenUpdated, this, &Self::OnEventUpdateWindowInfo);
  subscriptions_.Follow(ModuleModelOf(model_id::kMeetlogCameraModel), kEventCameraPreviewClosed, this, &Self::OnEventClosePreview);
  if (extras_.answers_mic_in_use) {
    subscriptions_.Add(models_.application, kIsMicDeviceUsedEvent,
                       [weak = weak_from_this()](int32_t, const Variant& payload) {
                         if (auto self = std::static_pointer_cast<Self>(weak.lock())) self->OnEventIsMicDeviceUsed(payload);
                       });
  }
  subscriptions_.Add(ModuleModelOf(model_id::kQuickRecordVortaConfigModel), QuickRecordVortaConfigModel::kEventConfigChanged,
                     [weak = weak_from_this()](int32_t, const Variant&) {
                       if (auto self = std::static_pointer_cast<Self>(weak.lock())) self->PublishCapability();
                     });
  // Signing in or out changes which devices this user may use: look at them again.
  subscriptions_.Add(framework::module::GetAppModuleModel(host::app::kAuthModelId), host::app::kAuthStateChangedEvent,
                     [weak = weak_from_this()](int32_t, const Variant& payload) {
                       if (auto self = std::static_pointer_cast<Self>(weak.lock())) self->OnDeviceListChanged(payload);
                     });
}

void QuickRecordRecordSettingViewModel::LoadSessionChoices() {
  Variant config;
  if (models_.session) models_.session->Call(QuickRecordModel::kInvokeGetQuickRecordConfigInfo, Variant(), &config);
  const int32_t mode = config.GetInt32("record_mode");
  selected_mode_ = mode >= kModeScreenAndHead && mode <= kModeHead ? mode : kModeScreen;
  camera_.id = config.GetString("camera_device");
  camera_.enabled = config.GetBool("camera_enabled", true);
  mic_.id = config.GetString("mic_device");
  mic_.enabled = config.GetBool("mic_enabled", true);
  if (const auto camera = FindDevice(Devices(host::app::kDeviceGetCameras), camera_.id)) {
    camera_.name = camera->GetString("device_name");
  }
  if (const auto mic = FindDevice(Devices(host::app::kDeviceGetMicrophones), mic_.id)) {
    mic_.name = mic->GetString("device_name");
  }
  recording_ = config.IsMap() && IsRecording();
}

bool QuickRecordRecordSettingViewModel::IsRecording() const {
  Variant state;
  if (models_.recorder) models_.recorder->Call(QuickRecordRecorderModel::kInvokeFuncGetRecordState, Variant(), &state);
  return state.AsInt32() != kovanisdk::plugin::kRecordStateStopped;
}

Variant QuickRecordRecordSettingViewModel::Devices(int32_t method_id) const {
  Variant devices;
  if (auto model = framework::module::GetAppModuleModel(host::app::kDeviceModelId)) model->Call(method_id, Variant(), &devices);
  return devices.IsArray() ? devices : Variant::MakeArray();
}

// ---- actions ----

void QuickRecordRecordSettingViewModel::Handle(int action, const Variant* payload) {
  ResolveModels();
  const Variant args = payload ? *payload : Variant::MakeMap();
  switch (action) {
    case kActionSelectMode: HandleSelectMode(args); break;
    case kActionSelectCameraDevice: HandleSelectCameraDevice(args); break;
    case kActionSelectMicDevice: HandleSelectMicDevice(args); break;
    case kActionEnableCameraDevice: HandleEnableCameraDevice(args); break;
    case kActionEnableMicDevice: HandleEnableMicDevice(args); break;
    case kActionSetDefaultScreen: HandleSetDefaultScreen(args); break;
    case kActionReloadConfig:
      LoadSessionChoices();
      PublishCapability();
      InitUIData();
      UpdateDeviceListUiData();
      break;
    default:
      for (int ignored : kActionIgnored) {
        if (action == ignored) return;
      }
      KLOG(3) << "unknown action " << action;
  }
}

void QuickRecordRecordSettingViewModel::HandleSelectMode(const Variant& payload) {
  const int32_t mode = payload.GetInt32("select_mode");
  if (mode < kModeScreenAndHead || mode > kModeHead) {
    KLOG(3) << "Invalid input param.";
    return;
  }
  if (IsRecording()) {
    KLOG(4) << "is recording, do not change quick record mode";
    return;
  }
  base::analytics::LogEventWithProperty("e#new_recording#recording_content#click", "select_mode", std::to_string(mode));
  if (NeedsCamera(mode)) {
    // The camera modes need a camera this user may open; without one the choice stays.
    if (Devices(host::app::kDeviceGetCameras).Size() == 0) {
      KLOG(3) << "Camera check: access fail";
      return;
    }
    KLOG(6) << "Camera check: access success";
  }
  UpdateRecordMode(mode);
}

void QuickRecordRecordSettingViewModel::UpdateRecordMode(int32_t mode) {
  if (mode == selected_mode_) return;
  selected_mode_ = mode;
  PublishMode();
  KLOG(6) << "select quick record mode " << mode;
  Variant args = Variant::MakeMap();
  args.Set("select_mode", mode);
  if (models_.session) models_.session->Call(QuickRecordModel::kInvokeChangeModeType, args, nullptr);
}

void QuickRecordRecordSettingViewModel::HandleSelectCameraDevice(const Variant& payload) {
  const std::string id = payload.GetString("device_id");
  KLOG(6) << "User select camera device: " << id;
  const bool off = id == kDisabledDeviceId || id.empty();
  const bool refused = IsRecording() || off || !FindDevice(Devices(host::app::kDeviceGetCameras), id);
  base::analytics::LogEventWithProperties("e#new_recording#camera#click",
                                          {{"device_name", payload.GetString("device_name")}, {"result", refused ? "0" : "1"}});
  if (refused) {
    KLOG(4) << "select disable camera device";
    UpdateDeviceListUiData();
    return;
  }
  SetCamera(id, payload.GetString("device_name"));
  Variant last = Variant::MakeMap();
  last.Set("device_id", id);
  KLOG(6) << "update last select camera device";
  if (models_.session) models_.session->Call(QuickRecordModel::kInvokeUpdateLastCameraDevice, last, nullptr);
  UpdateDeviceListUiData();
}

void QuickRecordRecordSettingViewModel::HandleSelectMicDevice(const Variant& payload) {
  const std::string id = payload.GetString("device_id");
  KLOG(6) << "User select mic device: " << id;
  const bool off = id == kDisabledDeviceId || id.empty();
  const bool refused = IsRecording() || off || !FindDevice(Devices(host::app::kDeviceGetMicrophones), id);
  base::analytics::LogEventWithProperties("e#new_recording#mic#click",
                                          {{"device_name", payload.GetString("device_name")}, {"result", refused ? "0" : "1"}});
  if (refused) {
    KLOG(4) << "user select disable device item";
    UpdateDeviceListUiData();
    return;
  }
  user_selected_mic_ = true;
  SetMic(id, payload.GetString("device_name"));
  Variant last = Variant::MakeMap();
  last.Set("device_id", id);
  KLOG(6) << "update last select mic device";
  if (models_.session) models_.session->Call(QuickRecordModel::kInvokeUpdateLastMicDevice, last, nullptr);
  UpdateDeviceListUiData();
}

void QuickRecordRecordSettingViewModel::HandleEnableCameraDevice(const Variant& payload) {
  const bool enable = payload.GetBool("enable");
  KLOG(6) << "User enable camera device: " << enable;
  if (IsRecording()) {
    KLOG(4) << "is recording, do not switch the camera here";
    return;
  }
  Variant args = Variant::MakeMap();
  args.Set("enable", enable);
  if (models_.session) models_.session->Call(QuickRecordModel::kInvokeEnableCameraDevice, args, nullptr);
}

void QuickRecordRecordSettingViewModel::HandleEnableMicDevice(const Variant& payload) {
  const bool enable = payload.GetBool("enable");
  KLOG(6) << "User enable mic device: " << enable;
  if (IsRecording()) {
    KLOG(4) << "is recording, do not switch the mic here";
    return;
  }
  EnableMic(enable);
}

void QuickRecordRecordSettingViewModel::HandleSetDefaultScreen(const Variant& payload) {
  if (IsRecording()) {
    KLOG(4) << "is recording, do not select default screen";
    return;
  }
  RecordSourceSelection::SelectScreen(models_.session, models_.screen_selector, payload);
}

// ---- what the panel shows ----

void QuickRecordRecordSettingViewModel::PublishCapability() {
  // Whether this machine may record in full HD: the panel offers the higher quality then.
  const bool support_full_hd = kovani_common::utils::record::IsMachineSupportVideoHD(
      kovanisdk::utils::config::GetValue("quick_record_ability", "rule_for_full_hd"));
  KLOG(6) << "res fps value is: " << support_full_hd;
  Variant capability = Variant::MakeMap();
  capability.Set("support_full_hd", support_full_hd);
  Publish(properties_.capability, capability);
}

void QuickRecordRecordSettingViewModel::InitUIData() {
  namespace s = host::strings;
  const auto* strings = framework::Resource::GetInstance();
  camera_exists_ = Devices(host::app::kDeviceGetCameras).Size() > 0;
  Variant ui = Variant::MakeMap();
  ui.Set("main_title", strings->GetString(s::kQuickRecordSettingTitle));
  ui.Set("select_mode_subtitle", strings->GetString(s::kQuickRecordSettingModeSubtitle));
  ui.Set("select_device_subtitle", strings->GetString(s::kQuickRecordSettingDeviceSubtitle));
  ui.Set("screen_and_head_mode", strings->GetString(s::kQuickRecordSettingScreenAndHead));
  ui.Set("screen_mode", strings->GetString(s::kQuickRecordSettingScreen));
  ui.Set("head_mode", strings->GetString(s::kQuickRecordSettingHead));
  ui.Set("full_screen_content", strings->GetString(s::kQuickRecordSettingFullScreen));
  ui.Set("full_window_content", strings->GetString(s::kQuickRecordSettingFullWindow));
  ui.Set("screen_and_head_mode_tip", strings->GetString(s::kQuickRecordSettingScreenAndHeadTip));
  ui.Set("screen_mode_tip", strings->GetString(s::kQuickRecordSettingScreenTip));
  ui.Set("head_tip", strings->GetString(s::kQuickRecordSettingHeadTip));
  ui.Set("setting_widget_enable", SettingsEnabled());
  ui.Set("camera_exists", camera_exists_);
  ui.Set("select_mode", selected_mode_);
  KLOG(6) << "Initial value for setting view: " << ui.ToJson();
  Publish(properties_.panel, ui);
}

void QuickRecordRecordSettingViewModel::PublishMode() {
  Variant mode = Variant::MakeMap();
  mode.Set("select_mode", selected_mode_);
  mode.Set("camera_exists", camera_exists_);
  Publish(properties_.mode, mode);
}

void QuickRecordRecordSettingViewModel::UpdateDeviceListUiData() {
  const Variant cameras = Devices(host::app::kDeviceGetCameras);
  const Variant mics = Devices(host::app::kDeviceGetMicrophones);
  camera_exists_ = cameras.Size() > 0;
  mic_exists_ = mics.Size() > 0;
  if (!camera_exists_ || !mic_exists_) {
    KLOG(4) << "mic or camera Permission Denied" << "mic_accessible_state:" << mic_exists_
            << ", camera_accessible_state:" << camera_exists_;
  }
  PublishDeviceList(properties_.camera_list, cameras, camera_, camera_exists_ && !recording_);
  PublishDeviceList(properties_.mic_list, mics, mic_, mic_exists_ && !recording_);
}

void QuickRecordRecordSettingViewModel::PublishDeviceList(int32_t property_id, const Variant& devices,
                                                          const Device& current, bool enable) {
  Variant list = Variant::MakeArray();
  for (const Variant& device : devices.AsArray()) {
    Variant item = Variant::MakeMap();
    item.Set("device_id", device.GetString("device_id"));
    item.Set("device_name", device.GetString("device_name"));
    item.Set("is_default", device.GetBool("is_default"));
    list.Add(std::move(item));
  }
  Variant off = Variant::MakeMap();
  off.Set("device_id", kDisabledDeviceId);
  off.Set("device_name", framework::Resource::GetInstance()->GetString(host::strings::kQuickRecordSettingDeviceOff));
  list.Add(std::move(off));
  Variant data = Variant::MakeMap();
  data.Set("devices", std::move(list));
  data.Set("user_select", current.id);
  data.Set("enable", enable);
  Publish(property_id, data);
}

void QuickRecordRecordSettingViewModel::PublishSwitch(int32_t property_id, const Device& device) {
  Variant value = Variant::MakeMap();
  value.Set("device_name", device.name);
  value.Set("device_enable", device.enabled);
  Publish(property_id, value);
}

void QuickRecordRecordSettingViewModel::PublishSelection() {
  Variant selection;
  if (models_.session) models_.session->Call(QuickRecordModel::kInvokeGetSelectScreenInfo, Variant(), &selection);
  if (!selection.IsMap()) selection = Variant::MakeMap();
  DescribeSelection(selection);
  Publish(properties_.selection, selection);
  auto selector = std::dynamic_pointer_cast<ScreenSelectorModel>(models_.screen_selector);
  Publish(properties_.screens, selector ? selector->screens() : Variant::MakeArray());
  Publish(properties_.windows, Windows());
  UpdateScreenSelectState();
}

Variant QuickRecordRecordSettingViewModel::Windows() {
  // This platform cannot list windows for recording: a window is chosen by its id.
  return Variant::MakeArray();
}

void QuickRecordRecordSettingViewModel::UpdateScreenSelectState() {
  Variant enable = Variant::MakeMap();
  enable.Set("enable", !recording_);
  Publish(properties_.selection_enable, enable);
}

// ---- default devices ----

void QuickRecordRecordSettingViewModel::CheckDefaultCameraExists() {
  KLOG(6) << "default_camera_device: " << camera_.id;
  if (recording_) {
    KLOG(6) << "The camera is not automatically updated during recording";
    return;
  }
  const Variant cameras = Devices(host::app::kDeviceGetCameras);
  const bool exists = FindDevice(cameras, camera_.id).has_value();
  if (!camera_.id.empty() && !exists) KLOG(4) << "Camera device has been removed.";
  if (cameras.Size() == 0) {
    KLOG(4) << "Camera check: access fail";
    camera_exists_ = false;
    PublishMode();
    return;
  }
  KLOG(6) << "Camera check: access success";
  camera_exists_ = true;
  if (exists) return;
  KLOG(6) << "camera not exists, currently no default camera exists, select one as default.";
  const Variant& first = cameras[0];
  KLOG(6) << "set new default camera device name: " << first.GetString("device_name");
  KLOG(6) << "set default camera device:" << first.GetString("device_id");
  SetCamera(first.GetString("device_id"), first.GetString("device_name"));
  OnDefaultCameraPicked(camera_.id);
  UpdateDeviceListUiData();
}

void QuickRecordRecordSettingViewModel::CheckDefaultMicExists() {
  KLOG(6) << "default_mic_device: " << mic_.id;
  if (recording_) return;
  const Variant mics = Devices(host::app::kDeviceGetMicrophones);
  if (mics.Size() == 0) {
    if (mic_exists_ || !need_enable_mic_after_has_default_mic_) {
      // Remembered so that a returning microphone gets the switch it had.
      enable_mic_old_state_for_no_default_mic_ = mic_.enabled;
      need_enable_mic_after_has_default_mic_ = true;
    }
    mic_exists_ = false;
    KLOG(4) << "mic not exists, return enable opt, disable mic select list";
    UpdateDeviceListUiData();
    return;
  }
  mic_exists_ = true;
  if (!FindDevice(mics, mic_.id)) {
    const Variant& first = mics[0];
    user_selected_mic_ = false;
    SetMic(first.GetString("device_id"), first.GetString("device_name"));
  }
  if (need_enable_mic_after_has_default_mic_) {
    need_enable_mic_after_has_default_mic_ = false;
    EnableMic(enable_mic_old_state_for_no_default_mic_);
  }
  UpdateDeviceListUiData();
}

void QuickRecordRecordSettingViewModel::SetCamera(const std::string& id, const std::string& name) {
  camera_.id = id;
  camera_.name = name;
  Variant args = Variant::MakeMap();
  args.Set("device_id", id);
  if (models_.session) models_.session->Call(QuickRecordModel::kInvokeChangeCameraDevice, args, nullptr);
  PublishSwitch(properties_.camera_switch, camera_);
  if (extras_.updates_preview_device && framework::GetNavigatorService().IsOpen(kCameraPreviewRoute)) {
    KLOG(6) << "Update device id for camera preview model, new_device_id: " << id;
    framework::GetNavigatorService().Update(kCameraPreviewRoute, args);
  }
}

void QuickRecordRecordSettingViewModel::SetMic(const std::string& id, const std::string& name) {
  KLOG(6) << "new mic: " << id << " last mic: " << mic_.id;
  mic_.id = id;
  mic_.name = name;
  Variant args = Variant::MakeMap();
  args.Set("device_id", id);
  if (models_.session) models_.session->Call(QuickRecordModel::kInvokeChangeMicDevice, args, nullptr);
  PublishSwitch(properties_.mic_switch, mic_);
}

void QuickRecordRecordSettingViewModel::EnableMic(bool enable) {
  Variant args = Variant::MakeMap();
  args.Set("enable", enable);
  if (models_.session) models_.session->Call(QuickRecordModel::kInvokeEnableMicDevice, args, nullptr);
}

// ---- events ----

void QuickRecordRecordSettingViewModel::OnEventMicDefaultDeviceChanged(const Variant& payload) {
  const std::string id = payload.GetString("device_id");
  if (user_selected_mic_ || recording_) {
    KLOG(6) << "camera device not change, current_select_mic:" << mic_.id << ", default changing mic: " << id;
    return;
  }
  if (const auto mic = FindDevice(Devices(host::app::kDeviceGetMicrophones), id)) {
    SetMic(id, mic->GetString("device_name"));
    UpdateDeviceListUiData();
  }
}

void QuickRecordRecordSettingViewModel::OnEventCameraAdd(const Variant&) {
  if (!camera_exists_) KLOG(6) << "camera not exists, prev state: " << camera_.enabled;
  CheckDefaultCameraExists();
  UpdateDeviceListUiData();
}

void QuickRecordRecordSettingViewModel::OnEventMicAdd(const Variant&) {
  if (!mic_exists_) KLOG(6) << "mic not exists";
  CheckDefaultMicExists();
}

void QuickRecordRecordSettingViewModel::OnDeviceListChanged(const Variant&) {
  CheckDefaultCameraExists();
  CheckDefaultMicExists();
  UpdateDeviceListUiData();
  InitUIData();
}

void QuickRecordRecordSettingViewModel::OnEventChangeMicState(const Variant& payload) {
  mic_.enabled = payload.GetBool("enable", mic_.enabled);
  PublishSwitch(properties_.mic_switch, mic_);
  OpenMicPreview();
}

void QuickRecordRecordSettingViewModel::OnEventChangeCameraState(const Variant& payload) {
  camera_.enabled = payload.GetBool("enable", camera_.enabled);
  PublishSwitch(properties_.camera_switch, camera_);
  OpenCameraPreview(camera_.enabled && NeedsCamera(selected_mode_));
}

void QuickRecordRecordSettingViewModel::OnEventRecordModeChanged(const Variant& payload) {
  const int32_t mode = payload.GetInt32("select_mode", selected_mode_);
  selected_mode_ = mode;
  PublishMode();
  OpenCameraPreview(NeedsCamera(mode) && camera_.enabled);
}

void QuickRecordRecordSettingViewModel::OnRecordingChanged(const Variant& payload) {
  recording_ = payload.AsBool();
  UpdateDeviceListUiData();
  PublishSelection();
}

void QuickRecordRecordSettingViewModel::OnEventUpdateWindowInfo(const Variant& payload) {
  if (!payload.IsMap() || (!payload.Has("type") && !payload.Has("monitor_id") && !payload.Has("window_id"))) {
    KLOG(3) << "Invalid input param.";
    return;
  }
  KLOG(6) << "select screen:" << payload.GetString("name", payload.GetString("window_name"));
  PublishSelection();
}

void QuickRecordRecordSettingViewModel::OnEventClosePreview(const Variant& payload) {
  KLOG(6) << "close camera preview" << (payload.GetBool("only_close_camera") ? " only_close_camera" : "");
  framework::GetNavigatorService().Close(kCameraPreviewRoute);
}

void QuickRecordRecordSettingViewModel::OnEventIsMicDeviceUsed(const Variant& payload) const {
  Variant* answer = payload.IsMap() ? payload.Get("result").AsPointer<Variant>() : nullptr;
  if (!answer) {
    KLOG(3) << "params is nullptr";
    return;
  }
  *answer = Variant::MakeMap();
  answer->Set("in_use", true);
  answer->Set("info", "quick record setting view is attach");
}

// ---- previews ----

void QuickRecordRecordSettingViewModel::OpenCameraPreview(bool show) {
  auto& navigator = framework::GetNavigatorService();
  if (!show) {
    navigator.Close(kCameraPreviewRoute);
    return;
  }
  if (camera_.id.empty()) {
    KLOG(3) << "empty camera_device_name ";
    return;
  }
  // NotifyShowCameraPreview
  Variant params = Variant::MakeMap();
  params.Set("show", true);
  params.Set("mode", selected_mode_);
  params.Set("is_recording", recording_);
  params.Set("camera_device_name", camera_.name);
  params.Set("camera_device_enable", camera_.enabled);
  params.Set("device_id", camera_.id);
  if (extras_.independent_preview) {
    // The camera-only mode shows the camera in a window of its own, not over the panel.
    params.Set("need_pop_independent_preview", selected_mode_ == kModeHead);
    params.Set("from_start_record", false);
  }
  navigator.Open(kCameraPreviewRoute, params);
}

void QuickRecordRecordSettingViewModel::OpenMicPreview() {
  if (!mic_.enabled) {
    if (volume_timer_) volume_timer_->Stop();
    volume_ = 0;
    Variant level = Variant::MakeMap();
    level.Set("volume", 0);
    Publish(properties_.volume, level);
    return;
  }
  if (!volume_timer_) {
    volume_timer_ = base::threading::CreateTimer(
        [weak = weak_from_this()] {
          if (auto self = std::static_pointer_cast<QuickRecordRecordSettingViewModel>(weak.lock())) self->UpdateMicVolumeLevel();
        },
        FROM_HERE);
  }
  if (!volume_timer_->IsRunning()) volume_timer_->Start(kVolumeIntervalMs, /*repeating=*/true);
}

void QuickRecordRecordSettingViewModel::UpdateMicVolumeLevel() {
  Variant answer;
  if (models_.recorder) models_.recorder->Call(QuickRecordRecorderModel::kInvokeFuncGetLocalAudioVolume, Variant(), &answer);
  const int32_t volume = answer.GetInt32("volume");
  if (volume == volume_) return;
  volume_ = volume;
  Variant level = Variant::MakeMap();
  level.Set("volume", volume);
  Publish(properties_.volume, level);
}

}  // namespace quick_record
