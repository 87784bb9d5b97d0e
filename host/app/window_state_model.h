#pragma once

#include <cstdint>
#include <mutex>

#include "host/app/engine_event_model.h"
#include "host/media/media_listeners.h"

namespace host::app {

// Host model 1000021: the state of the window being recorded, as the media engine follows it.
constexpr int32_t kWindowStateModelId = 1000021;
// Method: the last state reported -> {"state", "window_id"} (state 0 before any report).
constexpr int32_t kWindowStateGet = 1;
// Event: {"state", "window_id", "x", "y", "width", "height"} with state 1 minimized (unmapped),
// 2 restored, 3 moved or resized, 4 destroyed (kvp::av::WindowState).
constexpr int32_t kWindowStateChangedEvent = 100;

class WindowStateModel : public EngineEventModel, public kvp::av::IVideoDeviceEventListener {
 public:
  WindowStateModel();
  ~WindowStateModel() override;

  void Init() override;
  void UnInit() override;

 private:
  void OnVideoDeviceEvent(const kvp::av::VideoDeviceEvent& event) override;
  void Unregister();

  bool registered_ = false;
  std::mutex mutex_;
  base::variant::Variant last_;
};

}  // namespace host::app
