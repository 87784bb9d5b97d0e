#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "host/base/threading/timer.h"
#include "host/framework/view_model/stateful_view_model.h"
#include "host/sdk/kovani/module_extension.h"
#include "module/quick_record/model/model_subscriptions.h"

namespace quick_record {

// The settings panel of the new-recording page: what to record (screen and camera, screen only,
// camera only), which camera and microphone and whether they are on, the live microphone level
// and the screen to record. It holds no recording state: every choice goes to the session model
// (QuickRecordModel); device lists come from the host's device model (509). While a recording
// runs, choices that would disturb it are refused.
//
// What a view reads (properties, each a map; the ids are fixed, see below):
//   panel texts and first values (kPanelTexts keys, "setting_widget_enable", "camera_exists",
//   "select_mode"); the mode {"select_mode", "camera_exists"}; camera and microphone lists
//   {"devices": [{"device_id", "device_name", "is_default"}..., the "disabled" item], "user_select",
//   "enable"}; camera and microphone switches {"device_name", "device_enable"}; the level
//   {"volume"} 0-100; the capability flag {"support_full_hd"}; the selected screen or window
//   {"type", "monitor_id", "window_id", "name"}; the screens; the windows; {"enable"} of the
//   screen choice.
// What a view sends (actions, map payloads): kActionSelectMode {"select_mode"},
//   kActionSelectCameraDevice / kActionSelectMicDevice {"device_id", "device_name"} (device_id
//   kDisabledDeviceId picks "off"), kActionEnableCameraDevice / kActionEnableMicDevice {"enable"},
//   kActionSetDefaultScreen {"view_params": {"default_monitor_uuid"}}, kActionReloadConfig.
//
// Main thread. Subscriptions and the level timer live while a view is attached.
class QuickRecordRecordSettingViewModel : public kovani::ExtensionViewModelT<framework::StatefulViewModel> {
 public:
  // Actions.
  static constexpr int kActionSelectMode = 0x31bd2;
  static constexpr int kActionSelectCameraDevice = 0x23d74;
  static constexpr int kActionSelectMicDevice = 0x1f3e0;
  static constexpr int kActionEnableCameraDevice = 0x560e0;
  static constexpr int kActionEnableMicDevice = 0xde64e;
  static constexpr int kActionSetDefaultScreen = 0xdfc87;
  static constexpr int kActionReloadConfig = 0xaffeb;
  static constexpr int kActionIgnored[] = {0xdfcdd, 0x8df9a, 0xae7e1};

  // Property ids of one panel; the older panel has its own.
  struct PropertyIds {
    int32_t panel;
    int32_t mode;
    int32_t camera_list;
    int32_t mic_list;
    int32_t camera_switch;
    int32_t mic_switch;
    int32_t volume;
    int32_t capability;
    int32_t selection;  // the selected screen or window
    int32_t screens;
    int32_t windows;
    int32_t selection_enable;
  };
  static constexpr PropertyIds kProperties = {332787, 1071813, 911824, 710397, 850002, 203495,
                                              1054020, 1073513, 805180, 774094, 347131, 228133};

  static constexpr int32_t kModeScreenAndHead = 1;
  static constexpr int32_t kModeScreen = 2;
  static constexpr int32_t kModeHead = 3;
  static constexpr char kDisabledDeviceId[] = "disabled";
  static constexpr int64_t kVolumeIntervalMs = 200;
  static constexpr char kCameraPreviewRoute[] = "kovani://page/quick_record/camera_preview";

  // What the newer panel does beyond the older one.
  struct Extras {
    bool answers_mic_in_use = true;      // tells the host the microphone is held while shown
    bool updates_preview_device = true;  // a newly chosen camera reaches an open preview
    bool independent_preview = true;     // the camera-only mode pops the preview out
  };
  // The host application model and its question "is the microphone in use"; the payload's
  // "result" points at a Variant that receives the answer.
  static constexpr int32_t kHostApplicationModelId = 502;
  static constexpr int32_t kIsMicDeviceUsedEvent = 128;

  // The models it drives; each null one is the module's own.
  struct Models {
    std::shared_ptr<framework::ModelImpl> session;
    std::shared_ptr<framework::ModelImpl> recorder;
    std::shared_ptr<framework::ModelImpl> screen_selector;
    std::shared_ptr<framework::ModelImpl> application;  // the host application model (502)
  };

  explicit QuickRecordRecordSettingViewModel(Models models = {});
  ~QuickRecordRecordSettingViewModel() override;

  void OnViewAttached() override;
  void OnViewDetached() override;
  void Handle(int action, const base::variant::Variant* payload) override;

  // Device and session events.
  void OnEventMicDefaultDeviceChanged(const base::variant::Variant& payload);
  void OnEventCameraAdd(const base::variant::Variant& payload);
  void OnEventMicAdd(const base::variant::Variant& payload);
  void OnDeviceListChanged(const base::variant::Variant& payload);
  void OnEventChangeMicState(const base::variant::Variant& payload);
  void OnEventChangeCameraState(const base::variant::Variant& payload);
  void OnEventRecordModeChanged(const base::variant::Variant& payload);
  void OnEventUpdateWindowInfo(const base::variant::Variant& payload);
  void OnRecordingChanged(const base::variant::Variant& payload);
  void OnEventClosePreview(const base::variant::Variant& payload);
  // The host asks who holds the microphone: this panel does while it is shown.
  void OnEventIsMicDeviceUsed(const base::variant::Variant& payload) const;

  int32_t selected_mode() const { return selected_mode_; }
  const std::string& camera_device_id() const { return camera_.id; }
  const std::string& mic_device_id() const { return mic_.id; }
  bool mic_enabled() const { return mic_.enabled; }

 protected:
  // For a panel with other property ids (the older page).
  QuickRecordRecordSettingViewModel(int32_t view_model_id, const PropertyIds& properties, const Extras& extras,
                                    Models models);
  // The camera the panel picked by itself as the default.
  virtual void OnDefaultCameraPicked(const std::string& device_id) { (void)device_id; }
  // Whether the panel's controls take input.
  virtual bool SettingsEnabled() const { return !IsRecording(); }
  // Publishes whether the screen or window choice takes input.
  virtual void UpdateScreenSelectState();
  // Adds what this panel shows of the selected screen or window to the session's selection.
  virtual void DescribeSelection(base::variant::Variant& selection) const { (void)selection; }

  const PropertyIds& properties() const { return properties_; }
  const std::shared_ptr<framework::ModelImpl>& session() const { return models_.session; }
  bool recording() const { return recording_; }
  // The windows offered for recording.
  static base::variant::Variant Windows();
  void InitUIData();
  void PublishSelection();
  void OpenCameraPreview(bool show);

 private:
  struct Device {
    std::string name;
    std::string id;
    bool enabled = true;
  };

  void ResolveModels();
  void Subscribe();
  void LoadSessionChoices();
  bool IsRecording() const;
  base::variant::Variant Devices(int32_t method_id) const;

  void HandleSelectMode(const base::variant::Variant& payload);
  void UpdateRecordMode(int32_t mode);
  void HandleSelectCameraDevice(const base::variant::Variant& payload);
  void HandleSelectMicDevice(const base::variant::Variant& payload);
  void HandleEnableCameraDevice(const base::variant::Variant& payload);
  void HandleEnableMicDevice(const base::variant::Variant& payload);
  void HandleSetDefaultScreen(const base::variant::Variant& payload);

  void PublishCapability();
  void UpdateDeviceListUiData();
  void PublishDeviceList(int32_t property_id, const base::variant::Variant& devices, const Device& current, bool enable);
  void PublishSwitch(int32_t property_id, const Device& device);
  void PublishMode();
  void CheckDefaultCameraExists();
  void CheckDefaultMicExists();
  void SetCamera(const std::string& id, const std::string& name);
  void SetMic(const std::string& id, const std::string& name);
  void EnableMic(bool enable);

  void OpenMicPreview();
  void UpdateMicVolumeLevel();

  const PropertyIds properties_;
  const Extras extras_;
  Models models_;
  ModelSubscriptions subscriptions_;
  std::shared_ptr<base::threading::Timer> volume_timer_;

  int32_t selected_mode_ = kModeScreen;
  Device camera_;
  Device mic_;
  // The microphone's switch when the last microphone went away, given back when one returns.
  bool enable_mic_old_state_for_no_default_mic_ = true;
  bool need_enable_mic_after_has_default_mic_ = false;
  bool camera_exists_ = false;
  bool mic_exists_ = false;
  // Whether the user picked the microphone: the system default then no longer moves it.
  bool user_selected_mic_ = false;
  bool recording_ = false;
  int32_t volume_ = -1;
};

}  // namespace quick_record
