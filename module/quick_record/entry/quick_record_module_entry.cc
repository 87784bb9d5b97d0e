// The two functions the host enters the module through.

#include "host/base/logging/logger.h"
#include "host/framework/extension/extension_service.h"
#include "host/framework/module/module_service.h"
#include "host/framework/module/resource.h"
#include "host/framework/navigation/navigator_service.h"
#include "host/sdk/plugin/plugin_registry.h"
#include "module/quick_record/entry/build_id.h"
#include "module/quick_record/entry/quick_record_ids.h"
#include "module/quick_record/entry/quick_record_module_runtime.h"
#include "module/quick_record/entry/quick_record_plugin_module.h"
#include "module/quick_record/entry/view_model_registry.h"

namespace quick_record {
namespace {

// Created together at activation: the session, sharing, push, messages, performance, upload,
// local records, media configuration, cloud records, red dots and scheme.
constexpr int32_t kModelsCreatedAtActivation[] = {
    model_id::kQuickRecordModel,          model_id::kMeetlogVideoShareCompanyGrantAssignModel,
    model_id::kQuickRecordPushModel,      model_id::kQuickRecordMsgModel,
    model_id::kQuickRecordPerformanceModel, model_id::kQuickRecordUploadModel,
    model_id::kLocalRecordDataModel,      model_id::kQuickRecordVortaConfigModel,
    model_id::kCloudRecordDataModel,      model_id::kQuickRecordRedDotModel,
    model_id::kQuickRecordSchemeModel,
};

constexpr const char* kRecordTabs[] = {
    "extension:quick_record.tab_all_records",
    "extension:quick_record.tab_recent_records",
    "extension:quick_record.tab_my_records",
};

// Without the desktop widgets the UI hook only has pages to register: every route whose view
// model exists.
void SetUpDesktopUi(const base::variant::Variant&) {
  auto& navigator = framework::GetNavigatorService();
  for (const auto& [route, view_model_id] : AvailablePageRoutes()) navigator.RegisterRoute(route, kModuleName, view_model_id);
}

void TearDownDesktopUi() {}

void PrepareDesktopUi(const framework::module::ModuleManifest& manifest) {
  framework::Resource::GetInstance()->LoadModuleResource(manifest.ui_resource_path, manifest.ui_resource_root);
  framework::module::GetModuleService().RegisterModuleLoaderCallbacks(kModuleName, &SetUpDesktopUi, &TearDownDesktopUi);
}

}  // namespace
}  // namespace quick_record

extern "C" __attribute__((visibility("default"))) int Activate() {
  using namespace quick_record;
  auto& manifest = ModuleManifestRef();
  manifest = kovani::GetModuleConfigByName(kModuleName);
  manifest->build_id = QUICK_RECORD_BUILD_ID;
  PrepareDesktopUi(*manifest);

  auto& modules = framework::module::GetModuleService();
  modules.RegisterModuleRuntimeFactory(kModuleName, [] { return static_cast<framework::module::ModuleRuntimeBaseImpl*>(QuickRecordModuleRuntime::GetInstance()); });
  for (const char* tab : kRecordTabs) {
    framework::GetExtensionService().Contribute(kHomeTabContainerPoint, framework::ExtensionInfo(tab, kModuleName));
  }
  kovanisdk::plugin::RegisterPluginModule(kPluginModuleId, new QuickRecordPluginModuleBuilder);
  std::shared_ptr<kovanisdk::plugin::PluginInstanceImpl> cloud_service;
  kovanisdk::plugin::QueryPluginInterface(kPluginModuleId, kServicePluginName, &cloud_service);

  framework::ModelProviderBaseImpl* models = QuickRecordModuleRuntime::GetInstance()->GetModelProvider();
  for (int32_t id : kModelsCreatedAtActivation) models->ModelOf(id);
  KLOG(6) << "quick record module activated, build " << QUICK_RECORD_BUILD_ID;
  return 0;
}

extern "C" __attribute__((visibility("default"))) void Deactivate() {
  framework::module::GetModuleService().UnregisterModule(quick_record::kModuleName);
  if (quick_record::QuickRecordModuleRuntime::Current()) quick_record::QuickRecordModuleRuntime::DestroyInstance();
}
