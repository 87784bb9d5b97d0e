#include "host/framework/navigation/navigator_service.h"

#include "host/base/logging/logger.h"
#include "host/framework/module/module_service.h"

namespace framework {

void NavigatorService::RegisterRoute(const std::string& route, const std::string& module_name, int32_t view_model_id) {
  routes_[route] = Route{module_name, view_model_id};
}

void NavigatorService::UnregisterModule(const std::string& module_name) {
  std::vector<std::string> open;
  for (const auto& [route, page] : pages_) {
    auto it = routes_.find(route);
    if (it != routes_.end() && it->second.module_name == module_name) open.push_back(route);
  }
  for (const auto& route : open) Close(route);
  std::erase_if(routes_, [&](const auto& entry) { return entry.second.module_name == module_name; });
}

std::vector<std::string> NavigatorService::Routes() const {
  std::vector<std::string> routes;
  for (const auto& [route, entry] : routes_) routes.push_back(route);
  return routes;
}

int32_t NavigatorService::RouteViewModelId(const std::string& route) const {
  auto it = routes_.find(route);
  return it == routes_.end() ? 0 : it->second.view_model_id;
}

bool NavigatorService::Open(const std::string& route, const base::variant::Variant& params) {
  if (pages_.count(route)) return Update(route, params);
  auto it = routes_.find(route);
  if (it == routes_.end()) {
    KLOG(3) << "no page registered for route " << route;
    return false;
  }
  auto* runtime = module::GetModuleService().GetModuleRuntime(it->second.module_name);
  auto* provider = runtime ? runtime->GetViewModelProvider() : nullptr;
  auto view_model = provider ? provider->BuildViewModel(it->second.view_model_id) : nullptr;
  if (!view_model) {
    KLOG(3) << "cannot build the view model of route " << route;
    return false;
  }
  history_.push_back({"open", route, params});
  base::variant::Variant view_params = base::variant::Variant::MakeMap();
  view_params.Set("router_params", params);
  view_model->SetViewParams(std::move(view_params));

  // Stored before attaching: the view model may open or close pages while it attaches.
  Page& page = pages_[route];
  page.view_model = view_model;
  IView* view = page_host_ ? page_host_->OnPageOpened(route, view_model, params) : nullptr;
  if (!view) {
    page.own_view = std::make_unique<RecordingView>();
    view = page.own_view.get();
  }
  view_model->AttachView(view);
  return true;
}

bool NavigatorService::Update(const std::string& route, const base::variant::Variant& params) {
  auto it = pages_.find(route);
  if (it == pages_.end()) return false;
  history_.push_back({"update", route, params});
  base::variant::Variant view_params = it->second.view_model->view_params();
  view_params.Set("router_params", params);
  it->second.view_model->SetViewParams(std::move(view_params));
  if (page_host_) page_host_->OnPageUpdated(route, params);
  return true;
}

bool NavigatorService::Close(const std::string& route) {
  auto it = pages_.find(route);
  if (it == pages_.end()) return false;
  history_.push_back({"close", route, {}});
  Page page = std::move(it->second);
  pages_.erase(it);
  page.view_model->DetachView();
  if (page_host_) page_host_->OnPageClosed(route);
  return true;
}

bool NavigatorService::IsOpen(const std::string& route) const { return pages_.count(route) > 0; }

std::shared_ptr<StatefulViewModel> NavigatorService::PageViewModel(const std::string& route) const {
  auto it = pages_.find(route);
  return it == pages_.end() ? nullptr : it->second.view_model;
}

const RecordingView* NavigatorService::PageView(const std::string& route) const {
  auto it = pages_.find(route);
  return it == pages_.end() ? nullptr : it->second.own_view.get();
}

void NavigatorService::Reset() {
  std::vector<std::string> open;
  for (const auto& [route, page] : pages_) open.push_back(route);
  for (const auto& route : open) Close(route);
  routes_.clear();
  history_.clear();
  page_host_ = nullptr;
}

NavigatorService& GetNavigatorService() {
  static NavigatorService service;
  return service;
}

}  // namespace framework
