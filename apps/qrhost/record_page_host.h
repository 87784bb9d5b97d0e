#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "host/framework/navigation/navigator_service.h"
#include "host/framework/view_model/stateful_view_model.h"

namespace qrhost {

// The pages of a quick recording as the terminal shows them: the new-recording page that qrhost
// opens itself, and the count-down, control bar and ending pages that the view models open
// through the navigator. Each page gets a view that keeps what its view model published;
// actions go back through the framework (StatefulViewModel::Dispatch), never to a model.
// Main thread.
class RecordPageHost : public framework::PageHost {
 public:
  static constexpr char kCountDown[] = "kovani://page/quick_record/count_down";
  static constexpr char kBottomBar[] = "kovani://page/quick_record/bottom_bar";
  static constexpr char kEnding[] = "kovani://page/quick_record/record_ending_view";

  RecordPageHost();
  ~RecordPageHost() override;

  // The page qrhost opens itself (the new-recording page, the settings panel): attached to a
  // view of this host under `name`. False when the module has no such view model.
  bool OpenOwnPage(const std::string& name, const std::string& module_name, int32_t view_model_id);
  void CloseOwnPages();

  // framework::PageHost
  framework::IView* OnPageOpened(const std::string& route, const std::shared_ptr<framework::StatefulViewModel>& view_model,
                                 const base::variant::Variant& params) override;
  void OnPageUpdated(const std::string& route, const base::variant::Variant& params) override;
  void OnPageClosed(const std::string& route) override;

  bool IsOpen(const std::string& page) const { return pages_.count(page) > 0; }
  // How often `page` was opened by a view model.
  int OpenCount(const std::string& page) const;
  // The last value `page` published under `property_id` (null when none or when it is closed).
  base::variant::Variant Property(const std::string& page, int32_t property_id) const;
  // The first map field `field` that `page` published, under any property (null when none):
  // for pages whose fields have fixed names but whose property ids are the page's own.
  base::variant::Variant Field(const std::string& page, const std::string& field) const;
  // Sends a user action to the page's view model; false when the page is not open.
  bool Dispatch(const std::string& page, int action, const base::variant::Variant& payload = {});

 private:
  class PageView;
  struct Page {
    std::shared_ptr<framework::StatefulViewModel> view_model;
    std::unique_ptr<PageView> view;
  };

  std::map<std::string, Page> pages_;
  std::map<std::string, int> open_counts_;
};

}  // namespace qrhost
