#include "module/quick_record/recorder/recorder_call_bridge.h"

#include "host/sdk/record/recorder_plugin_calls.h"
#include "host/util/file.h"

namespace quick_record {

using base::variant::Variant;

void RecorderCallBridge::FillRecordConfig(kovanisdk::RecordConfig* config) {
  config->save_dir = arguments_.GetString("save_dir");
  config->monitor_id = arguments_.GetString("monitor_id");
  config->window_id = arguments_.GetUInt64("window_id");
  config->camera_device_id = arguments_.GetString("camera_device_id");
  config->microphone_device_id = arguments_.GetString("microphone_device_id");
  config->capture_system_sound = arguments_.GetBool("capture_system_sound", true);
  const int32_t width = arguments_.GetInt32("width");
  const int32_t height = arguments_.GetInt32("height");
  const int32_t fps = arguments_.GetInt32("fps");
  config->screen_width = config->camera_width = width;
  config->screen_height = config->camera_height = height;
  config->screen_fps = config->camera_fps = fps;
}

void RecorderCallBridge::OnRecordStateChanged(kovanisdk::plugin::RecordStateType state, bool) {
  Variant payload = Variant::MakeMap();
  payload.Set("state", static_cast<int32_t>(state));
  sink_(kovanisdk::record::kRecorderEventStateChanged, payload);
}

void RecorderCallBridge::OnRecordError(int32_t operate_type, int32_t result, const std::string& message) {
  Variant payload = Variant::MakeMap();
  payload.Set("operate_type", operate_type);
  payload.Set("result", result);
  payload.Set("message", message);
  sink_(kovanisdk::record::kRecorderEventError, payload);
}

void RecorderCallBridge::OnRecorderEvent(int32_t event, void* data) {
  if (event != kRecorderEventNeedSavePath || !data) return;
  const std::string dir = arguments_.GetString("save_dir");
  *static_cast<bool*>(data) = !dir.empty() && util::file::IsFileExist(dir);
}

}  // namespace quick_record
