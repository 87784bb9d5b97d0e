#pragma once

#include <cstdint>

// What a host can ask of a local recorder plug-in through PluginInstanceImpl::Call, and the
// events it fires, for hosts that drive a recorder themselves (the command-line host, tests).
namespace kovanisdk::record {

// {"record_flags" (1 screen or window, 2 camera, 3 both), "save_dir", "monitor_id", "window_id",
//  "camera_device_id", "microphone_device_id", "capture_system_sound", "full_hd", "width",
//  "height", "fps"} -> {"ok"}. Starts a recording (or resumes the paused one) into save_dir.
constexpr int32_t kRecorderCallStart = 1;
constexpr int32_t kRecorderCallPause = 2;  // -> {"ok"}
constexpr int32_t kRecorderCallStop = 3;   // -> {"ok"}
// -> {"state", "recorded_ms", "total_frames", "video_path", "audio_path", "cover_path"}
constexpr int32_t kRecorderCallGetStatus = 4;
// -> the statistics of the last stopped recording (text values by name)
constexpr int32_t kRecorderCallGetStatistics = 5;

constexpr int32_t kRecorderEventStateChanged = 1;  // {"state"}
constexpr int32_t kRecorderEventError = 2;         // {"operate_type", "result", "message"}

}  // namespace kovanisdk::record
