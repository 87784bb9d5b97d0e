#include "host/app/engine_event_model.h"

#include "host/base/threading/looper.h"

namespace host::app {

void EngineEventModel::FireOnMainLooper(int32_t event_id, base::variant::Variant payload) {
  auto fire = [weak = weak_from_this(), event_id, payload = std::move(payload)] {
    if (auto self = std::static_pointer_cast<EngineEventModel>(weak.lock())) self->FireEvent(event_id, payload);
  };
  if (auto* main = base::threading::LooperThread::MainLooper()) {
    main->PostTask(std::move(fire), FROM_HERE);
  } else {
    fire();
  }
}

}  // namespace host::app
