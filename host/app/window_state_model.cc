#include "host/app/window_state_model.h"

#include "host/base/logging/logger.h"
#include "host/media/media_engine.h"

namespace host::app {

using base::variant::Variant;

WindowStateModel::WindowStateModel() : EngineEventModel(kWindowStateModelId) {
  last_ = Variant::MakeMap();
  last_.Set("state", 0);
  last_.Set("window_id", uint64_t{0});
  BindMethod(kWindowStateGet, [this](const Variant&, Variant* result) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (result) *result = last_;
    return true;
  });
}

WindowStateModel::~WindowStateModel() { Unregister(); }

void WindowStateModel::Init() {
  EngineEventModel::Init();
  kvp::av::GetMediaEngine()->AddVideoDeviceListener(this);
  registered_ = true;
}

void WindowStateModel::UnInit() {
  Unregister();
  EngineEventModel::UnInit();
}

void WindowStateModel::Unregister() {
  if (!registered_) return;
  registered_ = false;
  kvp::av::GetMediaEngine()->RemoveVideoDeviceListener(this);
}

void WindowStateModel::OnVideoDeviceEvent(const kvp::av::VideoDeviceEvent& event) {
  if (event.type != kvp::av::VideoDeviceEvent::Type::kWindowStateChanged) return;
  Variant payload = Variant::MakeMap();
  payload.Set("state", static_cast<int32_t>(event.window_state));
  payload.Set("window_id", event.window_id);
  payload.Set("x", event.geometry.x);
  payload.Set("y", event.geometry.y);
  payload.Set("width", event.geometry.width);
  payload.Set("height", event.geometry.height);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    last_ = payload;
  }
  KLOG(6) << "recorded window " << event.window_id << " state " << static_cast<int32_t>(event.window_state);
  FireOnMainLooper(kWindowStateChangedEvent, std::move(payload));
}

}  // namespace host::app
