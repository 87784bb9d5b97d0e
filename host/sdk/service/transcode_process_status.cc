#include "host/sdk/service/transcode_process_status.h"

#include <cstring>

#include "host/sdk/kovani_common/paths.h"
#include "host/sdk/service/bridge_ipc_service.h"

namespace kovanisdk {
namespace {

class TranscodeProcessStatus : public ITranscodeProcessStatus {
 public:
  bool IsTranscodeProcessRunning() override {
    return utils::service::GetBridgeIPCService()->IsProcessRunning(kovani_common::utils::record::GetTranscodeTargetName());
  }
  bool EndTranscodeProcess() override {
    return utils::service::GetBridgeIPCService()->EndProcess(kovani_common::utils::record::GetTranscodeTargetName());
  }
};

class TranscodeProcessStatusModule : public plugin::PluginModuleImpl {
 public:
  TranscodeProcessStatusModule() : PluginModuleImpl(ITranscodeProcessStatus::kModuleId) {}

 protected:
  std::shared_ptr<plugin::PluginInstanceImpl> CreateInterface(const char* name) override {
    if (std::strcmp(name, ITranscodeProcessStatus::kInterfaceName) != 0) return nullptr;
    return std::make_shared<TranscodeProcessStatus>();
  }
};

class TranscodeProcessStatusBuilder : public plugin::PluginModuleBuilder {
 public:
  std::shared_ptr<plugin::PluginModuleImpl> Build(const char* module_id) override {
    if (std::strcmp(module_id, ITranscodeProcessStatus::kModuleId) != 0) return nullptr;
    return std::make_shared<TranscodeProcessStatusModule>();
  }
};

// The host offers this plug-in from the moment its library is loaded, like its other services.
[[maybe_unused]] const bool registered =
    plugin::RegisterPluginModule(ITranscodeProcessStatus::kModuleId, new TranscodeProcessStatusBuilder);

}  // namespace
}  // namespace kovanisdk
