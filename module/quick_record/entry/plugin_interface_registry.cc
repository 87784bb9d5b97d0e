#include "module/quick_record/entry/plugin_interface_registry.h"

#include <map>

#include "module/quick_record/entry/quick_record_ids.h"
#include "module/quick_record/cloud/quick_record_service_plugin_impl.h"
#include "module/quick_record/recorder/quick_recorder_impl.h"

namespace quick_record {

std::shared_ptr<kovanisdk::plugin::PluginInstanceImpl> CreatePluginInterfaceByName(const std::string& name) {
  using Factory = std::shared_ptr<kovanisdk::plugin::PluginInstanceImpl> (*)();
  static const std::map<std::string, Factory> kInterfaces = {
      {kServicePluginName, &QuickRecordServicePluginImpl::Create},
      {kRecorderPluginName, &QuickRecorderImpl::Create},
  };
  auto it = kInterfaces.find(name);
  return it == kInterfaces.end() ? nullptr : it->second();
}

}  // namespace quick_record
