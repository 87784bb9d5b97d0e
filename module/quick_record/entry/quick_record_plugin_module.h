#pragma once

#include "host/sdk/plugin/plugin_registry.h"

namespace quick_record {

// The plug-in module "halvard_kovani_quick_record": the cloud service and the recorder service.
class QuickRecordPluginModule : public kovanisdk::plugin::PluginModuleImpl {
 public:
  QuickRecordPluginModule();

 protected:
  std::shared_ptr<kovanisdk::plugin::PluginInstanceImpl> CreateInterface(const char* name) override;
};

class QuickRecordPluginModuleBuilder : public kovanisdk::plugin::PluginModuleBuilder {
 public:
  std::shared_ptr<kovanisdk::plugin::PluginModuleImpl> Build(const char* module_id) override;
};

}  // namespace quick_record
