#include "apps/qrhost/record_page_host.h"

#include "host/framework/module/module_service.h"

namespace qrhost {

using base::variant::Variant;

class RecordPageHost::PageView : public framework::IView {
 public:
  void OnPropertyChanged(int32_t property_id, const Variant& value) override { properties[property_id] = value; }
  std::map<int32_t, Variant> properties;
};

RecordPageHost::RecordPageHost() = default;
RecordPageHost::~RecordPageHost() = default;

bool RecordPageHost::OpenOwnPage(const std::string& name, const std::string& module_name, int32_t view_model_id) {
  auto* runtime = framework::module::GetModuleService().GetModuleRuntime(module_name);
  auto* provider = runtime ? runtime->GetViewModelProvider() : nullptr;
  auto view_model = provider ? provider->BuildViewModel(view_model_id) : nullptr;
  if (!view_model) return false;
  Page& page = pages_[name];
  page.view_model = view_model;
  page.view = std::make_unique<PageView>();
  view_model->AttachView(page.view.get());
  return true;
}

void RecordPageHost::CloseOwnPages() {
  for (auto it = pages_.begin(); it != pages_.end();) {
    if (framework::GetNavigatorService().IsOpen(it->first)) {
      ++it;
      continue;
    }
    it->second.view_model->DetachView();
    it = pages_.erase(it);
  }
}

framework::IView* RecordPageHost::OnPageOpened(const std::string& route,
                                               const std::shared_ptr<framework::StatefulViewModel>& view_model,
                                               const Variant&) {
  Page& page = pages_[route];
  page.view_model = view_model;
  page.view = std::make_unique<PageView>();
  ++open_counts_[route];
  return page.view.get();
}

void RecordPageHost::OnPageUpdated(const std::string&, const Variant&) {}

void RecordPageHost::OnPageClosed(const std::string& route) { pages_.erase(route); }

int RecordPageHost::OpenCount(const std::string& page) const {
  auto it = open_counts_.find(page);
  return it == open_counts_.end() ? 0 : it->second;
}

Variant RecordPageHost::Property(const std::string& page, int32_t property_id) const {
  auto it = pages_.find(page);
  if (it == pages_.end()) return Variant();
  auto property = it->second.view->properties.find(property_id);
  return property == it->second.view->properties.end() ? Variant() : property->second;
}

Variant RecordPageHost::Field(const std::string& page, const std::string& field) const {
  auto it = pages_.find(page);
  if (it == pages_.end()) return Variant();
  for (const auto& [id, value] : it->second.view->properties) {
    if (value.IsMap() && value.Has(field)) return value.Get(field);
  }
  return Variant();
}

bool RecordPageHost::Dispatch(const std::string& page, int action, const Variant& payload) {
  auto it = pages_.find(page);
  if (it == pages_.end()) return false;
  // The view model may close its own page while it handles the action.
  auto view_model = it->second.view_model;
  view_model->Dispatch(action, &payload);
  return true;
}

}  // namespace qrhost
