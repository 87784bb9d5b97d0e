#include "module/quick_record/recorder/quick_recorder_impl.h"

#include <sstream>

#include "host/base/analytics/analytics.h"
#include "host/base/logging/logger.h"
#include "host/base/threading/clock.h"
#include "host/sdk/kovani_common/error_statistics.h"
#include "host/sdk/record/recorder_plugin_calls.h"
#include "host/util/deviceinfo.h"
#include "host/util/file.h"
#include "module/quick_record/model/cpu_generation_parser.h"
#include "module/quick_record/model/quick_record_media_config.h"

namespace quick_record {

using kovanisdk::plugin::RecordStateType;
using kovanisdk::plugin::kRecordStatePaused;
using kovanisdk::plugin::kRecordStateRecording;
using kovanisdk::plugin::kRecordStateStopped;

namespace {

constexpr int32_t kOperateSavePath = 0;
constexpr int32_t kOperateStart = 1;
constexpr int32_t kOperateDiskSpace = 2;
constexpr int32_t kOperateMediaFile = 3;
constexpr int32_t kOperatePause = 7;
constexpr int32_t kOperateStop = 8;
constexpr int32_t kResultNoSavePath = -3;
constexpr int32_t kResultNoDiskAtStart = -9;
constexpr int32_t kResultNoDisk = -12;
constexpr char kNoDiskSpace[] = "not enough disk space";
constexpr char kEngineError[] = "vorta error";

bool HasScreen(uint32_t flags) { return flags & kRecordFlagScreen; }
bool HasCamera(uint32_t flags) { return flags & kRecordFlagCamera; }

int32_t EngineMode(uint32_t flags) {
  if (HasScreen(flags) && HasCamera(flags)) return kvp::av::kRecordModeScreenAndCamera;
  return HasCamera(flags) ? kvp::av::kRecordModeCamera : kvp::av::kRecordModeScreen;
}

// The engine is asked for at least 960 x 540 from a camera: smaller heads look blurred.
kvp::av::CaptureConfig CameraEngineConfig(int32_t width, int32_t height, int32_t fps) {
  return height < 540 ? kvp::av::CaptureConfig{960, 540, fps} : kvp::av::CaptureConfig{width, height, fps};
}

// The CPU power class the media configuration gives this recording's capture: "level", or
// "mix_level" when the camera is laid over the screen; 0 when the configuration has no entry.
uint32_t CpuPowerClass(const kovanisdk::RecordConfig& config, uint32_t flags) {
  const auto entry = QuickRecordMediaConfig::GetInstance().FindCpuPower(config.output_height, static_cast<int32_t>(config.frame_rate));
  if (!entry) return 0;
  return HasScreen(flags) && HasCamera(flags) ? entry->mix_level : entry->level;
}

}  // namespace

QuickRecorderImpl::QuickRecorderImpl()
    : base::StateHolder<RecordStateType, std::mutex>(kRecordStateStopped),
      engine_(kvp::av::GetMediaEngine()),
      disk_space_(&util::deviceinfo::GetDiskSpace),
      call_bridge_([this](int32_t event, const base::variant::Variant& payload) { FireEvent(event, payload); }) {
  engine_->AddExceptionListener(this);
  engine_->AddVideoStreamListener(this);
  engine_->AddAudioStreamListener(this);
  engine_->AddVideoDeviceListener(this);
}

QuickRecorderImpl::~QuickRecorderImpl() {
  engine_->RemoveExceptionListener(this);
  engine_->RemoveVideoStreamListener(this);
  engine_->RemoveAudioStreamListener(this);
  engine_->RemoveVideoDeviceListener(this);
}

std::shared_ptr<kovanisdk::plugin::PluginInstanceImpl> QuickRecorderImpl::Create() {
  return std::make_shared<QuickRecorderImpl>();
}

void QuickRecorderImpl::SetRecordState(RecordStateType state) {
  SetState(state);
  OnStateChanged(state);
}

bool QuickRecorderImpl::Start(kovanisdk::IRecordContext* context, const QuickRecordStartParams& params) {
  std::lock_guard operation(operation_mutex_);
  const RecordStateType state = GetStateValue();
  if (state == kRecordStateStopped) {
    record_flags_ = params.record_flags;
    KLOG(6) << "[QUICK RECORD] start quick record with flags: " << params.record_flags;
  }
  if (state == kRecordStateRecording) {
    KLOG(3) << "cannot start recording when already running.";
    return false;
  }
  context_ = context;
  device_switch_ = params.device_switch;
  config_start_ms_ = click_start_ms_ ? click_start_ms_.load() : base::clock::SteadyMs();

  if (state == kRecordStateStopped) {
    bool has_save_path = false;
    NotifyEvent(kRecorderEventNeedSavePath, &has_save_path);
    if (!has_save_path) {
      NotifyError(kOperateSavePath, kResultNoSavePath, "save path not found.");
      return false;
    }
    FillConfigFromContext(/*keep_save_dir=*/false);
    {
      std::lock_guard lock(clock_mutex_);
      clock_.recorded_ms = 0;
    }
    record_start_wall_s_ = base::clock::WallSeconds();
    ApplyFilePaths();
    ApplyRecordConfig(params.support_full_hd);
    // The engine needs the sources of its mode before it can start.
    ApplyVideoSources();
  }

  if (!CheckDiskSpace(/*periodic=*/false)) {
    KLOG(1) << "CheckDiskSpace error";
    return false;
  }
  const kovanisdk::RecordConfig config = record_config();
  if (config.output_width <= 0 || config.output_height <= 0) {
    KLOG(1) << "record_config_ is not valid";
    return false;
  }

  // The engine's screen capture is an on/off switch held by the recording, not a count per
  // segment, and the paused session keeps the capture open anyway: it is begun at the first
  // start only and ended once, at the stop (or when that first start is refused).
  auto* video = engine_->GetVideoCapture();
  if (state == kRecordStateStopped && record_flags_ != kRecordFlagCamera && video) video->BeginScreenCapture();
  kovanisdk::utils::service::GetDeviceService()->SetRecordingSwitch(device_switch_);

  auto* recorder = engine_->GetFileRecorder();
  kvp::av::RecorderConfig engine_config;
  engine_config.width = config.output_width;
  engine_config.height = config.output_height;
  engine_config.fps = static_cast<int32_t>(config.frame_rate);
  engine_config.full_hd = config.full_hd;
  for (const auto& item : QuickRecordMediaConfig::GetInstance().QueryPreset(config.output_height, engine_config.fps)) {
    engine_config.encoder_items.push_back({item.key, item.value});
  }
  const auto& area = config.float_window_area;
  if (area.GetInt32("width") > 0 && area.GetInt32("height") > 0) {
    engine_config.camera_rect = kvp::av::Rect{area.GetInt32("x"), area.GetInt32("y"), area.GetInt32("width"), area.GetInt32("height")};
  }
  const int32_t result = recorder ? recorder->EnableRecording(true, kvp::av::MediaData{}, media_files_, engine_config,
                                                              false, EngineMode(record_flags_))
                                  : kvp::av::kErrNotSupported;
  KLOG(6) << "[QUICK RECORD] start record, result: " << result;
  if (result != 0) {
    // A refused first start leaves the state stopped, so no Stop() would end what began here.
    if (state == kRecordStateStopped) EndCapture();
    NotifyError(kOperateStart, result, kEngineError);
    KLOG(1) << "record start failed";
    return false;
  }
  AfterStart();
  return true;
}

void QuickRecorderImpl::EndCapture() {
  auto* video = engine_->GetVideoCapture();
  if (record_flags_ != kRecordFlagCamera && video) video->EndScreenCapture();
  kovanisdk::utils::service::GetDeviceService()->SetRecordingSwitch(false);
}

void QuickRecorderImpl::FillConfigFromContext(bool keep_save_dir) {
  if (!context_) return;
  // The context is called without the configuration lock: it may read the recorder back.
  const kovanisdk::RecordConfig previous = record_config();
  kovanisdk::RecordConfig config = previous;
  context_->FillRecordConfig(&config);
  if (keep_save_dir) config.save_dir = previous.save_dir;
  // What the recorder derived stays the recorder's, whatever the context wrote there.
  config.output_width = previous.output_width;
  config.output_height = previous.output_height;
  config.full_hd = previous.full_hd;
  config.frame_rate = previous.frame_rate;
  std::lock_guard lock(config_mutex_);
  record_config_ = std::move(config);
}

kovanisdk::RecordConfig QuickRecorderImpl::record_config() const {
  std::lock_guard lock(config_mutex_);
  return record_config_;
}

std::string QuickRecorderImpl::video_path() const {
  std::lock_guard lock(config_mutex_);
  return video_path_;
}

std::string QuickRecorderImpl::audio_path() const {
  std::lock_guard lock(config_mutex_);
  return audio_path_;
}

std::string QuickRecorderImpl::cover_path() const {
  std::lock_guard lock(config_mutex_);
  return cover_path_;
}

QuickRecorderImpl::SegmentClock QuickRecorderImpl::Clock() const {
  std::lock_guard lock(clock_mutex_);
  return clock_;
}

bool QuickRecorderImpl::Call(int32_t method_id, const base::variant::Variant& args, base::variant::Variant* result) {
  using namespace kovanisdk::record;
  base::variant::Variant answer = base::variant::Variant::MakeMap();
  switch (method_id) {
    case kRecorderCallStart: {
      // A session model that listens keeps its place; a host that drives the recorder gets events.
      if (!listener) listener = &call_bridge_;
      QuickRecordStartParams params;
      params.record_flags = args.GetUInt32("record_flags", kRecordFlagScreen);
      params.support_full_hd = args.GetBool("full_hd", true);
      if (GetStateValue() == kRecordStateStopped) call_bridge_.SetArguments(args);
      answer.Set("ok", Start(&call_bridge_, params));
      break;
    }
    case kRecorderCallPause: answer.Set("ok", Pause()); break;
    case kRecorderCallStop: answer.Set("ok", Stop()); break;
    case kRecorderCallGetStatus:
      answer.Set("state", static_cast<int32_t>(GetStateValue()));
      answer.Set("recorded_ms", GetRecordedDuration());
      answer.Set("total_frames", total_frames());
      answer.Set("video_path", video_path());
      answer.Set("audio_path", audio_path());
      answer.Set("cover_path", cover_path());
      break;
    case kRecorderCallGetStatistics:
      for (const auto& [key, value] : GetStatistics()) answer.Set(key, value);
      break;
    default: return false;
  }
  if (result) *result = std::move(answer);
  return true;
}

void QuickRecorderImpl::ApplyFilePaths() {
  std::lock_guard lock(config_mutex_);
  std::string dir = record_config_.save_dir;
  if (!dir.empty() && dir.back() != '/') dir += '/';
  base_path_ = dir + kBaseName;
  video_path_ = base_path_ + ".kovtv";
  audio_path_ = base_path_ + ".kovta";
  cover_path_ = base_path_ + ".kovtc";
  created_base_paths_.push_back(base_path_);
  media_files_ = {video_path_, audio_path_};
}

void QuickRecorderImpl::ApplyRecordConfig(bool support_full_hd) {
  kovanisdk::RecordConfig config = record_config();
  int32_t width = support_full_hd ? 1920 : 1280;
  int32_t height = support_full_hd ? 1080 : 720;
  int32_t fps = support_full_hd ? 30 : 15;
  auto take = [&](int32_t raw_width, int32_t raw_height, int32_t raw_fps) {
    if (raw_fps >= 1) {
      fps = raw_fps;
    } else {
      KLOG(4) << "[QUICK RECORD] raw frame rate not set: " << raw_fps;
    }
    if (raw_width > 0 && raw_height > 0) {
      width = raw_width;
      height = raw_height;
    } else {
      KLOG(4) << "[QUICK RECORD] raw size not set: " << raw_width << "x" << raw_height;
    }
  };
  if (HasScreen(record_flags_)) {
    take(config.screen_width, config.screen_height, config.screen_fps);
  } else if (HasCamera(record_flags_)) {
    take(config.camera_width, config.camera_height, config.camera_fps);
  } else {
    KLOG(3) << "[QUICK RECORD] nothing to record.";
  }
  {
    std::lock_guard lock(config_mutex_);
    record_config_.output_width = width;
    record_config_.output_height = height;
    record_config_.full_hd = support_full_hd;
    record_config_.frame_rate = static_cast<uint32_t>(fps);
  }
  KLOG(6) << "[QUICK RECORD] apply record config, width = " << width << ", height = " << height
          << ", support full hd = " << support_full_hd;
  std::lock_guard lock(stats_mutex_);
  late_thresholds_ms_ = {{20, static_cast<int64_t>(1200.0 / fps)},
                         {50, static_cast<int64_t>(1500.0 / fps)},
                         {100, static_cast<int64_t>(2000 / fps)}};
}

bool QuickRecorderImpl::CheckDiskSpace(bool periodic) {
  std::lock_guard operation(operation_mutex_);
  const std::string dir = record_config().save_dir;
  bool enough = false;
  if (dir.empty()) {
    KLOG(1) << "[QUICK RECORD] you must set save path before check disk space.";
  } else if (!util::file::IsFileExist(dir)) {
    KLOG(1) << "[QUICK RECORD] path not exist. path:" << dir;
  } else {
    enough = disk_space_(dir) > kMinFreeDiskBytes;
  }
  if (enough) return true;
  if (GetStateValue() != kRecordStateStopped) Stop();
  NotifyError(kOperateDiskSpace, periodic ? kResultNoDisk : kResultNoDiskAtStart, kNoDiskSpace);
  return false;
}

void QuickRecorderImpl::StartDiskCheckTimer() {
  if (!disk_timer_) {
    KLOG(6) << "[QUICK RECORD] create disk check timer";
    std::weak_ptr<QuickRecorderImpl> weak = weak_from_this();
    disk_timer_ = base::threading::CreateTimer(
        [weak] {
          auto self = weak.lock();
          if (!self) return;
          std::lock_guard operation(self->operation_mutex_);
          if (!self->CheckDiskSpace(/*periodic=*/true)) self->StopDiskCheckTimer();
        },
        FROM_HERE);
  }
  disk_timer_->Start(kDiskCheckPeriodMs, /*repeating=*/true);
}

void QuickRecorderImpl::StopDiskCheckTimer() {
  if (!disk_timer_ || !disk_timer_->IsRunning()) return;
  KLOG(6) << "[QUICK RECORD] stop disk check timer";
  disk_timer_->Stop();
}

void QuickRecorderImpl::AfterStart() {
  {
    std::lock_guard lock(clock_mutex_);
    clock_.segment_start_ms = base::clock::SteadyMs();
    clock_.running = true;
  }
  ApplyVideoSources();
  ApplyAudioSources();
  if (auto* audio = engine_->GetAudioCapture()) {
    const int32_t preprocess = audio->SetAudioProcessing(kvp::av::kAudioEnhancedPreprocess, 1);
    const int32_t wideband = audio->SetAudioProcessing(kvp::av::kAudioSuperWideband, 1);
    const int32_t attenuation = audio->SetAudioProcessing(kvp::av::kAudioSendAttenuation, 0);
    KLOG(6) << "[QUICK RECORD] open audio enhanced preprocess ret: " << preprocess
            << ", open audio super wideband ret: " << wideband << ", set send attenuation ret: " << attenuation;
    audio->EnableMicrophone(mic_open_);
  }
  StartDiskCheckTimer();
  SetRecordState(kRecordStateRecording);
  const kovanisdk::RecordConfig config = record_config();
  RecorderStartedData started{2, 1, record_flags_, config.window_id != 0, config.output_width, config.output_height};
  NotifyEvent(kRecorderEventStarted, &started);
  bool running = true;
  NotifyEvent(kRecorderEventRunning, &running);
}

void QuickRecorderImpl::ApplyVideoSources() {
  auto* video = engine_->GetVideoCapture();
  if (!video) return;
  const kovanisdk::RecordConfig config = record_config();
  if (HasScreen(record_flags_)) {
    kvp::av::VideoSource screen;
    if (config.window_id != 0) {
      screen.kind = kvp::av::VideoSourceKind::kWindow;
      screen.window_id = config.window_id;
    } else {
      screen.kind = kvp::av::VideoSourceKind::kScreen;
      screen.device_id = config.monitor_id;
    }
    video->AddVideoSource(screen);
  } else {
    video->RemoveVideoSource(kvp::av::VideoSourceKind::kScreen);
  }
  if (HasCamera(record_flags_)) {
    video->AddVideoSource({kvp::av::VideoSourceKind::kCamera, config.camera_device_id, 0});
  } else {
    video->RemoveVideoSource(kvp::av::VideoSourceKind::kCamera);
  }
}

void QuickRecorderImpl::ApplyAudioSources() {
  auto* audio = engine_->GetAudioCapture();
  if (!audio) return;
  std::string microphone;
  bool system_sound = false;
  std::string device;
  {
    std::lock_guard lock(config_mutex_);
    microphone = record_config_.microphone_device_id;
    system_sound = record_config_.capture_system_sound;
    device = virtual_audio_device_id_.empty() ? kvp::av::kLoopbackDeviceId : virtual_audio_device_id_;
  }
  audio->AddAudioSource({kvp::av::AudioSourceKind::kMicrophone, microphone});
  if (system_sound) {
    audio->AddAudioSource({kvp::av::AudioSourceKind::kLoopback, device});
  } else {
    audio->RemoveAudioSource(kvp::av::AudioSourceKind::kLoopback);
  }
}

bool QuickRecorderImpl::Pause() {
  std::lock_guard operation(operation_mutex_);
  if (GetStateValue() != kRecordStateRecording) {
    KLOG(3) << "cannot pause recording while not running.";
    return false;
  }
  // The segment ends when the user asks, not when the engine has finished pausing.
  const int64_t segment_ms = Clock().RunningMs(base::clock::SteadyMs());
  auto* recorder = engine_->GetFileRecorder();
  const int32_t result = recorder ? recorder->EnableRecording(false, kvp::av::MediaData{}, {}, {}, true, 0)
                                  : kvp::av::kErrNotSupported;
  KLOG(6) << "[QUICK RECORD] pause record, result: " << result;
  if (result != 0) {
    NotifyError(kOperatePause, result, kEngineError);
    return false;
  }
  {
    std::lock_guard lock(clock_mutex_);
    clock_.recorded_ms += segment_ms;
    clock_.running = false;
  }
  StopDiskCheckTimer();
  SetRecordState(kRecordStatePaused);
  return true;
}

bool QuickRecorderImpl::Stop() {
  // An engine error, the disk timer and the user may all ask at once; the first one stops.
  std::lock_guard operation(operation_mutex_);
  if (GetStateValue() == kRecordStateStopped) {
    KLOG(3) << "cannot stop recording when already stopped.";
    return false;
  }
  const int64_t now = base::clock::SteadyMs();
  const int64_t segment_ms = Clock().RunningMs(now);
  EndCapture();
  auto* recorder = engine_->GetFileRecorder();
  const int32_t off_result = recorder ? recorder->EnableRecording(false, kvp::av::MediaData{}, {}, {}, true, 0)
                                      : kvp::av::kErrNotSupported;
  KLOG(6) << "[QUICK RECORD] stop record, result: " << off_result;

  {
    std::lock_guard lock(clock_mutex_);
    clock_.recorded_ms += segment_ms;
    clock_.running = false;
  }
  ReportStopStatistics(now);

  StopDiskCheckTimer();
  if (recorder) recorder->Finalize();
  if (auto* audio = engine_->GetAudioCapture()) {
    const int32_t preprocess = audio->SetAudioProcessing(kvp::av::kAudioEnhancedPreprocess, 0);
    KLOG(6) << "[QUICK RECORD] close audio enhanced preprocess ret: " << preprocess;
    const int32_t wideband = audio->SetAudioProcessing(kvp::av::kAudioSuperWideband, 0);
    KLOG(6) << "[QUICK RECORD] close audio super wideband ret: " << wideband;
  }
  SetRecordState(kRecordStateStopped);
  context_ = nullptr;
  record_flags_ = 0;
  {
    std::lock_guard lock(config_mutex_);
    selected_source_ = base::variant::Variant();
  }
  click_start_ms_ = 0;

  if (off_result != 0) {
    NotifyError(kOperateStop, off_result, kEngineError);
    return false;
  }
  return true;
}

void QuickRecorderImpl::ReportStopStatistics(int64_t now_ms) {
  const SegmentClock clock = Clock();
  const int64_t duration = clock.recorded_ms;
  const int64_t segment_start = clock.segment_start_ms;
  const kovanisdk::RecordConfig config = record_config();
  FrameStats stats;
  {
    std::lock_guard lock(stats_mutex_);
    stats = stats_;
    stats_ = FrameStats{};
  }
  const double average_fps = duration > 0 ? stats.total * 1000.0 / duration : 0.0;
  if (duration > 0) {
    KLOG(6) << "total frames:" << stats.total << ", during:" << duration << ",select_hd_fps: " << config.frame_rate
            << ",average_fps = " << average_fps << ",record_flags=" << record_flags_;
    KLOG(6) << "frame delay 20% cnt:" << stats.late[20] << " total:" << stats.total << " frame delay 50% cnt:"
            << stats.late[50] << " total:" << stats.total << " frame delay 100% cnt:" << stats.late[100]
            << " total:" << stats.total;
  }
  auto black_time = [&](int64_t first_frame_ms) { return (first_frame_ms ? first_frame_ms : now_ms) - segment_start; };
  const int64_t black_screen = HasScreen(record_flags_) ? black_time(stats.first_screen_frame_ms) : 0;
  const int64_t black_camera = HasCamera(record_flags_) ? black_time(stats.first_camera_frame_ms) : 0;
  const int64_t config_time = segment_start - config_start_ms_;
  KLOG(6) << "blackScreenFrameTime " << black_screen << " blackCameraFrameTime " << black_camera << " record_flags_ "
          << record_flags_ << " record_vorta_config_time " << config_time;

  const auto cpu = util::deviceinfo::GetCpuInfo();
  std::map<std::string, std::string> statistics = {
      {"fps", std::to_string(config.frame_rate)},
      {"width", std::to_string(config.output_width)},
      {"height", std::to_string(config.output_height)},
      {"record_total_time", std::to_string(duration)},
      {"record_start_time", std::to_string(record_start_wall_s_)},
      {"record_flags", std::to_string(record_flags_)},
      {"vorta_cpu_power", std::to_string(CpuPowerClass(config, record_flags_))},
      {"cpu_generation", std::to_string(CpuGenerationParser::Parse(cpu.model_name))}};
  if (!cpu.model_name.empty()) statistics["cpu_model"] = cpu.model_name;
  {
    std::lock_guard lock(stats_mutex_);
    statistics_ = statistics;
  }

  auto quality = std::move(statistics);
  std::ostringstream fps_text;
  fps_text << average_fps;
  quality["avarage_fps"] = fps_text.str();
  quality["first_screen_frame_time"] = std::to_string(black_screen);
  quality["first_camera_frame_time"] = std::to_string(black_camera);
  quality["vorta_config_time"] = std::to_string(config_time);
  base::analytics::LogEventWithProperties("e#meetlog_video_quality", quality);
  base::analytics::LogEventWithProperties("e#meetlog_video_exception_fps",
                                          {{"total_frames", std::to_string(stats.total)},
                                           {"delay_percent_20_frames", std::to_string(stats.late[20])},
                                           {"delay_percent_50_frames", std::to_string(stats.late[50])},
                                           {"delay_percent_100_frames", std::to_string(stats.late[100])},
                                           {"bad_frames", std::to_string(stats.bad)}});
  record_score_ = -1.0f;
}

void QuickRecorderImpl::UpdateConfig() {
  std::lock_guard operation(operation_mutex_);
  // A new configuration must not move the files of a running recording.
  const RecordStateType state = GetStateValue();
  FillConfigFromContext(/*keep_save_dir=*/state != kRecordStateStopped);
  if (state == kRecordStateRecording) ApplyVideoSources();
}

void QuickRecorderImpl::GetBasePaths(std::vector<std::string>* paths) const {
  std::lock_guard lock(config_mutex_);
  if (paths) paths->insert(paths->end(), created_base_paths_.begin(), created_base_paths_.end());
}

void QuickRecorderImpl::ClearBasePaths() {
  std::lock_guard lock(config_mutex_);
  created_base_paths_.clear();
}

void QuickRecorderImpl::QueryVirtualAudioDevice() {
  kovanisdk::utils::service::GetDeviceService()->GetVirtualAudioDeviceId(
      std::weak_ptr<kovanisdk::IGetVirtualAudioDeviceIdDelegate>(shared_from_this()));
}

void QuickRecorderImpl::OnGetVirtualAudioDeviceId(const std::string& device_id) {
  KLOG(6) << "[QUICK RECORD] virtual audio device: " << device_id;
  std::lock_guard lock(config_mutex_);
  virtual_audio_device_id_ = device_id;
}

void QuickRecorderImpl::OnStateChanged(RecordStateType state) {
  if (listener) listener->OnRecordStateChanged(state, true);
  if (state == kRecordStateStopped) {
    RecorderFilesData files{video_path(), audio_path()};
    NotifyEvent(kRecorderEventFilesClosed, &files);
  }
}

int64_t QuickRecorderImpl::GetRecordTotalTime() const {
  const int64_t total = Clock().recorded_ms;
  KLOG(6) << "record total time:" << total;
  return total;
}

int64_t QuickRecorderImpl::GetRecordedDuration() const {
  const SegmentClock clock = Clock();
  return clock.recorded_ms + clock.RunningMs(base::clock::SteadyMs());
}

void QuickRecorderImpl::NotifyUpdateMicOpenState(bool open, bool keep) {
  std::lock_guard operation(operation_mutex_);
  if (!open && keep) {
    KLOG(3) << "do not close mic when recording";
  } else {
    mic_open_ = open;
    if (auto* audio = engine_->GetAudioCapture()) audio->EnableMicrophone(open);
  }
  ApplyAudioSources();
}

void QuickRecorderImpl::SetupScreenCaptureConfig(int32_t width, int32_t height, int32_t fps) {
  std::lock_guard lock(config_mutex_);
  record_config_.screen_width = width;
  record_config_.screen_height = height;
  record_config_.screen_fps = fps;
}

void QuickRecorderImpl::GetScreenCaptureConfig(int32_t* width, int32_t* height, int32_t* fps) const {
  std::lock_guard lock(config_mutex_);
  if (width) *width = record_config_.screen_width;
  if (height) *height = record_config_.screen_height;
  if (fps) *fps = record_config_.screen_fps;
}

void QuickRecorderImpl::ReSetScreenCaptureConfig(int32_t width, int32_t height, int32_t fps) {
  SetupScreenCaptureConfig(width, height, fps);
  if (auto* video = engine_->GetVideoCapture()) video->SetScreenCaptureConfig({width, height, fps});
}

void QuickRecorderImpl::SetCameraCaptureConfig(int32_t width, int32_t height, int32_t fps) {
  {
    std::lock_guard lock(config_mutex_);
    record_config_.camera_width = width;
    record_config_.camera_height = height;
    record_config_.camera_fps = fps;
  }
  if (auto* video = engine_->GetVideoCapture()) video->SetCameraCaptureConfig(CameraEngineConfig(width, height, fps));
}

void QuickRecorderImpl::GetCameraCaptureConfig(int32_t* width, int32_t* height, int32_t* fps) const {
  std::lock_guard lock(config_mutex_);
  if (width) *width = record_config_.camera_width;
  if (height) *height = record_config_.camera_height;
  if (fps) *fps = record_config_.camera_fps;
}

void QuickRecorderImpl::SetPreviewCaptureConfig(int32_t width, int32_t height, int32_t fps) {
  {
    std::lock_guard lock(config_mutex_);
    preview_config_ = {width, height, fps};
  }
  if (auto* video = engine_->GetVideoCapture()) video->SetPreviewCaptureConfig(CameraEngineConfig(width, height, fps));
}

int32_t QuickRecorderImpl::GetCurrentCaptureFrameRate() const {
  std::lock_guard lock(config_mutex_);
  return record_flags_ == kRecordFlagCamera ? record_config_.camera_fps : record_config_.screen_fps;
}

void QuickRecorderImpl::NotifyWindowMinimize(bool minimized) {
  KLOG(6) << "[QUICK RECORD] recorded window minimized: " << minimized;
  window_minimized_ = minimized;
}

bool QuickRecorderImpl::OpenScreenCapture() {
  auto* video = engine_->GetVideoCapture();
  const int32_t result = video ? video->OpenPreviewCapture() : kvp::av::kErrNoSource;
  if (result == kvp::av::kErrNoSource) KLOG(3) << "[QUICK RECORD] no capture found";
  return result == 0;
}

void QuickRecorderImpl::SetSelectedSource(const base::variant::Variant& source) {
  std::lock_guard lock(config_mutex_);
  selected_source_ = source;
}

void QuickRecorderImpl::NotifyFirstCameraFrameSync() {
  std::lock_guard lock(stats_mutex_);
  if (!stats_.first_camera_frame_ms) stats_.first_camera_frame_ms = base::clock::SteadyMs();
}

void QuickRecorderImpl::NotifyClickStartRecordButton() { click_start_ms_ = base::clock::SteadyMs(); }

std::map<std::string, std::string> QuickRecorderImpl::GetStatistics() const {
  std::lock_guard lock(stats_mutex_);
  return statistics_;
}

void QuickRecorderImpl::GetRecordOutputSize(int32_t* width, int32_t* height) const {
  std::lock_guard lock(config_mutex_);
  if (width) *width = record_config_.output_width;
  if (height) *height = record_config_.output_height;
}

void QuickRecorderImpl::ReStartSpeakerWhenShareAudio() {
  auto* audio = engine_->GetAudioCapture();
  if (!audio) return;
  audio->RemoveAudioSource(kvp::av::AudioSourceKind::kLoopback);
  audio->AddAudioSource({kvp::av::AudioSourceKind::kLoopback, kvp::av::kLoopbackDeviceId});
}

int32_t QuickRecorderImpl::SetSendAttenuation(int32_t db) {
  auto* audio = engine_->GetAudioCapture();
  return audio ? audio->SetAudioProcessing(kvp::av::kAudioSendAttenuation, db) : kvp::av::kErrNotSupported;
}

void QuickRecorderImpl::CheckNeedSaveCoverForCameraMode() {
  if (record_flags_ != kRecordFlagCamera) return;
  {
    std::lock_guard lock(stats_mutex_);
    if (stats_.cover_saved) return;
  }
  SaveCover(nullptr);
}

void QuickRecorderImpl::SaveCover(const kvp::av::FrameImage* image) {
  const std::string path = cover_path();
  if (path.empty()) {
    KLOG(3) << "invalid param, empty cover path when first frame came";
    return;
  }
  auto* recorder = engine_->GetFileRecorder();
  KLOG(6) << "save cover image start, path: " << path;
  int64_t size = 0;
  if (recorder && recorder->SaveCover(image, path, &size) == 0) {
    KLOG(6) << "save cover image success, size:" << size;
    std::lock_guard lock(stats_mutex_);
    stats_.cover_saved = true;
  } else {
    KLOG(1) << "save cover image failed.";
  }
}

void QuickRecorderImpl::OnMediaException(int32_t code, const std::string& message) {
  std::lock_guard operation(operation_mutex_);
  if (GetStateValue() != kRecordStateRecording) return;
  KLOG(1) << "[QUICK RECORD] on error: " << code << " " << message;
  Stop();
  if (code == kvp::av::kErrNoSpace) {
    NotifyError(kOperateMediaFile, kResultNoDisk, kNoDiskSpace);
  } else {
    NotifyError(kOperateMediaFile, code, "unknown exception");
  }
}

void QuickRecorderImpl::OnVideoFrame(const kvp::av::VideoFrameInfo& frame) {
  if (GetStateValue() != kRecordStateRecording) return;
  const int64_t now = base::clock::SteadyMs();
  const int64_t segment_start = Clock().segment_start_ms;
  bool want_cover = false;
  {
    std::lock_guard lock(stats_mutex_);
    if (stats_.total++ == 0) KLOG(6) << "got first frame here";
    if (stats_.last_write_ms) {
      // A frame is late by a share of the frame interval when the gap since the previous one is
      // longer than the interval by that share.
      const int64_t gap = frame.write_ms - stats_.last_write_ms;
      for (auto& [percent, count] : stats_.late) {
        if (gap > late_thresholds_ms_[percent]) ++count;
      }
    }
    stats_.last_write_ms = frame.write_ms;
    if ((frame.content & kvp::av::kFrameHasScreen) && !stats_.first_screen_frame_ms) stats_.first_screen_frame_ms = now;
    if ((frame.content & kvp::av::kFrameHasCamera) && !stats_.first_camera_frame_ms) stats_.first_camera_frame_ms = now;
    const bool complete = (!HasScreen(record_flags_) || (frame.content & kvp::av::kFrameHasScreen)) &&
                          (!HasCamera(record_flags_) || (frame.content & kvp::av::kFrameHasCamera));
    if (!complete) ++stats_.bad;
    // The cover comes from the first frame 1.5 s into the segment, when the picture has settled.
    if (record_flags_ != kRecordFlagCamera && !stats_.cover_frame_seen && now - segment_start >= kCoverDelayMs) {
      stats_.cover_frame_seen = true;
      if (stats_.cover_saved) {
        KLOG(4) << "invalid state, already save cover before first frame";
      } else {
        want_cover = true;
      }
    }
  }
  if (want_cover) SaveCover(frame.image);
}

void QuickRecorderImpl::OnMicrophoneVolume(int32_t volume) { microphone_volume_ = volume; }

void QuickRecorderImpl::OnVideoDeviceEvent(const kvp::av::VideoDeviceEvent& event) {
  if (event.type == kvp::av::VideoDeviceEvent::Type::kWindowStateChanged) {
    uint64_t recorded_window = 0;
    {
      std::lock_guard lock(config_mutex_);
      recorded_window = record_config_.window_id;
    }
    if (event.window_id == recorded_window && recorded_window != 0) {
      NotifyWindowMinimize(event.window_state == kvp::av::WindowState::kMinimized);
    }
    return;
  }
  if (event.type != kvp::av::VideoDeviceEvent::Type::kCaptureActive ||
      event.source == kvp::av::VideoSourceKind::kCamera) {
    return;
  }
  const SegmentClock clock = Clock();
  if (clock.running && event.steady_ms > clock.segment_start_ms) {
    const int64_t delay = event.steady_ms - clock.segment_start_ms;
    KLOG(4) << "active after recorder, may generate black frame, delay ms " << delay;
    base::analytics::LogEventWithProperties("e#meetlog_screen_cap_active_delay", {{"delay", std::to_string(delay)}});
  } else {
    KLOG(6) << "active before recorder";
  }
}

std::map<int32_t, int64_t> QuickRecorderImpl::late_frame_thresholds() const {
  std::lock_guard lock(stats_mutex_);
  return late_thresholds_ms_;
}

std::map<int32_t, uint64_t> QuickRecorderImpl::late_frame_counts() const {
  std::lock_guard lock(stats_mutex_);
  return stats_.late;
}

uint64_t QuickRecorderImpl::total_frames() const {
  std::lock_guard lock(stats_mutex_);
  return stats_.total;
}

void QuickRecorderImpl::NotifyEvent(int32_t event, void* data) {
  if (!listener) {
    KLOG(3) << "[QUICK RECORD] no listener to notify event. event: " << event;
    return;
  }
  KLOG(6) << "[QUICK RECORD] listener to notify event. event: " << event << ", data: " << data;
  listener->OnRecorderEvent(event, data);
}

void QuickRecorderImpl::NotifyError(int32_t operate_type, int32_t result, const std::string& message) {
  kovani_common::utils::error_statistics::ReportError("record", operate_type, result, message);
  if (!listener) {
    KLOG(3) << "[QUICK RECORD] no listener to notify error. operate type: " << operate_type;
    return;
  }
  KLOG(1) << "[QUICK RECORD] notify error. operate type: " << operate_type << ", error: " << result
          << ", msg: " << message;
  listener->OnRecordError(operate_type, result, message);
}

}  // namespace quick_record
