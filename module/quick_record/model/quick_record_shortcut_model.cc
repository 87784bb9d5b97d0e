#include "module/quick_record/model/quick_record_shortcut_model.h"

#include <string>

#include "host/app/host_app_model.h"
#include "host/base/logging/logger.h"
#include "host/framework/module/module_service.h"
#include "host/sdk/kovani_common/account.h"
#include "host/sdk/plugin/plugin_registry.h"
#include "module/quick_record/entry/quick_record_ids.h"
#include "module/quick_record/recorder/i_quick_recorder.h"

namespace quick_record {

using base::variant::Variant;

QuickRecordShortcutModel::QuickRecordShortcutModel() : framework::ModelImpl(model_id::kQuickRecordShortcutModel) {
  BindMethod(kInvokeHandleKeyPressed, [this](const Variant& key, Variant*) { return HandleKeyPressed(key); });
}

void QuickRecordShortcutModel::Init() {
  framework::ModelImpl::Init();
  auto host_app = framework::module::GetAppModuleModel(host::app::kHostAppModelId);
  subscriptions_.Follow(host_app, host::app::kHostAppShortcutStartStopRecordEvent, this,
                        &QuickRecordShortcutModel::OnEventShorcutStartStopRecord);
  subscriptions_.Follow(host_app, host::app::kHostAppShortcutPauseResumeRecordEvent, this,
                        &QuickRecordShortcutModel::OnEventShorcutPauseResumeRecord);
}

void QuickRecordShortcutModel::UnInit() {
  subscriptions_.Clear();
  framework::ModelImpl::UnInit();
}

int32_t QuickRecordShortcutModel::RecorderState() {
  std::shared_ptr<IQuickRecorder> recorder;
  kovanisdk::plugin::QueryPluginInterface(kPluginModuleId, kRecorderPluginName, &recorder);
  return recorder ? static_cast<int32_t>(recorder->GetState()) : kNoRecorderState;
}

bool QuickRecordShortcutModel::HandleKeyPressed(const Variant& key) {
  auto host_app = framework::module::GetAppModuleModel(host::app::kHostAppModelId);
  Variant found;
  if (!host_app || !host_app->Call(host::app::kHostAppFindShortcutAction, key, &found)) return false;
  const std::string action = found.GetString("action");
  KLOG(6) << "key press is the shortcut " << action;
  if (action == host::app::HostAppModel::kStartStopAction) {
    OnEventShorcutStartStopRecord(key);
  } else if (action == host::app::HostAppModel::kPauseResumeAction) {
    OnEventShorcutPauseResumeRecord(key);
  } else {
    return false;
  }
  return true;
}

void QuickRecordShortcutModel::OnEventShorcutStartStopRecord(const Variant&) {
  if (kovani_common::utils::inmeeting::IsInMeeting()) {
    KLOG(4) << "Is in meeting. Ignore start or stop record shortcut.";
    return;
  }
  const int32_t state = RecorderState();
  if (state == kovanisdk::plugin::kRecordStateStopped || state == kNoRecorderState) {
    KLOG(6) << "event -> start record.";
    FireEvent(kEventStartRequested);
  } else {
    KLOG(6) << "event -> stop record.";
    FireEvent(kEventStopRequested);
  }
}

void QuickRecordShortcutModel::OnEventShorcutPauseResumeRecord(const Variant&) {
  const int32_t state = RecorderState();
  if (state == kovanisdk::plugin::kRecordStateRecording) {
    KLOG(6) << "event -> pause record.";
    FireEvent(kEventPauseRequested);
  } else if (state == kovanisdk::plugin::kRecordStatePaused) {
    KLOG(6) << "event -> resume record.";
    FireEvent(kEventResumeRequested);
  }
}

}  // namespace quick_record
