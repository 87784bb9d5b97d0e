#include "module/quick_record/view_model/resident/quick_record_tray_view_model.h"

#include "host/app/string_table.h"
#include "host/base/logging/logger.h"
#include "host/framework/module/resource.h"
#include "host/framework/navigation/navigator_service.h"
#include "host/sdk/plugin/plugin_registry.h"
#include "module/quick_record/entry/quick_record_ids.h"
#include "module/quick_record/entry/quick_record_module_runtime.h"
#include "module/quick_record/recorder/i_quick_recorder.h"

namespace quick_record {

using base::variant::Variant;

QuickRecordTrayViewModel::QuickRecordTrayViewModel()
    : framework::StatefulViewModel(view_model_id::kQuickRecordTrayViewModel) {}

void QuickRecordTrayViewModel::OnViewAttached() {
  PublishTrayUi();
  Variant red_dot = Variant::MakeMap();
  red_dot.Set("show_reddot", show_reddot_);
  Publish(kPropertyRedDot, red_dot);
  std::weak_ptr<StatefulViewModel> weak = weak_from_this();
  subscriptions_.Add(ModuleModelOf(model_id::kQuickRecordMsgModel), kNoticeListUpdatedEvent,
                     [weak](int32_t, const Variant& payload) {
                       if (auto self = std::static_pointer_cast<QuickRecordTrayViewModel>(weak.lock())) {
                         self->OnQuickRecordNoticeListUpdate(payload);
                       }
                     });
}

void QuickRecordTrayViewModel::OnViewDetached() { subscriptions_.Clear(); }

void QuickRecordTrayViewModel::PublishTrayUi() {
  const auto* strings = framework::Resource::GetInstance();
  Variant fields = Variant::MakeMap();
  fields.Set(kExitText, strings->GetString(host::strings::kQuickRecordTrayExit));
  fields.Set(kHoverText, strings->GetString(host::strings::kQuickRecordTrayHover));
  fields.Set(kShouldShowTray, true);
  Publish(kPropertyTrayUi, fields);
}

void QuickRecordTrayViewModel::Handle(int action, const Variant*) {
  switch (action) {
    case kActionOpenRecorder: OpenRecorder(); break;
    case kActionExit: HandleClickTrayExit(); break;
    default: KLOG(3) << "unknown tray action " << action;
  }
}

void QuickRecordTrayViewModel::OnQuickRecordNoticeListUpdate(const Variant& payload) {
  const Variant& notices = payload.type() == Variant::Type::kMap ? payload.Get("notices") : payload;
  if (notices.type() != Variant::Type::kArray) {
    KLOG(3) << "invalid params.";
    return;
  }
  KLOG(6) << "notice msg get, size:" << notices.AsArray().size();
  show_reddot_ = !notices.AsArray().empty();
  Variant red_dot = Variant::MakeMap();
  red_dot.Set("show_reddot", show_reddot_);
  Publish(kPropertyRedDot, red_dot);
}

void QuickRecordTrayViewModel::HandleClickTrayExit() {
  std::shared_ptr<IQuickRecorder> recorder;
  kovanisdk::plugin::QueryPluginInterface(kPluginModuleId, kRecorderPluginName, &recorder);
  const auto state = recorder ? recorder->GetState() : kovanisdk::plugin::kRecordStateStopped;
  if (state == kovanisdk::plugin::kRecordStateRecording || state == kovanisdk::plugin::kRecordStatePaused) {
    KLOG(4) << "close menu: record is running";
    return;
  }
  Variant quit = Variant::MakeMap();
  quit.Set("quit", true);
  Publish(kPropertyExit, quit);
}

void QuickRecordTrayViewModel::OpenRecorder() {
  Variant params = Variant::MakeMap();
  params.Set("show", true);
  params.Set("show_ntf", true);
  if (!framework::GetNavigatorService().Open(kRecorderPage, params)) KLOG(3) << "cannot open " << kRecorderPage;
}

}  // namespace quick_record
