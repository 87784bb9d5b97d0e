#include "module/quick_record/view_model/bottom_bar/bottom_bar_confirmations.h"

#include <utility>

#include "host/app/string_table.h"
#include "host/base/analytics/analytics.h"
#include "host/base/logging/logger.h"
#include "host/framework/module/resource.h"
#include "host/sdk/kovani/alert.h"

namespace quick_record {

using base::variant::Variant;

namespace {

std::string Text(uint32_t id) { return framework::Resource::GetInstance()->GetString(id); }

kovani::AlertInfo TopMostQuestion(uint32_t title, uint32_t content, uint32_t first_button, uint32_t second_button) {
  kovani::AlertInfo alert;
  alert.title = Text(title);
  alert.content = Text(content);
  alert.buttons = {Text(first_button), Text(second_button)};
  alert.top_most = true;
  return alert;
}

}  // namespace

BottomBarConfirmations::BottomBarConfirmations(std::function<void()> on_discard)
    : on_discard_(std::move(on_discard)) {}

void BottomBarConfirmations::AskToCancel() {
  if (cancel_alert_id_ != 0 && kovani::IsAlertOpen(cancel_alert_id_)) return;
  using namespace host::strings;
  std::weak_ptr<BottomBarConfirmations> weak = weak_from_this();
  cancel_alert_id_ = kovani::ShowAlert(TopMostQuestion(kBottomBarCancelAlertTitle, kBottomBarCancelAlertContent,
                                                       kBottomBarCancelAlertContinue, kBottomBarCancelAlertCancel),
                                       [weak](int32_t button) {
    if (auto self = weak.lock()) self->OnCancelAlertAnswered(button);
  });
}

void BottomBarConfirmations::OnCancelAlertAnswered(int32_t button) {
  cancel_alert_id_ = 0;
  if (button != kCancelAlertDiscard) {
    KLOG(6) << "click continue record";
    return;
  }
  KLOG(6) << "click cancel record";
  base::analytics::LogEvent("e#meetlog_recording_cancel_confirm_popup#confirm#click");
  on_discard_();
}

void BottomBarConfirmations::AskBeforeExit() {
  if (exit_alert_id_ != 0) kovani::DisposeAlert(exit_alert_id_);
  using namespace host::strings;
  std::weak_ptr<BottomBarConfirmations> weak = weak_from_this();
  exit_alert_id_ = kovani::ShowAlert(TopMostQuestion(kBottomBarExitAlertTitle, kBottomBarExitAlertContent,
                                                     kBottomBarExitAlertPositive, kBottomBarExitAlertNegative),
                                     [weak](int32_t) {
    if (auto self = weak.lock()) self->exit_alert_id_ = 0;
  });
}

void BottomBarConfirmations::ShowRequestErrorAlert(const Variant& error) {
  kovani::AlertInfo alert;
  alert.title = error.GetString("error_title");
  alert.content = error.GetString("error_msg");
  alert.buttons = {error.GetString("operation")};
  alert.top_most = true;
  KLOG(3) << "request error, biz_type:" << error.GetInt32("biz_type");
  kovani::ShowAlert(std::move(alert), [](int32_t button) {
    if (button == 0) {
      KLOG(6) << "click got it";
    } else {
      KLOG(3) << "error type:" << button;
    }
  });
}

void BottomBarConfirmations::DisposeAll() {
  for (int32_t* alert : {&cancel_alert_id_, &exit_alert_id_}) {
    if (*alert) kovani::DisposeAlert(*alert);
    *alert = 0;
  }
}

}  // namespace quick_record
