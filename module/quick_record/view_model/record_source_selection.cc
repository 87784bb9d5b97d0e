#include "module/quick_record/view_model/record_source_selection.h"

#include "host/base/logging/logger.h"
#include "module/quick_record/model/quick_record_model.h"
#include "module/quick_record/model/screen_selector_model.h"

namespace quick_record {

using base::variant::Variant;

bool RecordSourceSelection::SelectScreen(const std::shared_ptr<framework::ModelImpl>& session,
                                         const std::shared_ptr<framework::ModelImpl>& screen_selector,
                                         const Variant& payload) {
  const Variant& params = payload.Has("view_params") ? payload.Get("view_params") : payload;
  const std::string monitor_id = params.GetString("default_monitor_uuid");
  if (monitor_id.empty()) {
    KLOG(3) << "Invalid input param.";
    return false;
  }
  Variant screen = Variant::MakeMap();
  screen.Set("monitor_id", monitor_id);
  if (screen_selector) screen_selector->Call(ScreenSelectorModel::kInvokeSelectScreen, screen, nullptr);
  Variant selection = Variant::MakeMap();
  selection.Set("type", kSourceScreen);
  selection.Set("monitor_id", monitor_id);
  selection.Set("name", params.GetString("name"));
  if (session) session->Call(QuickRecordModel::kInvokeGoToScreenOrWindowView, selection, nullptr);
  return true;
}

}  // namespace quick_record
