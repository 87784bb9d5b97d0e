#include "module/quick_record/model/screen_selector_model.h"

#include "host/app/device_model.h"
#include "host/app/string_table.h"
#include "host/base/logging/logger.h"
#include "host/framework/module/module_service.h"
#include "host/framework/module/resource.h"
#include "module/quick_record/entry/quick_record_ids.h"

namespace quick_record {

using base::variant::Variant;

ScreenSelectorModel::ScreenSelectorModel()
    : framework::ModelImpl(model_id::kScreenSelectorModel), subscriber_id_(framework::NewSubscriberId()) {
  BindMethod(kInvokeSelectScreen, [this](const Variant& args, Variant*) { return InvokeSelectScreen(args); });
  BindMethod(kInvokeSelectScreenById, [this](const Variant& args, Variant*) {
    Variant select = Variant::MakeMap();
    select.Set("monitor_id", args.AsString());
    return InvokeSelectScreen(select);
  });
  BindMethod(kInvokeSelectAppWindow, [this](const Variant& args, Variant*) { return InvokeSelectAppWindow(args); });
  BindMethod(kInvokeRestoreSelection, [this](const Variant&, Variant*) {
    RestoreSelection();
    return true;
  });
  BindMethod(kInvokeGetSelectedScreenNumber, [this](const Variant&, Variant* result) {
    if (result) *result = selected_screen_number_;
    return true;
  });
  BindMethod(kInvokeSetText, [this](const Variant& args, Variant*) {
    if (!args.IsString()) return false;
    text_ = args.AsString();
    return true;
  });
  BindMethod(kInvokeGetText, [this](const Variant&, Variant* result) {
    if (result) *result = text_;
    return true;
  });
}

ScreenSelectorModel::~ScreenSelectorModel() = default;

void ScreenSelectorModel::Init() {
  framework::ModelImpl::Init();
  auto devices = framework::module::GetAppModuleModel(host::app::kDeviceModelId);
  if (!devices) return;
  device_model_ = devices;
  std::weak_ptr<ModelImpl> weak = weak_from_this();
  devices->Subscribe(host::app::kDeviceScreensChangedEvent, subscriber_id_, [weak](int32_t, const Variant&) {
    if (auto self = std::static_pointer_cast<ScreenSelectorModel>(weak.lock())) self->RefreshScreenListCache();
  });
}

void ScreenSelectorModel::UnInit() {
  if (auto devices = device_model_.lock()) devices->Unsubscribe(subscriber_id_);
  framework::ModelImpl::UnInit();
}

void ScreenSelectorModel::RefreshScreenListCache() {
  auto devices = framework::module::GetAppModuleModel(host::app::kDeviceModelId);
  Variant answer;
  if (devices) devices->Call(host::app::kDeviceGetScreens, Variant(), &answer);
  if (!answer.IsArray()) {
    KLOG(1) << "this function maybe changed, please check the code.";
    return;
  }
  const std::string title = framework::Resource::GetInstance()->GetString(host::strings::kQuickRecordScreenTitle);
  for (size_t i = 0; i < answer.Size(); ++i) {
    Variant& screen = answer[i];
    screen.Set("name", title + std::to_string(i + 1));
    screen.Set("index", static_cast<int32_t>(i));
    screen.Set("type", 2);
  }
  screens_ = std::move(answer);
  KLOG(6) << "[SCREEN SELECTOR] screens: " << screens_.ToString();
}

int32_t ScreenSelectorModel::FindScreen(const std::string& monitor_id) const {
  if (!screens_.IsArray()) return -1;
  for (size_t i = 0; i < screens_.Size(); ++i) {
    if (screens_[i].GetString("monitor_uuid") == monitor_id) return static_cast<int32_t>(i);
  }
  return -1;
}

bool ScreenSelectorModel::InvokeSelectScreen(const Variant& args) {
  const std::string monitor_id = args.GetString("monitor_id");
  KLOG(6) << "try to select screen: [" << monitor_id << "]";
  int32_t position = FindScreen(monitor_id);
  if (position < 0) {
    // The screen set may have changed since the cache was filled.
    RefreshScreenListCache();
    position = FindScreen(monitor_id);
  }
  selected_screen_number_ = position + 1;
  if (position < 0) {
    KLOG(1) << "unknown monitor: " << monitor_id;
    return true;
  }
  KLOG(6) << "select screen " << monitor_id << " suc.";
  if (!args.Has("need_recover")) {
    selected_monitor_id_ = monitor_id;
    selected_window_ = Variant::MakeMap();
  }
  FireEvent(kEventScreenSelected, args);
  return true;
}

bool ScreenSelectorModel::InvokeSelectAppWindow(const Variant& window) {
  if (window.IsNull()) {
    KLOG(1) << "null window info.";
    return false;
  }
  if (!window.Has("window_id")) return false;
  KLOG(6) << "try to select window: [" << window.ToString() << "]";
  KLOG(6) << "select window " << window.GetUInt64("window_id") << " suc.";
  selected_screen_number_ = 0;
  selected_monitor_id_.clear();
  selected_window_ = window;
  FireEvent(kEventWindowSelected, window);
  return true;
}

void ScreenSelectorModel::RestoreSelection() {
  if (selected_monitor_id_.empty()) {
    // A window would be selected again only after the platform confirmed it still exists, and this
    // platform has no such check: a window selection is never restored.
    return;
  }
  Variant select = Variant::MakeMap();
  select.Set("monitor_id", selected_monitor_id_);
  InvokeSelectScreen(select);
}

}  // namespace quick_record
