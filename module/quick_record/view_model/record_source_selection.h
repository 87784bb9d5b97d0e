#pragma once

#include <memory>
#include <string>

#include "host/framework/model/model_impl.h"

namespace quick_record {

// The screen a new recording captures, as the pages choose it: the screen selector holds the
// choice, and the session keeps it for the start ({"type" 2, "monitor_id", "name"}). Main thread.
class RecordSourceSelection {
 public:
  static constexpr int32_t kSourceWindow = 1;
  static constexpr int32_t kSourceScreen = 2;

  // HandleSetDefaultScreen: {"default_monitor_uuid", "name"?}, or the same inside "view_params".
  // False (logged) without a monitor id.
  static bool SelectScreen(const std::shared_ptr<framework::ModelImpl>& session,
                           const std::shared_ptr<framework::ModelImpl>& screen_selector,
                           const base::variant::Variant& payload);
};

}  // namespace quick_record
