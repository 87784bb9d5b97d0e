#pragma once

#include "host/framework/model/model_impl.h"

namespace quick_record {

// For tests: a model whose events the test raises.
class TestingEventSource : public framework::ModelImpl {
 public:
  void Fire(int32_t event_id, const framework::Variant& payload = framework::Variant::MakeMap()) {
    FireEvent(event_id, payload);
  }
};

}  // namespace quick_record
