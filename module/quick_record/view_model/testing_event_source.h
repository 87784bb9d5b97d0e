#pragma once

#include <utility>
#include <vector>

#include "host/framework/model/model_impl.h"

namespace quick_record {

// For tests: a model whose events the test raises and that keeps every call made to it (in
// order); calls are answered as an empty model answers them.
class TestingEventSource : public framework::ModelImpl {
 public:
  void Fire(int32_t event_id, const framework::Variant& payload = framework::Variant::MakeMap()) {
    FireEvent(event_id, payload);
  }
  bool Call(int32_t method_id, const framework::Variant& args, framework::Variant* result) override {
    calls_.emplace_back(method_id, args);
    return ModelImpl::Call(method_id, args, result);
  }
  const std::vector<std::pair<int32_t, framework::Variant>>& calls() const { return calls_; }

 private:
  std::vector<std::pair<int32_t, framework::Variant>> calls_;
};

}  // namespace quick_record
