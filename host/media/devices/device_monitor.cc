#include "host/media/devices/device_monitor.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <xcb/randr.h>
#include <xcb/xcb.h>

extern "C" {
#include <libavdevice/avdevice.h>
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>

#include "host/base/logging/logger.h"
#include "host/base/threading/clock.h"
#include "host/media/devices/device_list_diff.h"
#include "host/media/ffmpeg_util.h"

namespace kvp::av {

namespace {

constexpr int kDevicePollMs = 3000;

template <typename T>
std::unique_ptr<T, decltype(&std::free)> Own(T* reply) {
  return {reply, &std::free};
}

// The devices libavdevice finds for an input format; false when it cannot list them (for the
// audio server: none is running).
bool ListInputs(const char* format_name, std::vector<DeviceInfo>* devices) {
  const AVInputFormat* format = av_find_input_format(format_name);
  AVDeviceInfoList* list = nullptr;
  if (!format || avdevice_list_input_sources(format, nullptr, nullptr, &list) < 0) {
    avdevice_free_list_devices(&list);
    return false;
  }
  for (int i = 0; i < list->nb_devices; ++i) {
    const AVDeviceInfo* info = list->devices[i];
    const std::string id = info->device_name ? info->device_name : "";
    // An audio server lists the monitors of its outputs as sources too; those are system sound.
    if (id.empty() || (id.size() > 8 && id.compare(id.size() - 8, 8, ".monitor") == 0)) continue;
    devices->push_back({id, info->device_description ? info->device_description : id, i == list->default_device, false});
  }
  if (!devices->empty() && std::none_of(devices->begin(), devices->end(), [](const DeviceInfo& d) { return d.is_default; })) {
    devices->front().is_default = true;
  }
  avdevice_free_list_devices(&list);
  return true;
}

// The window a structure event is about; 0 for other events.
uint32_t WindowOf(const xcb_generic_event_t* event) {
  switch (event->response_type & 0x7F) {
    case XCB_UNMAP_NOTIFY:
      return reinterpret_cast<const xcb_unmap_notify_event_t*>(event)->window;
    case XCB_MAP_NOTIFY:
      return reinterpret_cast<const xcb_map_notify_event_t*>(event)->window;
    case XCB_CONFIGURE_NOTIFY:
      return reinterpret_cast<const xcb_configure_notify_event_t*>(event)->window;
    case XCB_DESTROY_NOTIFY:
      return reinterpret_cast<const xcb_destroy_notify_event_t*>(event)->window;
    default:
      return 0;
  }
}

VideoDeviceEvent ScreensChangedEvent() {
  VideoDeviceEvent event;
  event.type = VideoDeviceEvent::Type::kScreensChanged;
  event.steady_ms = base::clock::SteadyMs();
  return event;
}

VideoDeviceEvent CameraEvent(VideoDeviceEvent::Type type, const DeviceInfo& device) {
  VideoDeviceEvent event;
  event.type = type;
  event.device = device;
  event.steady_ms = base::clock::SteadyMs();
  return event;
}

AudioDeviceEvent MicrophoneEvent(AudioDeviceEvent::Type type, const DeviceInfo& device) {
  AudioDeviceEvent event;
  event.type = type;
  event.device = device;
  return event;
}

}  // namespace

DeviceMonitor::DeviceMonitor(EngineListeners& listeners) : listeners_(listeners) {
  RegisterFfmpegDevices();
  wake_fd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  ConnectDisplay();
  inventory_.display = connection_ != nullptr;
  inventory_.screens = ListScreens();
  // The first look is what there is; only later changes are events.
  inventory_.audio_server = ListInputs("pulse", &inventory_.microphones);
  ListInputs("video4linux2", &inventory_.cameras);
  thread_ = std::thread([this] { Run(); });
}

DeviceMonitor::~DeviceMonitor() {
  stop_ = true;
  Wake();
  thread_.join();
  if (connection_) xcb_disconnect(connection_);
  close(wake_fd_);
}

void DeviceMonitor::ConnectDisplay() {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) {
    KLOG(6) << "no DISPLAY, screens are the synthetic test screen";
    return;
  }
  int screen_number = 0;
  xcb_connection_t* connection = xcb_connect(nullptr, &screen_number);
  if (xcb_connection_has_error(connection)) {
    KLOG(4) << "cannot connect to display " << display << ", screens are the synthetic test screen";
    xcb_disconnect(connection);
    return;
  }
  connection_ = connection;
  xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection_));
  for (int i = 0; i < screen_number && screens.rem; ++i) xcb_screen_next(&screens);
  root_ = screens.data->root;
  const xcb_query_extension_reply_t* randr = xcb_get_extension_data(connection_, &xcb_randr_id);
  if (randr && randr->present) {
    auto version = Own(xcb_randr_query_version_reply(connection_, xcb_randr_query_version(connection_, 1, 5), nullptr));
    randr_event_ = randr->first_event;
    xcb_randr_select_input(connection_, root_,
                           XCB_RANDR_NOTIFY_MASK_SCREEN_CHANGE | XCB_RANDR_NOTIFY_MASK_OUTPUT_CHANGE |
                               XCB_RANDR_NOTIFY_MASK_CRTC_CHANGE);
  }
  xcb_flush(connection_);
}

std::vector<ScreenInfo> DeviceMonitor::ListScreens() {
  std::vector<ScreenInfo> screens;
  if (!connection_) return screens;
  if (randr_event_) {
    auto monitors = Own(xcb_randr_get_monitors_reply(connection_, xcb_randr_get_monitors(connection_, root_, 1), nullptr));
    if (monitors) {
      for (auto it = xcb_randr_get_monitors_monitors_iterator(monitors.get()); it.rem;
           xcb_randr_monitor_info_next(&it)) {
        const xcb_randr_monitor_info_t* monitor = it.data;
        auto name = Own(xcb_get_atom_name_reply(connection_, xcb_get_atom_name(connection_, monitor->name), nullptr));
        std::string text = name ? std::string(xcb_get_atom_name_name(name.get()), xcb_get_atom_name_name_length(name.get()))
                                : "monitor-" + std::to_string(screens.size());
        screens.push_back({text, text, {monitor->x, monitor->y, monitor->width, monitor->height}, monitor->primary != 0,
                           false});
      }
    }
  }
  if (screens.empty()) {
    // No RandR monitors: the root window is the one screen.
    auto geometry = Own(xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, root_), nullptr));
    if (geometry) screens.push_back({"default", "default", {0, 0, geometry->width, geometry->height}, true, false});
  }
  if (std::none_of(screens.begin(), screens.end(), [](const ScreenInfo& s) { return s.primary; }) && !screens.empty()) {
    screens.front().primary = true;
  }
  return screens;
}

SourcePlanner DeviceMonitor::Planner() {
  std::lock_guard<std::mutex> lock(mutex_);
  return SourcePlanner(inventory_);
}

bool DeviceMonitor::LoopbackAvailable() {
  std::lock_guard<std::mutex> lock(mutex_);
  return inventory_.audio_server;
}

void DeviceMonitor::Wake() {
  const uint64_t one = 1;
  if (write(wake_fd_, &one, sizeof(one)) < 0) KLOG(4) << "device monitor wake failed";
}

void DeviceMonitor::WatchWindow(uint64_t window_id) {
  // The monitor thread makes the change: a reply read here would take events off its socket
  // and leave its poll waiting for data that already arrived.
  std::unique_lock<std::mutex> lock(watch_mutex_);
  wanted_window_ = window_id;
  const uint64_t request = ++watch_requests_;
  Wake();
  watch_done_.wait_for(lock, std::chrono::seconds(2), [&] { return watch_requests_done_ >= request || stop_; });
}

void DeviceMonitor::ApplyWatch() {
  uint64_t wanted = 0;
  uint64_t request = 0;
  {
    std::lock_guard<std::mutex> lock(watch_mutex_);
    if (watch_requests_done_ == watch_requests_) return;
    wanted = wanted_window_;
    request = watch_requests_;
  }
  if (wanted != window_ && connection_ && !display_lost_) {
    const uint32_t structure = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    const uint32_t none = XCB_EVENT_MASK_NO_EVENT;
    if (window_) xcb_change_window_attributes(connection_, static_cast<xcb_window_t>(window_), XCB_CW_EVENT_MASK, &none);
    if (wanted) {
      const xcb_void_cookie_t cookie = xcb_change_window_attributes_checked(
          connection_, static_cast<xcb_window_t>(wanted), XCB_CW_EVENT_MASK, &structure);
      // The round trip is what makes the server hold the mask before WatchWindow returns. A
      // window already gone answers an error; the capture finds that out for itself.
      std::free(xcb_request_check(connection_, cookie));
    }
    xcb_flush(connection_);
  }
  window_ = wanted;
  {
    std::lock_guard<std::mutex> lock(watch_mutex_);
    watch_requests_done_ = request;
  }
  watch_done_.notify_all();
}

void DeviceMonitor::RefreshScreens() {
  std::vector<ScreenInfo> screens = ListScreens();
  std::vector<ScreenInfo> before;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    before = inventory_.screens;
    inventory_.screens = screens;
  }
  if (before == screens) return;
  KLOG(6) << "screen set changed: " << screens.size() << " screens";
  listeners_.PostVideoDeviceEvent(ScreensChangedEvent());
}

void DeviceMonitor::RefreshDevices() {
  std::vector<DeviceInfo> cameras;
  std::vector<DeviceInfo> microphones;
  ListInputs("video4linux2", &cameras);
  const bool audio_server = ListInputs("pulse", &microphones);
  std::vector<DeviceInfo> cameras_before;
  std::vector<DeviceInfo> microphones_before;
  std::vector<DeviceInfo> cameras_after;
  std::vector<DeviceInfo> microphones_after;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    const SourcePlanner before(inventory_);
    cameras_before = before.Cameras();
    microphones_before = before.Microphones();
    inventory_.cameras = std::move(cameras);
    inventory_.microphones = std::move(microphones);
    inventory_.audio_server = audio_server;
    const SourcePlanner after(inventory_);
    cameras_after = after.Cameras();
    microphones_after = after.Microphones();
  }
  const auto camera_changes = DiffDeviceLists(cameras_before, cameras_after);
  for (const auto& device : camera_changes.added) {
    listeners_.PostVideoDeviceEvent(CameraEvent(VideoDeviceEvent::Type::kCameraAdded, device));
  }
  for (const auto& device : camera_changes.removed) {
    listeners_.PostVideoDeviceEvent(CameraEvent(VideoDeviceEvent::Type::kCameraRemoved, device));
  }
  if (camera_changes.default_changed && !cameras_before.empty()) {
    auto event = CameraEvent(VideoDeviceEvent::Type::kDefaultCameraChanged, camera_changes.new_default);
    event.previous_id = camera_changes.previous_default_id;
    listeners_.PostVideoDeviceEvent(event);
  }
  const auto microphone_changes = DiffDeviceLists(microphones_before, microphones_after);
  for (const auto& device : microphone_changes.added) {
    listeners_.PostAudioDeviceEvent(MicrophoneEvent(AudioDeviceEvent::Type::kMicrophoneAdded, device));
  }
  for (const auto& device : microphone_changes.removed) {
    listeners_.PostAudioDeviceEvent(MicrophoneEvent(AudioDeviceEvent::Type::kMicrophoneRemoved, device));
  }
  if (microphone_changes.default_changed && !microphones_before.empty()) {
    auto event = MicrophoneEvent(AudioDeviceEvent::Type::kDefaultMicrophoneChanged, microphone_changes.new_default);
    event.previous_id = microphone_changes.previous_default_id;
    listeners_.PostAudioDeviceEvent(event);
  }
}

void DeviceMonitor::ReportWindow(uint64_t window, WindowState state) {
  VideoDeviceEvent event;
  event.type = VideoDeviceEvent::Type::kWindowStateChanged;
  event.window_id = window;
  event.window_state = state;
  event.steady_ms = base::clock::SteadyMs();
  if (state != WindowState::kDestroyed) {
    const auto id = static_cast<xcb_window_t>(window);
    auto geometry = Own(xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, id), nullptr));
    auto position =
        Own(xcb_translate_coordinates_reply(connection_, xcb_translate_coordinates(connection_, id, root_, 0, 0), nullptr));
    if (geometry && position) event.geometry = {position->dst_x, position->dst_y, geometry->width, geometry->height};
  }
  KLOG(6) << "window " << window << " state " << static_cast<int>(state);
  listeners_.PostVideoDeviceEvent(event);
}

void DeviceMonitor::HandleXEvent(uint8_t type, uint32_t window) {
  const uint64_t watched = window_;
  if (randr_event_ && (type == randr_event_ + XCB_RANDR_SCREEN_CHANGE_NOTIFY || type == randr_event_ + XCB_RANDR_NOTIFY)) {
    RefreshScreens();
    return;
  }
  if (window == 0 || window != watched) return;
  switch (type) {
    case XCB_UNMAP_NOTIFY:
      ReportWindow(watched, WindowState::kMinimized);
      break;
    case XCB_MAP_NOTIFY:
      ReportWindow(watched, WindowState::kRestored);
      break;
    case XCB_CONFIGURE_NOTIFY:
      ReportWindow(watched, WindowState::kGeometryChanged);
      break;
    case XCB_DESTROY_NOTIFY:
      ReportWindow(watched, WindowState::kDestroyed);
      window_ = 0;
      break;
    default:
      break;
  }
}

void DeviceMonitor::LoseDisplay() {
  KLOG(1) << "lost the X display, screens are the synthetic test screen from now on";
  display_lost_ = true;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    inventory_.display = false;
    inventory_.screens.clear();
  }
  listeners_.PostVideoDeviceEvent(ScreensChangedEvent());
}

void DeviceMonitor::Run() {
  int64_t next_poll = base::clock::SteadyMs() + kDevicePollMs;
  while (!stop_) {
    const bool watch_display = connection_ && !display_lost_;
    pollfd fds[2] = {{wake_fd_, POLLIN, 0}, {watch_display ? xcb_get_file_descriptor(connection_) : -1, POLLIN, 0}};
    const int64_t wait = std::max<int64_t>(0, next_poll - base::clock::SteadyMs());
    poll(fds, watch_display ? 2 : 1, static_cast<int>(wait));
    if (stop_) break;
    uint64_t wakes = 0;
    if ((fds[0].revents & POLLIN) && read(wake_fd_, &wakes, sizeof(wakes)) < 0) KLOG(4) << "device monitor wake read failed";
    ApplyWatch();
    if (connection_ && !display_lost_) {
      while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        HandleXEvent(event->response_type & 0x7F, WindowOf(event));
        std::free(event);
      }
      if (xcb_connection_has_error(connection_)) LoseDisplay();
    }
    if (base::clock::SteadyMs() >= next_poll) {
      RefreshDevices();
      next_poll = base::clock::SteadyMs() + kDevicePollMs;
    }
  }
}

}  // namespace kvp::av
