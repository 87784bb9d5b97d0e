#pragma once

#include <cstdint>

#include "host/base/variant/variant.h"
#include "host/framework/model/model_impl.h"

namespace host::app {

// A host model that republishes media-engine events. Those arrive on engine threads; the model
// fires them on the main looper (at once when the process has none), and drops them when the
// model is gone by then.
class EngineEventModel : public framework::ModelImpl {
 protected:
  using framework::ModelImpl::ModelImpl;
  void FireOnMainLooper(int32_t event_id, base::variant::Variant payload);
};

}  // namespace host::app
