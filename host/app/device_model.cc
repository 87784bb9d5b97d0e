#include "host/app/device_model.h"

#include "host/media/media_engine.h"
#include "host/sdk/service/device_service.h"

namespace host::app {

namespace {

using base::variant::Variant;
using kvp::av::AudioDeviceEvent;
using kvp::av::DeviceInfo;
using kvp::av::VideoDeviceEvent;

Variant DeviceVariant(const DeviceInfo& device) {
  Variant map = Variant::MakeMap();
  map.Set("device_id", device.id);
  map.Set("device_name", device.name);
  map.Set("is_default", device.is_default);
  map.Set("synthetic", device.synthetic);
  return map;
}

Variant DevicesVariant(const std::vector<DeviceInfo>& devices) {
  Variant list = Variant::MakeArray();
  for (const auto& device : devices) list.Add(DeviceVariant(device));
  return list;
}

Variant DefaultOf(const std::vector<DeviceInfo>& devices) {
  for (const auto& device : devices) {
    if (device.is_default) return DeviceVariant(device);
  }
  return Variant();
}

Variant ListChange(const char* type, const char* change, const DeviceInfo& device) {
  Variant map = Variant::MakeMap();
  map.Set("type", type);
  map.Set("change", change);
  map.Set("device_id", device.id);
  map.Set("device_name", device.name);
  return map;
}

Variant DefaultChange(const DeviceInfo& device, const std::string& previous_id) {
  Variant map = Variant::MakeMap();
  map.Set("device_id", device.id);
  map.Set("device_name", device.name);
  map.Set("previous_id", previous_id);
  map.Set("from", "system");
  return map;
}

kvp::av::IDeviceEnumerator* Devices() { return kvp::av::GetMediaEngine()->GetDevices(); }

}  // namespace

DeviceModel::DeviceModel() : EngineEventModel(kDeviceModelId) {
  BindMethod(kDeviceGetScreens, [](const Variant&, Variant* result) {
    if (result) *result = ScreensVariant();
    return true;
  });
  BindMethod(kDeviceGetCameras, [](const Variant&, Variant* result) {
    if (result) *result = DevicesVariant(Devices()->Cameras());
    return true;
  });
  BindMethod(kDeviceGetMicrophones, [](const Variant&, Variant* result) {
    if (result) *result = DevicesVariant(Devices()->Microphones());
    return true;
  });
  BindMethod(kDeviceGetDefaultCamera, [](const Variant&, Variant* result) {
    if (result) *result = DefaultOf(Devices()->Cameras());
    return true;
  });
  BindMethod(kDeviceGetDefaultMicrophone, [](const Variant&, Variant* result) {
    if (result) *result = DefaultOf(Devices()->Microphones());
    return true;
  });
  BindMethod(kDeviceGetInUseByRecording, [](const Variant&, Variant* result) {
    if (result) {
      *result = Variant::MakeMap();
      result->Set("in_use", kovanisdk::utils::service::GetDeviceService()->recording_switch());
    }
    return true;
  });
}

DeviceModel::~DeviceModel() { Unregister(); }

Variant DeviceModel::ScreensVariant() {
  Variant list = Variant::MakeArray();
  for (const auto& screen : Devices()->Screens()) {
    Variant map = Variant::MakeMap();
    map.Set("monitor_uuid", screen.monitor_uuid);
    map.Set("name", screen.name);
    map.Set("x", screen.geometry.x);
    map.Set("y", screen.geometry.y);
    map.Set("width", screen.geometry.width);
    map.Set("height", screen.geometry.height);
    map.Set("primary", screen.primary);
    map.Set("synthetic", screen.synthetic);
    list.Add(std::move(map));
  }
  return list;
}

void DeviceModel::Init() {
  EngineEventModel::Init();
  auto* engine = kvp::av::GetMediaEngine();
  engine->AddVideoDeviceListener(this);
  engine->AddAudioDeviceListener(this);
  registered_ = true;
}

void DeviceModel::UnInit() {
  Unregister();
  EngineEventModel::UnInit();
}

void DeviceModel::Unregister() {
  if (!registered_) return;
  registered_ = false;
  auto* engine = kvp::av::GetMediaEngine();
  engine->RemoveVideoDeviceListener(this);
  engine->RemoveAudioDeviceListener(this);
}

void DeviceModel::OnVideoDeviceEvent(const VideoDeviceEvent& event) {
  switch (event.type) {
    case VideoDeviceEvent::Type::kScreensChanged:
      FireOnMainLooper(kDeviceScreensChangedEvent, ScreensVariant());
      break;
    case VideoDeviceEvent::Type::kCameraAdded:
      FireOnMainLooper(kDeviceListChangedEvent, ListChange("camera", "added", event.device));
      break;
    case VideoDeviceEvent::Type::kCameraRemoved:
      FireOnMainLooper(kDeviceListChangedEvent, ListChange("camera", "removed", event.device));
      break;
    case VideoDeviceEvent::Type::kDefaultCameraChanged:
      FireOnMainLooper(kDeviceDefaultCameraChangedEvent, DefaultChange(event.device, event.previous_id));
      break;
    default:
      break;
  }
}

void DeviceModel::OnAudioDeviceEvent(const AudioDeviceEvent& event) {
  switch (event.type) {
    case AudioDeviceEvent::Type::kMicrophoneAdded: {
      Variant added = Variant::MakeMap();
      added.Set("device_id", event.device.id);
      added.Set("device_name", event.device.name);
      FireOnMainLooper(kDeviceMicrophoneAddedEvent, added);
      FireOnMainLooper(kDeviceListChangedEvent, ListChange("microphone", "added", event.device));
      break;
    }
    case AudioDeviceEvent::Type::kMicrophoneRemoved:
      FireOnMainLooper(kDeviceListChangedEvent, ListChange("microphone", "removed", event.device));
      break;
    case AudioDeviceEvent::Type::kDefaultMicrophoneChanged:
      FireOnMainLooper(kDeviceDefaultMicrophoneChangedEvent, DefaultChange(event.device, event.previous_id));
      break;
  }
}

}  // namespace host::app
