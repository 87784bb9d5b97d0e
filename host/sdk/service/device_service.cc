#include "host/sdk/service/device_service.h"

#include "host/base/threading/looper.h"
#include "host/media/media_engine.h"

namespace kovanisdk::utils::service {

void DeviceService::GetVirtualAudioDeviceId(std::weak_ptr<IGetVirtualAudioDeviceIdDelegate> delegate) {
  const bool available = kvp::av::GetMediaEngine()->GetDevices()->LoopbackAvailable();
  auto answer = [delegate = std::move(delegate), id = std::string(available ? kvp::av::kLoopbackDeviceId : "")] {
    if (auto alive = delegate.lock()) alive->OnGetVirtualAudioDeviceId(id);
  };
  using base::threading::LooperThread;
  base::threading::Looper* looper = LooperThread::CurrentLooper();
  if (!looper) looper = LooperThread::MainLooper();
  if (looper) {
    looper->PostTask(std::move(answer), FROM_HERE);
  } else {
    answer();
  }
}

std::shared_ptr<DeviceService> GetDeviceService() {
  static const auto service = std::make_shared<DeviceService>();
  return service;
}

}  // namespace kovanisdk::utils::service
