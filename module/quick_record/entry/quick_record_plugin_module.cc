#include "module/quick_record/entry/quick_record_plugin_module.h"

#include <cstring>

#include "module/quick_record/entry/plugin_interface_registry.h"
#include "module/quick_record/entry/quick_record_ids.h"

namespace quick_record {

QuickRecordPluginModule::QuickRecordPluginModule() : kovanisdk::plugin::PluginModuleImpl(kPluginModuleId) {}

std::shared_ptr<kovanisdk::plugin::PluginInstanceImpl> QuickRecordPluginModule::CreateInterface(const char* name) {
  return CreatePluginInterfaceByName(name ? name : "");
}

std::shared_ptr<kovanisdk::plugin::PluginModuleImpl> QuickRecordPluginModuleBuilder::Build(const char* module_id) {
  if (!module_id || std::strcmp(module_id, kPluginModuleId) != 0) return nullptr;
  return std::make_shared<QuickRecordPluginModule>();
}

}  // namespace quick_record
