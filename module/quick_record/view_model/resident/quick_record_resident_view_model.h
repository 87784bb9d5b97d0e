#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "host/base/threading/timer.h"
#include "host/framework/view_model/stateful_view_model.h"

namespace quick_record {

// The module's resident page: it stays open while the module runs so that its pages remain
// reachable, and on request rebuilds them: it closes the module's other pages and opens the one
// the scheme names, after an optional delay. Main thread.
class QuickRecordResidentViewModel : public framework::StatefulViewModel {
 public:
  // {"scheme": a route or a page name under kovani://page/quick_record/, "delay": milliseconds}
  static constexpr int kActionRebuildViewModel = 1;
  static constexpr char kResidentPage[] = "resident_view";

  QuickRecordResidentViewModel();

  void Handle(int action, const base::variant::Variant* payload) override;
  void OnViewDetached() override;
  void OnEventRebuildViewModel(const base::variant::Variant& args);

 private:
  void Rebuild(const std::string& route);

  std::shared_ptr<base::threading::Timer> delay_timer_;
};

}  // namespace quick_record
