#include "module/quick_record/view_model/bottom_bar/bottom_bar_media_switches.h"

#include <utility>

#include "host/app/device_model.h"
#include "host/base/logging/logger.h"
#include "host/framework/navigation/navigator_service.h"
#include "module/quick_record/model/quick_record_model.h"
#include "module/quick_record/model/quick_record_recorder_model.h"
#include "module/quick_record/view_model/variant_map.h"

namespace quick_record {

using base::variant::Variant;

namespace {

constexpr char kCameraPreviewRoute[] = "kovani://page/quick_record/camera_preview";
constexpr int32_t kCameraPreviewWidth = 320;
constexpr int32_t kCameraPreviewHeight = 180;

Variant Switch(bool open, bool available) { return VariantMap({{"open", open}, {"available", available}}); }

}  // namespace

BottomBarMediaSwitches::BottomBarMediaSwitches(const BottomBarModels* models, Publish publish)
    : models_(models), publish_(std::move(publish)) {}

void BottomBarMediaSwitches::ReadRouterParams(const Variant& params) {
  if (!params.IsMap()) {
    KLOG(3) << "router_params error";
  }
  const int32_t mode = params.GetInt32("mode", kModeOnlyScreen);
  if (mode < kModeScreenAndHead || mode > kModeOnlyCamera) {
    KLOG(3) << "mode is error";
  } else {
    mode_ = mode;
  }
  camera_open_ = mode_ != kModeOnlyScreen;
  camera_device_id_ = params.GetString("camera_device_id");
  mic_open_ = params.GetBool("enable_mic", true);
  KLOG(6) << "enable_mic:" << mic_open_ << " is_audio_plugin_installing_ " << false;
  UpdateDeviceAvailability();
  KLOG(6) << "mic maybe exists:" << mic_exists_;
}

void BottomBarMediaSwitches::PublishAll() {
  PublishMicrophone();
  PublishCamera();
  PublishShareAudio();
}

// ---- Microphone and system sound ----------------------------------------------------------------

void BottomBarMediaSwitches::HandleOpenMic() {
  KLOG(6) << "user open mic";
  if (!mic_exists_) {
    KLOG(3) << "mic not exists, return enable opt, disable mic select list";
    PublishMicrophone();
    return;
  }
  SetMicOpen(true);
}

void BottomBarMediaSwitches::HandleCloseMic() {
  KLOG(6) << "user close mic";
  SetMicOpen(false);
}

void BottomBarMediaSwitches::SetMicOpen(bool open) {
  mic_open_ = open;
  if (models_->recorder) {
    models_->recorder->Call(QuickRecordRecorderModel::kInvokeFuncUpdateMicOpenState,
                            VariantMap({{"mic_open", open}, {"from_main_pannel", false}}), nullptr);
  }
  PublishMicrophone();
}

void BottomBarMediaSwitches::HandleOpenShareAudio() { SetShareAudioOpen(true); }

void BottomBarMediaSwitches::HandleCloseShareAudio() { SetShareAudioOpen(false); }

void BottomBarMediaSwitches::SetShareAudioOpen(bool open) {
  share_audio_open_ = open;
  if (models_->recorder) {
    models_->recorder->Call(QuickRecordRecorderModel::kInvokeEnableShareAudio,
                            VariantMap({{"enable_share_audio", open}}), nullptr);
  }
  PublishShareAudio();
}

// ---- Camera -------------------------------------------------------------------------------------

void BottomBarMediaSwitches::HandleOpenCamera() {
  KLOG(6) << "user open camera";
  // The host's device model is what grants the camera to the recording.
  if (!models_->devices) {
    KLOG(3) << "camera access fail";
    return;
  }
  UpdateDeviceAvailability();
  if (!camera_exists_) {
    KLOG(3) << "camera not exists, return enable opt, disable camera select list";
    PublishCamera();
    return;
  }
  if (mode_ == kModeOnlyScreen) {
    KLOG(6) << "kModeTypeOnlyScreen open camera, change to kModeTypeScreenAndHead";
    mode_ = kModeScreenAndHead;
    ChangeModeType();
  }
  camera_open_ = true;
  const Variant preview = VariantMap({{"width", kCameraPreviewWidth},
                                      {"height", kCameraPreviewHeight},
                                      {"select_mode", mode_},
                                      {"need_open", true},
                                      {"device_id", camera_device_id_}});
  if (!framework::GetNavigatorService().Open(kCameraPreviewRoute, preview)) KLOG(3) << "cannot open the camera preview";
  PublishCamera();
}

void BottomBarMediaSwitches::HandleCloseCamera() {
  KLOG(6) << "user close camera";
  camera_open_ = false;
  if (mode_ == kModeScreenAndHead) mode_ = kModeOnlyScreen;
  ChangeModeType();
  framework::GetNavigatorService().Close(kCameraPreviewRoute);
  PublishCamera();
}

void BottomBarMediaSwitches::ChangeModeType() {
  if (!models_->session) return;
  models_->session->Call(QuickRecordModel::kInvokeChangeModeType, VariantMap({{"select_mode", mode_}}), nullptr);
}

// ---- Device events ------------------------------------------------------------------------------

void BottomBarMediaSwitches::OnEventCameraClosed(const Variant& payload) {
  if (!payload.GetBool("only_close_camera", true)) return;
  camera_open_ = false;
  PublishCamera();
}

void BottomBarMediaSwitches::OnEventCameraDeviceChanged(const Variant& payload) {
  camera_device_id_ = payload.GetString("device_id", camera_device_id_);
  UpdateDeviceAvailability();
  PublishCamera();
}

void BottomBarMediaSwitches::OnEventCameraDefaultDeviceChanged(const Variant& payload) {
  if (camera_device_id_.empty()) camera_device_id_ = payload.GetString("device_id");
  UpdateDeviceAvailability();
  PublishCamera();
}

void BottomBarMediaSwitches::OnMicrophonesChanged() {
  UpdateDeviceAvailability();
  PublishMicrophone();
}

void BottomBarMediaSwitches::UpdateDeviceAvailability() {
  mic_exists_ = DeviceListHasAny(host::app::kDeviceGetMicrophones);
  camera_exists_ = DeviceListHasAny(host::app::kDeviceGetCameras);
}

bool BottomBarMediaSwitches::DeviceListHasAny(int32_t method_id) const {
  Variant devices;
  if (!models_->devices || !models_->devices->Call(method_id, Variant(), &devices)) return false;
  return devices.IsArray() && devices.Size() > 0;
}

// ---- Publishing ---------------------------------------------------------------------------------

void BottomBarMediaSwitches::PublishMicrophone() { publish_(kPropertyMicrophone, Switch(mic_open_, mic_exists_)); }

void BottomBarMediaSwitches::PublishCamera() {
  publish_(kPropertyCamera, Switch(camera_open_, camera_exists_));
  publish_(kPropertyCameraAvailable, VariantMap({{"available", camera_exists_}}));
}

void BottomBarMediaSwitches::PublishShareAudio() {
  publish_(kPropertyShareAudio, Switch(share_audio_open_, /*available=*/true));
}

}  // namespace quick_record
