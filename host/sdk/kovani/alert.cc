#include "host/sdk/kovani/alert.h"

#include <map>
#include <utility>

namespace kovani {
namespace {

struct OpenAlert {
  AlertInfo info;
  std::function<void(int32_t)> done;
};

struct AlertState {
  int32_t next_id = 1;
  std::map<int32_t, OpenAlert> open;
  std::vector<Toast> toasts;
  AlertPresenter* presenter = nullptr;
};

AlertState& State() {
  static auto* state = new AlertState;
  return *state;
}

}  // namespace

int32_t ShowAlert(AlertInfo info, std::function<void(int32_t button)> done) {
  AlertState& state = State();
  const int32_t id = state.next_id++;
  state.open[id] = OpenAlert{info, std::move(done)};
  if (state.presenter) state.presenter->OnAlertOpened(id, info);
  return id;
}

bool AnswerAlert(int32_t alert_id, int32_t button) {
  AlertState& state = State();
  auto it = state.open.find(alert_id);
  if (it == state.open.end() || button < 0 || button >= static_cast<int32_t>(it->second.info.buttons.size())) {
    return false;
  }
  // Closed before `done` runs: the answer may open another alert or dispose this one again.
  auto done = std::move(it->second.done);
  state.open.erase(it);
  if (state.presenter) state.presenter->OnAlertClosed(alert_id);
  if (done) done(button);
  return true;
}

void DisposeAlert(int32_t alert_id) {
  AlertState& state = State();
  if (state.open.erase(alert_id) == 0) return;
  if (state.presenter) state.presenter->OnAlertClosed(alert_id);
}

bool IsAlertOpen(int32_t alert_id) { return State().open.count(alert_id) > 0; }

std::vector<std::pair<int32_t, AlertInfo>> OpenAlerts() {
  std::vector<std::pair<int32_t, AlertInfo>> alerts;
  for (const auto& [id, alert] : State().open) alerts.emplace_back(id, alert.info);
  return alerts;
}

void ShowToast(Toast toast) {
  AlertState& state = State();
  state.toasts.push_back(toast);
  if (state.presenter) state.presenter->OnToast(toast);
}

std::vector<Toast> ShownToasts() { return State().toasts; }

void SetAlertPresenter(AlertPresenter* presenter) { State().presenter = presenter; }

void ResetAlerts() {
  AlertState& state = State();
  state.open.clear();
  state.toasts.clear();
  state.presenter = nullptr;
}

}  // namespace kovani
