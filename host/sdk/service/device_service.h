#pragma once

#include <atomic>
#include <memory>
#include <string>

namespace kovanisdk {

// The answer to a virtual audio device query.
class IGetVirtualAudioDeviceIdDelegate {
 public:
  virtual ~IGetVirtualAudioDeviceIdDelegate() = default;
  // `device_id` is the system-sound capture device, empty when this machine cannot capture it.
  virtual void OnGetVirtualAudioDeviceId(const std::string& device_id) = 0;
};

}  // namespace kovanisdk

namespace kovanisdk::utils::service {

// The host's device service over the media engine (kvp::av::GetMediaEngine()).
class DeviceService {
 public:
  // The recording's switch: the recorder turns it on from its start parameters and off at stop.
  // While it is on, the microphone and camera count as in use by a recording (host device model
  // 509 reports it to other users such as a meeting).
  void SetRecordingSwitch(bool on) { recording_switch_ = on; }
  bool recording_switch() const { return recording_switch_; }

  // Asks for the virtual audio device: the system-sound capture device, when the machine has an
  // audio server to capture it from. The answer comes through the delegate on the looper of the
  // calling thread (the main looper if it has none; at once if there is no looper at all), and is
  // dropped when the delegate is gone by then.
  void GetVirtualAudioDeviceId(std::weak_ptr<IGetVirtualAudioDeviceIdDelegate> delegate);

 private:
  std::atomic<bool> recording_switch_{false};
};

// The host's device service (never null).
std::shared_ptr<DeviceService> GetDeviceService();

}  // namespace kovanisdk::utils::service
