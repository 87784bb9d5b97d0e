#include "host/app/host_app_model.h"

#include "host/app/global_shortcuts.h"
#include "host/base/logging/logger.h"
#include "host/base/threading/looper.h"
#include "host/sdk/utils/config_service.h"

namespace host::app {

using base::variant::Variant;

HostAppModel::HostAppModel() : framework::ModelImpl(kHostAppModelId) {
  BindMethod(kHostAppGetMeetingRecordPreload, [this](const Variant& args, Variant* result) {
    auto it = meeting_preloads_.find(args.GetString("meeting_id"));
    if (it == meeting_preloads_.end()) return false;
    if (result) *result = ToResult(it->second);
    meeting_preloads_.erase(it);
    return true;
  });
  BindMethod(kHostAppOnlyHasMeetingLocalRecord, [this](const Variant& args, Variant* result) {
    if (result) {
      *result = Variant::MakeMap();
      result->Set("result", only_local_meetings_.contains(args.GetString("meeting_id")));
    }
    return true;
  });
  BindMethod(kHostAppGetTabRecordPreload, [this](const Variant& args, Variant* result) {
    auto it = tab_preloads_.find(args.GetInt32("table_type", -1));
    if (it == tab_preloads_.end()) return false;
    if (result) *result = ToResult(it->second);
    if (!args.GetBool("only_query")) tab_preloads_.erase(it);
    return true;
  });
  BindMethod(kHostAppGetShortcutBindings, [this](const Variant&, Variant* result) {
    if (!result) return true;
    *result = Variant::MakeArray();
    if (!shortcuts_) return true;
    for (const auto& binding : shortcuts_->results()) {
      Variant item = Variant::MakeMap();
      item.Set("action", binding.action);
      item.Set("keys", binding.keys);
      item.Set("grabbed", binding.grabbed);
      item.Set("error", binding.error);
      result->Add(std::move(item));
    }
    return true;
  });
  BindMethod(kHostAppFindShortcutAction, [](const Variant& args, Variant* result) {
    const std::string action = FindShortcutAction(static_cast<uint32_t>(args.GetInt64("vkey", 0)),
                                                  static_cast<uint16_t>(args.GetInt32("modifiers", 0)));
    if (action.empty()) return false;
    if (result) {
      *result = Variant::MakeMap();
      result->Set("action", action);
    }
    return true;
  });
}

HostAppModel::~HostAppModel() = default;

std::map<std::string, std::string> HostAppModel::ConfiguredShortcuts() {
  return {{kStartStopAction, kovanisdk::utils::config::GetString(kShortcutSection, kStartStopAction, kDefaultStartStopKeys)},
          {kPauseResumeAction,
           kovanisdk::utils::config::GetString(kShortcutSection, kPauseResumeAction, kDefaultPauseResumeKeys)}};
}

std::string HostAppModel::FindShortcutAction(uint32_t keysym, uint16_t state) {
  for (const auto& [action, keys] : ConfiguredShortcuts()) {
    KeyBinding binding;
    std::string error;
    if (KeyBinding::Parse(keys, &binding, &error) && binding.Matches(keysym, state)) return action;
  }
  return {};
}

bool HostAppModel::EnableGlobalShortcuts() {
  shortcuts_.reset();
  const std::map<std::string, std::string> bindings = ConfiguredShortcuts();
  std::weak_ptr<ModelImpl> weak = weak_from_this();
  std::string error;
  // Presses arrive on the grabber's thread; the events belong to the main looper.
  shortcuts_ = GlobalShortcuts::Grab(
      bindings,
      [weak](const std::string& action) {
        auto* main = base::threading::LooperThread::MainLooper();
        if (!main) return;
        main->PostTask(
            [weak, action] {
              auto self = std::static_pointer_cast<HostAppModel>(weak.lock());
              if (!self) return;
              if (action == kStartStopAction) self->PressStartStopShortcut();
              if (action == kPauseResumeAction) self->PressPauseResumeShortcut();
            },
            FROM_HERE);
      },
      &error);
  if (!shortcuts_) KLOG(3) << "global shortcuts: " << error;
  return shortcuts_ != nullptr;
}

void HostAppModel::DisableGlobalShortcuts() { shortcuts_.reset(); }

Variant HostAppModel::ToResult(const PreloadedResponse& response) {
  Variant preloaded = Variant::MakeMap();
  preloaded.Set("status_code", response.status_code);
  preloaded.Set("msg", response.msg);
  preloaded.Set("biz_code", response.biz_code);
  preloaded.Set("body", response.body);
  Variant result = Variant::MakeMap();
  result.Set("result", std::move(preloaded));
  return result;
}

void HostAppModel::InstallMeetingRecordPreload(const std::string& meeting_id, PreloadedResponse response) {
  meeting_preloads_[meeting_id] = std::move(response);
}

void HostAppModel::InstallTabRecordPreload(int32_t table_type, PreloadedResponse response) {
  tab_preloads_[table_type] = std::move(response);
}

void HostAppModel::SetOnlyHasMeetingLocalRecord(const std::string& meeting_id, bool only_local) {
  if (only_local) {
    only_local_meetings_.insert(meeting_id);
  } else {
    only_local_meetings_.erase(meeting_id);
  }
}

void HostAppModel::PressStartStopShortcut() {
  KLOG(6) << "shortcut: start/stop recording";
  FireEvent(kHostAppShortcutStartStopRecordEvent);
}

void HostAppModel::PressPauseResumeShortcut() {
  KLOG(6) << "shortcut: pause/resume recording";
  FireEvent(kHostAppShortcutPauseResumeRecordEvent);
}

void HostAppModel::NotifyDynamicResUpdateComplete(const std::string& res_name) {
  Variant payload = Variant::MakeMap();
  payload.Set("res_name", res_name);
  FireEvent(kHostAppDynamicResUpdateCompleteEvent, payload);
}

void HostAppModel::NotifyDynamicResDeleteComplete(const std::string& res_name) {
  Variant payload = Variant::MakeMap();
  payload.Set("res_name", res_name);
  FireEvent(kHostAppDynamicResDeleteCompleteEvent, payload);
}

}  // namespace host::app
