#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/base/variant/variant.h"
#include "host/framework/view_model/recording_view.h"
#include "host/framework/view_model/stateful_view_model.h"

namespace framework {

// Where opened pages are shown. The command-line host prints them; tests record them.
class PageHost {
 public:
  virtual ~PageHost() = default;
  // Returns the view that shows the page (owned by the page host), or null for the navigator's
  // own recording view.
  virtual IView* OnPageOpened(const std::string& route, const std::shared_ptr<StatefulViewModel>& view_model,
                              const base::variant::Variant& params) = 0;
  virtual void OnPageUpdated(const std::string& route, const base::variant::Variant& params) = 0;
  virtual void OnPageClosed(const std::string& route) = 0;
};

// Pages by route: a module registers each of its routes with the view-model id that the page
// shows; opening a route builds that view model through the module's provider, hands it the
// parameters as "router_params" and attaches it to a view.
class NavigatorService {
 public:
  struct Navigation {
    std::string action;  // "open", "update", "close"
    std::string route;
    base::variant::Variant params;
  };

  void RegisterRoute(const std::string& route, const std::string& module_name, int32_t view_model_id);
  // Closes the module's open pages and forgets its routes.
  void UnregisterModule(const std::string& module_name);
  std::vector<std::string> Routes() const;
  // The view-model id of a route, or 0.
  int32_t RouteViewModelId(const std::string& route) const;

  // Opening an open page updates it. Returns false for unknown routes and view models that
  // cannot be built.
  bool Open(const std::string& route, const base::variant::Variant& params = {});
  bool Update(const std::string& route, const base::variant::Variant& params);
  bool Close(const std::string& route);
  bool IsOpen(const std::string& route) const;
  std::shared_ptr<StatefulViewModel> PageViewModel(const std::string& route) const;
  // The navigator's own view of a page that no page host showed (null otherwise).
  const RecordingView* PageView(const std::string& route) const;

  void SetPageHost(PageHost* host) { page_host_ = host; }
  const std::vector<Navigation>& History() const { return history_; }
  void ClearHistory() { history_.clear(); }
  void Reset();

 private:
  struct Route {
    std::string module_name;
    int32_t view_model_id;
  };
  struct Page {
    std::shared_ptr<StatefulViewModel> view_model;
    std::unique_ptr<RecordingView> own_view;
  };

  std::map<std::string, Route> routes_;
  std::map<std::string, Page> pages_;
  std::vector<Navigation> history_;
  PageHost* page_host_ = nullptr;
};

NavigatorService& GetNavigatorService();

}  // namespace framework
