#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "host/media/media_types.h"

namespace kvp::av {

// What the machine offers, as the device monitor found it.
struct DeviceInventory {
  bool display = false;  // an X display accepted our connection
  std::vector<ScreenInfo> screens;  // real monitors
  std::vector<DeviceInfo> cameras;  // V4L2 devices
  std::vector<DeviceInfo> microphones;  // audio server sources
  bool audio_server = false;
};

// An FFmpeg input (libavdevice or a lavfi source graph) and its options.
struct InputPlan {
  std::string format;
  std::string url;
  std::map<std::string, std::string> options;
  bool synthetic = false;
  bool operator==(const InputPlan& other) const = default;
};

struct ScreenPlan {
  enum class Kind { kMonitor, kWindow, kSynthetic };
  Kind kind = Kind::kSynthetic;
  ScreenInfo screen;  // the monitor, or the synthetic screen
  uint64_t window_id = 0;
  InputPlan synthetic_input;  // kSynthetic
};

// Decides which real device or synthetic stand-in serves a source, so that every mode works on
// any machine: no display gives the moving "Test screen", no camera the "Test camera", no audio
// server the "Test microphone" tone and silence for system sound.
class SourcePlanner {
 public:
  explicit SourcePlanner(DeviceInventory inventory) : inventory_(std::move(inventory)) {}

  // The lists as the engine shows them: the real devices, or the synthetic one when there are none.
  std::vector<ScreenInfo> Screens() const;
  std::vector<DeviceInfo> Cameras() const;
  std::vector<DeviceInfo> Microphones() const;

  // A screen by monitor id (empty or unknown: the primary one), or a window. Null for a window
  // id of 0. Without a display every screen and window source falls back to the synthetic screen
  // of `synthetic_size` (at `fps`).
  std::optional<ScreenPlan> PlanScreen(const VideoSource& source, const CaptureConfig& synthetic_size) const;
  // A camera by id (empty or unknown: the default one) at the requested size and rate.
  InputPlan PlanCamera(const std::string& device_id, const CaptureConfig& config) const;
  // A microphone by id (empty or unknown: the default), or the system-sound loopback.
  InputPlan PlanAudio(const AudioSource& source) const;

  static ScreenInfo TestScreen(int32_t width, int32_t height);

 private:
  DeviceInventory inventory_;
};

}  // namespace kvp::av
