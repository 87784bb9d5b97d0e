#include "module/quick_record/view_model/resident/quick_record_resident_view_model.h"

#include "host/base/logging/logger.h"
#include "host/framework/navigation/navigator_service.h"
#include "module/quick_record/entry/quick_record_ids.h"

namespace quick_record {

using base::variant::Variant;

QuickRecordResidentViewModel::QuickRecordResidentViewModel()
    : framework::StatefulViewModel(view_model_id::kQuickRecordResidentViewModel) {}

void QuickRecordResidentViewModel::Handle(int action, const Variant* payload) {
  if (action == kActionRebuildViewModel && payload) {
    OnEventRebuildViewModel(*payload);
  } else {
    KLOG(3) << "unknown resident action " << action;
  }
}

void QuickRecordResidentViewModel::OnViewDetached() { delay_timer_.reset(); }

void QuickRecordResidentViewModel::OnEventRebuildViewModel(const Variant& args) {
  const std::string scheme = args.GetString("scheme");
  const int64_t delay = args.GetInt64("delay");
  KLOG(6) << "scheme:" << scheme << " delay:" << delay;
  if (scheme.empty()) return;
  const std::string route = scheme.rfind("kovani://", 0) == 0 ? scheme : std::string(kRoutePrefix) + scheme;
  if (delay <= 0) {
    Rebuild(route);
    return;
  }
  std::weak_ptr<StatefulViewModel> weak = weak_from_this();
  delay_timer_ = base::threading::CreateTimer(
      [weak, route] {
        if (auto self = std::static_pointer_cast<QuickRecordResidentViewModel>(weak.lock())) self->Rebuild(route);
      },
      FROM_HERE);
  delay_timer_->Start(delay, /*repeating=*/false);
}

void QuickRecordResidentViewModel::Rebuild(const std::string& route) {
  auto& navigator = framework::GetNavigatorService();
  const std::string resident = std::string(kRoutePrefix) + kResidentPage;
  for (const auto& open : navigator.Routes()) {
    if (open.rfind(kRoutePrefix, 0) == 0 && open != resident && navigator.IsOpen(open)) navigator.Close(open);
  }
  if (!navigator.Open(route)) KLOG(3) << "cannot open " << route;
}

}  // namespace quick_record
