#include "host/framework/view_model/stateful_view_model.h"

#include "host/base/analytics/analytics.h"

namespace framework {

StatefulViewModel::~StatefulViewModel() = default;

void StatefulViewModel::Handle(int, const Variant*) {}

void StatefulViewModel::Dispatch(int action, const Variant* payload) {
  if (payload) {
    const std::string report_id = payload->GetString("statistics_report_id");
    if (!report_id.empty()) base::analytics::LogEvent(report_id);
  }
  Handle(action, payload);
}

void StatefulViewModel::AttachView(IView* view) {
  if (view_ == view) return;
  if (view_) DetachView();
  view_ = view;
  if (!view_) return;
  // A view that attaches late still gets the current picture.
  for (const auto& [id, value] : properties_) view_->OnPropertyChanged(id, value);
  OnViewAttached();
}

void StatefulViewModel::DetachView() {
  if (!view_) return;
  OnViewDetached();
  view_ = nullptr;
}

const Variant& StatefulViewModel::Property(int32_t property_id) const {
  static const Variant null;
  auto it = properties_.find(property_id);
  return it == properties_.end() ? null : it->second;
}

void StatefulViewModel::Publish(int32_t property_id, Variant value) {
  auto& stored = properties_[property_id];
  stored = std::move(value);
  if (view_) view_->OnPropertyChanged(property_id, stored);
}

}  // namespace framework
