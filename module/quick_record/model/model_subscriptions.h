#pragma once

#include <memory>
#include <vector>

#include "host/framework/model/model_impl.h"

namespace quick_record {

// The events one model follows on others, under one subscriber id, dropped together. Callers
// capture only weak references in the callbacks they add.
class ModelSubscriptions {
 public:
  ModelSubscriptions() : subscriber_id_(framework::NewSubscriberId()) {}
  ~ModelSubscriptions() { Clear(); }
  ModelSubscriptions(const ModelSubscriptions&) = delete;
  ModelSubscriptions& operator=(const ModelSubscriptions&) = delete;

  // Nothing happens for a null model.
  void Add(const std::shared_ptr<framework::ModelImpl>& model, int32_t event_id, framework::EventCallback callback) {
    if (!model) return;
    model->Subscribe(event_id, subscriber_id_, std::move(callback));
    models_.push_back(model);
  }
  // Calls `handler` on `self` for each event while `self` lives (a model or a view model: its
  // weak_from_this()).
  template <typename Self>
  void Follow(const std::shared_ptr<framework::ModelImpl>& model, int32_t event_id, Self* self,
              void (Self::*handler)(const framework::Variant&)) {
    auto weak = self->weak_from_this();
    Add(model, event_id, [weak, handler](int32_t, const framework::Variant& payload) {
      if (auto locked = std::static_pointer_cast<Self>(weak.lock())) (locked.get()->*handler)(payload);
    });
  }
  void Clear() {
    for (auto& weak : models_) {
      if (auto model = weak.lock()) model->Unsubscribe(subscriber_id_);
    }
    models_.clear();
  }

 private:
  const framework::SubscriberId subscriber_id_;
  std::vector<std::weak_ptr<framework::ModelImpl>> models_;
};

}  // namespace quick_record
