#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "host/media/engine_listeners.h"
#include "host/media/media_engine.h"
#include "host/media/capture/source_planner.h"

struct xcb_connection_t;

namespace kvp::av {

// Finds the machine's screens (RandR), cameras (V4L2) and microphones (the audio server) and
// watches them on a thread of its own: RandR notifications at once, cameras and microphones every
// few seconds. It also follows the captured window (mapped, unmapped, moved, destroyed). Changes
// go out as device events.
class DeviceMonitor : public IDeviceEnumerator {
 public:
  explicit DeviceMonitor(EngineListeners& listeners);
  ~DeviceMonitor();
  DeviceMonitor(const DeviceMonitor&) = delete;
  DeviceMonitor& operator=(const DeviceMonitor&) = delete;

  std::vector<ScreenInfo> Screens() override { return Planner().Screens(); }
  std::vector<DeviceInfo> Cameras() override { return Planner().Cameras(); }
  std::vector<DeviceInfo> Microphones() override { return Planner().Microphones(); }
  bool LoopbackAvailable() override;

  SourcePlanner Planner();
  // Follows this window's state from now on (0: none). Returns once the X server knows, so no
  // change made afterwards is missed.
  void WatchWindow(uint64_t window_id);

 private:
  void Run();
  void ConnectDisplay();
  std::vector<ScreenInfo> ListScreens();
  void RefreshScreens();
  void RefreshDevices();
  void HandleXEvent(uint8_t type, uint32_t window);
  void ReportWindow(uint64_t window, WindowState state);
  void LoseDisplay();
  void Wake();
  // Moves the structure-event mask to the window WatchWindow asked for.
  void ApplyWatch();

  EngineListeners& listeners_;
  std::mutex mutex_;
  DeviceInventory inventory_;
  xcb_connection_t* connection_ = nullptr;
  uint32_t root_ = 0;
  uint8_t randr_event_ = 0;
  std::atomic<bool> display_lost_{false};
  uint64_t window_ = 0;  // the watched window; only the monitor thread uses the X connection
  std::mutex watch_mutex_;
  std::condition_variable watch_done_;
  uint64_t wanted_window_ = 0;
  uint64_t watch_requests_ = 0;
  uint64_t watch_requests_done_ = 0;
  int wake_fd_ = -1;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace kvp::av
