#include "host/sdk/kovani_common/account.h"

#include <atomic>

#include "host/app/host_application.h"

namespace kovani_common::utils {
namespace {
std::atomic<bool> g_in_meeting{false};
std::atomic<bool> g_quick_record_running{false};
}  // namespace

void GetPersonalAppIdAndAppUid(std::string* app_id, std::string* app_uid) {
  const auto* app = host::app::HostApplication::Current();
  if (app_id) *app_id = app ? app->account().app_id : std::string();
  if (app_uid) *app_uid = app ? app->account().app_uid : std::string();
}

std::string GetSelfAppUid() {
  std::string app_uid;
  GetPersonalAppIdAndAppUid(nullptr, &app_uid);
  return app_uid;
}

namespace inmeeting {
bool IsInMeeting() { return g_in_meeting.load(); }
void SetInMeeting(bool in_meeting) { g_in_meeting = in_meeting; }
}  // namespace inmeeting

namespace record {
bool IsQuickRecordRunning() { return g_quick_record_running.load(); }
void SetQuickRecordRunning(bool running) { g_quick_record_running = running; }
}  // namespace record

}  // namespace kovani_common::utils
