#include "host/media/capture/source_planner.h"

#include <algorithm>

#include "host/base/logging/logger.h"

namespace kvp::av {

namespace {

constexpr int32_t kAudioRate = 48000;

std::string SizeText(int32_t width, int32_t height) { return std::to_string(width) + "x" + std::to_string(height); }

InputPlan Synthetic(std::string graph) { return {"lavfi", std::move(graph), {}, true}; }

// The first device whose id matches, else the default one, else the first.
const DeviceInfo* Choose(const std::vector<DeviceInfo>& devices, const std::string& id) {
  if (devices.empty()) return nullptr;
  auto it = std::find_if(devices.begin(), devices.end(), [&](const DeviceInfo& d) { return d.id == id; });
  if (it == devices.end()) {
    if (!id.empty()) KLOG(4) << "unknown device " << id << ", taking the default one";
    it = std::find_if(devices.begin(), devices.end(), [](const DeviceInfo& d) { return d.is_default; });
  }
  return it == devices.end() ? &devices.front() : &*it;
}

}  // namespace

ScreenInfo SourcePlanner::TestScreen(int32_t width, int32_t height) {
  return {kTestScreenId, "Test screen", {0, 0, width, height}, true, true};
}

std::vector<ScreenInfo> SourcePlanner::Screens() const {
  if (inventory_.display && !inventory_.screens.empty()) return inventory_.screens;
  return {TestScreen(1920, 1080)};
}

std::vector<DeviceInfo> SourcePlanner::Cameras() const {
  if (!inventory_.cameras.empty()) return inventory_.cameras;
  return {{kTestCameraId, "Test camera", true, true}};
}

std::vector<DeviceInfo> SourcePlanner::Microphones() const {
  if (inventory_.audio_server && !inventory_.microphones.empty()) return inventory_.microphones;
  return {{kTestMicrophoneId, "Test microphone", true, true}};
}

std::optional<ScreenPlan> SourcePlanner::PlanScreen(const VideoSource& source, const CaptureConfig& synthetic_size) const {
  if (source.kind == VideoSourceKind::kCamera) return std::nullopt;
  if (source.kind == VideoSourceKind::kWindow && source.window_id == 0) return std::nullopt;
  ScreenPlan plan;
  if (!inventory_.display || inventory_.screens.empty()) {
    const int32_t width = synthetic_size.width > 0 ? synthetic_size.width : 1920;
    const int32_t height = synthetic_size.height > 0 ? synthetic_size.height : 1080;
    const int32_t fps = synthetic_size.fps > 0 ? synthetic_size.fps : 30;
    plan.screen = TestScreen(width, height);
    // A moving test pattern, converted to the encoder's format inside the graph.
    plan.synthetic_input =
        Synthetic("testsrc2=size=" + SizeText(width, height) + ":rate=" + std::to_string(fps) + ",format=yuv420p");
    return plan;
  }
  if (source.kind == VideoSourceKind::kWindow) {
    plan.kind = ScreenPlan::Kind::kWindow;
    plan.window_id = source.window_id;
    return plan;
  }
  const auto& screens = inventory_.screens;
  auto it = std::find_if(screens.begin(), screens.end(),
                         [&](const ScreenInfo& s) { return s.monitor_uuid == source.device_id; });
  if (it == screens.end()) {
    if (!source.device_id.empty()) KLOG(4) << "unknown monitor " << source.device_id << ", taking the primary one";
    it = std::find_if(screens.begin(), screens.end(), [](const ScreenInfo& s) { return s.primary; });
  }
  plan.kind = ScreenPlan::Kind::kMonitor;
  plan.screen = it == screens.end() ? screens.front() : *it;
  return plan;
}

InputPlan SourcePlanner::PlanCamera(const std::string& device_id, const CaptureConfig& config) const {
  const int32_t width = config.width > 0 ? config.width : 960;
  const int32_t height = config.height > 0 ? config.height : 540;
  const int32_t fps = config.fps > 0 ? config.fps : 30;
  const DeviceInfo* camera = Choose(inventory_.cameras, device_id);
  if (!camera) {
    return Synthetic("testsrc=size=" + SizeText(width, height) + ":rate=" + std::to_string(fps) + ",format=yuv420p");
  }
  return {"video4linux2",
          camera->id,
          {{"video_size", SizeText(width, height)}, {"framerate", std::to_string(fps)}},
          false};
}

InputPlan SourcePlanner::PlanAudio(const AudioSource& source) const {
  const std::map<std::string, std::string> options = {{"sample_rate", std::to_string(kAudioRate)}, {"channels", "2"}};
  if (source.kind == AudioSourceKind::kLoopback) {
    if (inventory_.audio_server) return {"pulse", "@DEFAULT_MONITOR@", options, false};
    return Synthetic("anullsrc=r=48000:cl=stereo");
  }
  const DeviceInfo* microphone = inventory_.audio_server ? Choose(inventory_.microphones, source.device_id) : nullptr;
  if (!microphone) {
    // A 440 Hz tone whose level steps through silence, quiet, normal and loud once a second, so
    // that a level meter has something to show.
    return Synthetic("sine=frequency=440:sample_rate=48000,volume=eval=frame:volume='0.1*eq(mod(floor(t),4),1)"
                     "+eq(mod(floor(t),4),2)+6*eq(mod(floor(t),4),3)'");
  }
  return {"pulse", microphone->id, options, false};
}

}  // namespace kvp::av
