#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "host/base/variant/variant.h"
#include "host/framework/model/model_impl.h"

namespace host::app {
class GlobalShortcuts;
}

namespace host::app {

// Host model 1000043: the host application as modules see it. It answers list pages the host
// preloaded (none unless somebody installs one: this host preloads nothing by itself) and
// publishes the recording shortcut events.
constexpr int32_t kHostAppModelId = 1000043;
// {"meeting_id", "sub_meeting_id", "room_id"} -> {"result": preloaded response}; not handled
// (false) when nothing is preloaded for the meeting.
constexpr int32_t kHostAppGetMeetingRecordPreload = 13;
// {"meeting_id", ...} -> {"result": bool}: the meeting has only local records.
constexpr int32_t kHostAppOnlyHasMeetingLocalRecord = 15;
// {"table_type", "is_first_page", "record_method_type", "only_query"} -> {"result": preloaded
// response}; not handled when nothing is preloaded for the table type. "only_query" true leaves
// the page in place; otherwise it is handed out once.
constexpr int32_t kHostAppGetTabRecordPreload = 17;
// -> [{"action", "keys", "grabbed", "error"}]: the global shortcuts and whether each is ours.
constexpr int32_t kHostAppGetShortcutBindings = 19;
// {"vkey": X keysym, "modifiers": X modifier state} -> {"action": kStartStopAction or
// kPauseResumeAction}: the configured recording shortcut a key press in one of our own windows
// is; not handled (false) when it is none.
constexpr int32_t kHostAppFindShortcutAction = 21;
// Shortcut events, no payload.
constexpr int32_t kHostAppShortcutStartStopRecordEvent = 1;
constexpr int32_t kHostAppShortcutPauseResumeRecordEvent = 2;
// A dynamic resource (a configuration file delivered apart from the program) was updated or
// deleted: {"res_name"}.
constexpr int32_t kHostAppDynamicResUpdateCompleteEvent = 3;
constexpr int32_t kHostAppDynamicResDeleteCompleteEvent = 4;

class HostAppModel : public framework::ModelImpl {
 public:
  // A preloaded back-end answer as the request channel would have received it.
  struct PreloadedResponse {
    int32_t status_code = 200;
    std::string msg;
    int32_t biz_code = 0;
    std::string body;  // the answer's JSON text
  };

  // The global shortcuts: configuration section "shortcuts", action -> key combination.
  static constexpr char kShortcutSection[] = "shortcuts";
  static constexpr char kStartStopAction[] = "start_stop_record";
  static constexpr char kPauseResumeAction[] = "pause_resume_record";
  static constexpr char kDefaultStartStopKeys[] = "Ctrl+Alt+R";
  static constexpr char kDefaultPauseResumeKeys[] = "Ctrl+Alt+P";

  HostAppModel();
  ~HostAppModel() override;

  // Grabs the recording shortcuts of the configuration on the X display (again, replacing the
  // previous grab); presses fire the shortcut events on the main looper. False when there is no
  // display; a combination another program holds is logged and listed as not grabbed.
  bool EnableGlobalShortcuts();
  void DisableGlobalShortcuts();

  void InstallMeetingRecordPreload(const std::string& meeting_id, PreloadedResponse response);
  void InstallTabRecordPreload(int32_t table_type, PreloadedResponse response);
  void SetOnlyHasMeetingLocalRecord(const std::string& meeting_id, bool only_local);

  // The user pressed a recording shortcut.
  void PressStartStopShortcut();
  void PressPauseResumeShortcut();
  // The host finished updating or deleting the dynamic resource `res_name`.
  void NotifyDynamicResUpdateComplete(const std::string& res_name);
  void NotifyDynamicResDeleteComplete(const std::string& res_name);

 private:
  static base::variant::Variant ToResult(const PreloadedResponse& response);
  // Action -> key combination, as configured now.
  static std::map<std::string, std::string> ConfiguredShortcuts();
  static std::string FindShortcutAction(uint32_t keysym, uint16_t state);

  std::map<std::string, PreloadedResponse> meeting_preloads_;
  std::map<int32_t, PreloadedResponse> tab_preloads_;
  std::set<std::string> only_local_meetings_;
  std::unique_ptr<GlobalShortcuts> shortcuts_;
};

}  // namespace host::app
