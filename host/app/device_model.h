#pragma once

#include <cstdint>

#include "host/base/variant/variant.h"
#include "host/app/engine_event_model.h"
#include "host/media/media_listeners.h"

namespace host::app {

// Host model 509: the machine's screens, cameras and microphones as the media engine sees them,
// and their changes as events.
constexpr int32_t kDeviceModelId = 509;
// Methods (no argument; the answer in the result):
constexpr int32_t kDeviceGetScreens = 27;  // [{"monitor_uuid", "name", "x", "y", "width", "height", "primary", "synthetic"}]
constexpr int32_t kDeviceGetCameras = 28;  // [{"device_id", "device_name", "is_default", "synthetic"}]
constexpr int32_t kDeviceGetMicrophones = 29;  // same form
constexpr int32_t kDeviceGetDefaultCamera = 30;  // one device map, or null
constexpr int32_t kDeviceGetDefaultMicrophone = 31;  // one device map, or null
constexpr int32_t kDeviceGetInUseByRecording = 32;  // {"in_use"}: the device service's recording switch
// Events:
constexpr int32_t kDeviceMicrophoneAddedEvent = 1;  // {"device_id", "device_name"}
constexpr int32_t kDeviceDefaultCameraChangedEvent = 5;  // {"device_id", "device_name", "previous_id", "from": "system"}
constexpr int32_t kDeviceScreensChangedEvent = 17;  // the screens, as method 27 answers them
constexpr int32_t kDeviceDefaultMicrophoneChangedEvent = 20;  // same form as event 5
// {"type": "camera" | "microphone", "change": "added" | "removed", "device_id", "device_name"}
constexpr int32_t kDeviceListChangedEvent = 34;

class DeviceModel : public EngineEventModel,
                    public kvp::av::IVideoDeviceEventListener,
                    public kvp::av::IAudioDeviceEventListener {
 public:
  DeviceModel();
  ~DeviceModel() override;

  void Init() override;
  void UnInit() override;

  static base::variant::Variant ScreensVariant();

 private:
  void OnVideoDeviceEvent(const kvp::av::VideoDeviceEvent& event) override;
  void OnAudioDeviceEvent(const kvp::av::AudioDeviceEvent& event) override;
  void Unregister();

  bool registered_ = false;
};

}  // namespace host::app
