#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "host/base/variant/variant.h"

namespace quick_record {

// The control bar's questions to the user, as top-most host alerts: may the recording be thrown
// away (buttons 0 continue, 1 discard; never two at once), may the application quit while it
// records (a new question replaces an open one), and what went wrong with a request.
//
// Main thread. Held by a shared_ptr: an alert answered after this object is gone does nothing.
class BottomBarConfirmations : public std::enable_shared_from_this<BottomBarConfirmations> {
 public:
  static constexpr int32_t kCancelAlertContinue = 0;
  static constexpr int32_t kCancelAlertDiscard = 1;

  // `on_discard` runs when the user confirms throwing the recording away; the alert is closed by
  // then, so it may close the bar.
  explicit BottomBarConfirmations(std::function<void()> on_discard);

  void AskToCancel();
  void AskBeforeExit();
  // {"error_title", "error_msg", "operation" (the one button), "biz_type"}.
  static void ShowRequestErrorAlert(const base::variant::Variant& error);
  // Closes whatever is still open.
  void DisposeAll();

  int32_t cancel_alert_id() const { return cancel_alert_id_; }
  int32_t exit_alert_id() const { return exit_alert_id_; }

 private:
  void OnCancelAlertAnswered(int32_t button);

  const std::function<void()> on_discard_;
  int32_t cancel_alert_id_ = 0;
  int32_t exit_alert_id_ = 0;
};

}  // namespace quick_record
