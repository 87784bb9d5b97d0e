#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "host/base/variant/variant.h"
#include "module/quick_record/view_model/bottom_bar/bottom_bar_models.h"

namespace quick_record {

// The control bar's microphone, camera and system-sound switches, and the recording mode that
// the camera switch changes (a screen recording gains the head when the camera opens). Each
// switch is shown with whether its device exists, so the view can disable it. Main thread.
class BottomBarMediaSwitches {
 public:
  static constexpr int32_t kPropertyCamera = 935747;           // {"open", "available"}
  static constexpr int32_t kPropertyShareAudio = 181419;       // {"open", "available"}
  static constexpr int32_t kPropertyCameraAvailable = 633809;  // {"available"}
  static constexpr int32_t kPropertyMicrophone = 676688;       // {"open", "available"}

  // The recording's mode (router parameter "mode").
  static constexpr int32_t kModeScreenAndHead = 1;
  static constexpr int32_t kModeOnlyScreen = 2;
  static constexpr int32_t kModeOnlyCamera = 3;

  using Publish = std::function<void(int32_t property_id, base::variant::Variant value)>;

  // `models` belong to the bar and outlive this object.
  BottomBarMediaSwitches(const BottomBarModels* models, Publish publish);

  // {"mode", "camera_device_id", "enable_mic"} of the bar's route.
  void ReadRouterParams(const base::variant::Variant& params);
  void PublishAll();

  void HandleOpenMic();
  void HandleCloseMic();
  void HandleOpenCamera();
  void HandleCloseCamera();
  void HandleOpenShareAudio();
  void HandleCloseShareAudio();

  // The camera model closed the preview ({"only_close_camera"}) or changed the device.
  void OnEventCameraClosed(const base::variant::Variant& payload);
  void OnEventCameraDeviceChanged(const base::variant::Variant& payload);
  // The host's device model: a new default camera, a new or another default microphone.
  void OnEventCameraDefaultDeviceChanged(const base::variant::Variant& payload);
  void OnMicrophonesChanged();

  int32_t mode() const { return mode_; }
  const std::string& camera_device_id() const { return camera_device_id_; }
  bool mic_open() const { return mic_open_; }
  bool camera_open() const { return camera_open_; }
  bool share_audio_open() const { return share_audio_open_; }

 private:
  void ChangeModeType();
  void SetMicOpen(bool open);
  void SetShareAudioOpen(bool open);
  void PublishMicrophone();
  void PublishCamera();
  void PublishShareAudio();
  void UpdateDeviceAvailability();
  bool DeviceListHasAny(int32_t method_id) const;

  const BottomBarModels* const models_;
  const Publish publish_;
  int32_t mode_ = kModeOnlyScreen;
  std::string camera_device_id_;
  bool mic_open_ = true;
  bool mic_exists_ = false;
  bool camera_exists_ = false;
  bool share_audio_open_ = false;
  bool camera_open_ = false;
};

}  // namespace quick_record
