#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/framework/view_model/stateful_view_model.h"

namespace quick_record {

// Builds the view model of an id. A view model joins the module with one line in
// view_model_registry.cc; its page route, if it has one, is then registered by itself.
class QuickRecordViewModelBuilder {
 public:
  // A new instance, or null (logged) for ids without a class.
  static std::shared_ptr<framework::StatefulViewModel> Build(int32_t view_model_id);
  static bool IsRegistered(int32_t view_model_id);
};

// The module's page routes (full "kovani://page/quick_record/..." addresses) whose view model
// exists, with that view model's id.
std::vector<std::pair<std::string, int32_t>> AvailablePageRoutes();

}  // namespace quick_record
