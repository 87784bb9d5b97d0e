#pragma once

#include <memory>
#include <string>

#include "host/sdk/plugin/plugin_registry.h"

namespace quick_record {

// The object behind each plug-in interface name of the module: the cloud service
// ("plugin:kovaniing_quick_record") and the recorder service
// ("plugin:kovaniing_quick_recorder_service"). Null for other names and for services not built yet.
std::shared_ptr<kovanisdk::plugin::PluginInstanceImpl> CreatePluginInterfaceByName(const std::string& name);

}  // namespace quick_record
