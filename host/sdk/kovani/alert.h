#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The host's modal alerts and passing toasts. A module asks for them; whatever shows the
// module's pages (a graphical shell, the command-line host) presents them and reports the user's
// choice with AnswerAlert. Without a presenter they stay listed (OpenAlerts, ShownToasts), so a
// test can answer them itself. Main thread only.
namespace kovani {

struct AlertInfo {
  std::string title;
  std::string content;
  std::vector<std::string> buttons;  // the choice reported is an index into this list
  bool top_most = false;
};

struct Toast {
  std::string text;
  int32_t type = 0;
  int32_t duration_ms = 0;
  int32_t position = 0;
};

class AlertPresenter {
 public:
  virtual ~AlertPresenter() = default;
  virtual void OnAlertOpened(int32_t alert_id, const AlertInfo& info) = 0;
  // Answered or disposed.
  virtual void OnAlertClosed(int32_t alert_id) = 0;
  virtual void OnToast(const Toast& toast) = 0;
};

// `done` gets the chosen button's index once, when the alert is answered. Returns the alert id
// (never 0).
int32_t ShowAlert(AlertInfo info, std::function<void(int32_t button)> done);
// False for an alert that is not open or a button it does not have.
bool AnswerAlert(int32_t alert_id, int32_t button);
// Closes the alert without an answer: its `done` never runs.
void DisposeAlert(int32_t alert_id);
bool IsAlertOpen(int32_t alert_id);
// The open alerts, oldest first.
std::vector<std::pair<int32_t, AlertInfo>> OpenAlerts();

void ShowToast(Toast toast);
std::vector<Toast> ShownToasts();

// Null for none. The presenter must outlive its registration.
void SetAlertPresenter(AlertPresenter* presenter);
// Forgets every alert and toast (the host application's teardown).
void ResetAlerts();

}  // namespace kovani
