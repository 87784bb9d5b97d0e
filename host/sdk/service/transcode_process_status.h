#pragma once

#include "host/sdk/plugin/plugin_registry.h"

namespace kovanisdk {

// The plug-in "halvard_transcode_process_status" / "plugin:transcode_process_status": whether
// the transcoder started through the bridge IPC service runs, and a way to end it. Registered
// with the plug-in registry when the host library loads.
class ITranscodeProcessStatus : public plugin::PluginInstanceImpl {
 public:
  static constexpr char kModuleId[] = "halvard_transcode_process_status";
  static constexpr char kInterfaceName[] = "plugin:transcode_process_status";

  virtual bool IsTranscodeProcessRunning() = 0;
  // Asks the transcoder to end; false when none runs.
  virtual bool EndTranscodeProcess() = 0;
};

}  // namespace kovanisdk
