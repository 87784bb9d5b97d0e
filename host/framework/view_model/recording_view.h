#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "host/framework/view_model/stateful_view_model.h"

namespace framework {

// A view that remembers everything a view model published, in order. Used by tests and by the
// command-line host, which has no pixels to draw.
class RecordingView : public IView {
 public:
  void OnPropertyChanged(int32_t property_id, const Variant& value) override {
    published_.emplace_back(property_id, value);
  }

  const std::vector<std::pair<int32_t, Variant>>& published() const { return published_; }
  // The values published under one id, oldest first.
  std::vector<Variant> ValuesOf(int32_t property_id) const {
    std::vector<Variant> values;
    for (const auto& [id, value] : published_) {
      if (id == property_id) values.push_back(value);
    }
    return values;
  }
  // The newest value published under `property_id` (null if none).
  Variant Last(int32_t property_id) const {
    for (auto it = published_.rbegin(); it != published_.rend(); ++it) {
      if (it->first == property_id) return it->second;
    }
    return Variant();
  }
  void Clear() { published_.clear(); }

 private:
  std::vector<std::pair<int32_t, Variant>> published_;
};

}  // namespace framework
