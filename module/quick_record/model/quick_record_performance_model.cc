#include "module/quick_record/model/quick_record_performance_model.h"

#include <algorithm>
#include <numeric>

#include "host/app/host_model_ids.h"
#include "host/app/string_table.h"
#include "host/base/analytics/analytics.h"
#include "host/base/logging/logger.h"
#include "host/framework/module/module_service.h"
#include "host/framework/module/resource.h"
#include "host/media/media_engine.h"
#include "host/sdk/plugin/plugin_registry.h"
#include "host/util/deviceinfo.h"
#include "module/quick_record/entry/quick_record_ids.h"
#include "module/quick_record/entry/quick_record_module_runtime.h"
#include "module/quick_record/model/ability_config.h"
#include "module/quick_record/model/quick_record_model.h"
#include "module/quick_record/model/quick_record_recorder_model.h"
#include "module/quick_record/recorder/i_quick_recorder.h"

namespace quick_record {

using base::variant::Variant;

namespace {

size_t Bucket(double rate) { return static_cast<size_t>(std::clamp(static_cast<int>(rate / 10), 0, 9)); }

std::string Text(double value) {
  std::string text = std::to_string(value);
  text.erase(text.find_last_not_of('0') + 1);
  if (!text.empty() && text.back() == '.') text.pop_back();
  return text;
}

}  // namespace

QuickRecordPerformanceModel::QuickRecordPerformanceModel(std::shared_ptr<framework::ModelImpl> recorder_model,
                                                         std::shared_ptr<framework::ModelImpl> session_model,
                                                         CpuRateReader read_cpu)
    : framework::ModelImpl(model_id::kQuickRecordPerformanceModel),
      recorder_model_(std::move(recorder_model)),
      session_model_(std::move(session_model)),
      read_cpu_(read_cpu ? std::move(read_cpu) : CpuRateReader(&util::deviceinfo::GetCpuRates)) {}

QuickRecordPerformanceModel::~QuickRecordPerformanceModel() = default;

void QuickRecordPerformanceModel::Init() {
  framework::ModelImpl::Init();
  if (!recorder_model_) recorder_model_ = ModuleModelOf(model_id::kQuickRecordRecorderModel);
  if (!session_model_) session_model_ = ModuleModelOf(model_id::kQuickRecordModel);
  subscriptions_.Follow(recorder_model_, QuickRecordRecorderModel::kEventRecordStarted, this,
                        &QuickRecordPerformanceModel::OnEventQuickRecordStarted);
  subscriptions_.Follow(recorder_model_, QuickRecordRecorderModel::kEventRecordStateChanged, this,
                        &QuickRecordPerformanceModel::OnEventExitRecord);
  subscriptions_.Follow(session_model_, QuickRecordModel::kEventRecordComplete, this,
                        &QuickRecordPerformanceModel::OnEventQuickRecordComplete);
  subscriptions_.Follow(session_model_, QuickRecordModel::kEventRecordCancelled, this,
                        &QuickRecordPerformanceModel::OnEventCancelRecord);
  subscriptions_.Follow(framework::module::GetAppModuleModel(host::app::kConfigModelId), host::app::kConfigChangedEvent,
                        this, &QuickRecordPerformanceModel::OnConfigChanged);
}

void QuickRecordPerformanceModel::UnInit() {
  subscriptions_.Clear();
  timer_.reset();
  framework::ModelImpl::UnInit();
}

void QuickRecordPerformanceModel::OnEventQuickRecordStarted(const Variant&) { StartMonitor(); }

void QuickRecordPerformanceModel::OnConfigChanged(const Variant& payload) {
  // A new rule applies to the running recording from the next sample on.
  if (payload.GetString("section") == kAbilitySection && payload.GetString("key") == PerformanceAlertConfig::kKey) {
    config_ = PerformanceAlertConfig::Read();
  }
}
void QuickRecordPerformanceModel::OnEventQuickRecordComplete(const Variant&) { EndMonitor(); }
void QuickRecordPerformanceModel::OnEventCancelRecord(const Variant&) { EndMonitor(); }

void QuickRecordPerformanceModel::OnEventExitRecord(const Variant& payload) {
  if (payload.GetInt32("record_state", -1) == kovanisdk::plugin::kRecordStateStopped) EndMonitor();
}

std::shared_ptr<IQuickRecorder> QuickRecordPerformanceModel::Recorder() const {
  std::shared_ptr<IQuickRecorder> recorder;
  kovanisdk::plugin::QueryPluginInterface(kPluginModuleId, kRecorderPluginName, &recorder);
  return recorder;
}

void QuickRecordPerformanceModel::StartMonitor() {
  if (timer_) return;  // a resume keeps the running monitor
  config_ = PerformanceAlertConfig::Read();
  auto* video = kvp::av::GetMediaEngine()->GetVideoCapture();
  cpu_support_ = video && video->SupportsFrameRateAdaptation();
  auto recorder = Recorder();
  const int32_t fps = recorder ? recorder->GetCurrentCaptureFrameRate() : 0;
  show_res_fps_ = fps > 0 && fps <= 15 ? 15 : 30;
  configured_fps_ = fps;
  camera_only_ = recorder && recorder->GetRecordFlags() == kRecordFlagCamera;
  KLOG(6) << "StartMonitor switch " << config_.switch_on << " vorta_cpu_support " << cpu_support_ << " show_res_fps_ "
          << show_res_fps_;
  std::weak_ptr<ModelImpl> weak = weak_from_this();
  timer_ = base::threading::CreateTimer(
      [weak] {
        if (auto self = std::static_pointer_cast<QuickRecordPerformanceModel>(weak.lock())) self->Sample();
      },
      FROM_HERE);
  timer_->Start(kSamplePeriodMs, /*repeating=*/true);
}

void QuickRecordPerformanceModel::EndMonitor() {
  if (!timer_) return;
  timer_->Stop();
  timer_.reset();
  std::map<std::string, std::string> report = {
      {"average_app_cpu_rate", Text(app_count_ ? app_sum_ / app_count_ : 0)},
      {"averate_sys_cpu_rate", Text(sys_count_ ? sys_sum_ / sys_count_ : 0)},
      {"sample_cnt", std::to_string(sys_count_)},
      {"vorta_cpu_support", cpu_support_ ? "1" : "0"},
      {"has_show_sys_busy", has_show_sys_busy_ ? "1" : "0"},
      {"has_show_app_busy", has_show_app_busy_ ? "1" : "0"}};
  for (size_t i = 0; i < app_histogram_.size(); ++i) {
    report["app_cpu_" + std::to_string(i)] = std::to_string(app_histogram_[i]);
    report["sys_cpu_" + std::to_string(i)] = std::to_string(sys_histogram_[i]);
  }
  KLOG(6) << "EndMonitor samples " << sys_count_ << " degradations " << degrade_count_;
  base::analytics::LogEventWithProperties("e#meetlog_video_cpu_monitor", report);
  RestoreConfiguredRate();
  ResetMark();
}

void QuickRecordPerformanceModel::RestoreConfiguredRate() {
  auto recorder = Recorder();
  if (!rate_changed_ || !recorder) return;
  int32_t width = 0;
  int32_t height = 0;
  int32_t fps = 0;
  if (camera_only_) {
    recorder->GetCameraCaptureConfig(&width, &height, &fps);
    recorder->SetCameraCaptureConfig(width, height, configured_fps_);
  } else {
    recorder->GetScreenCaptureConfig(&width, &height, &fps);
    recorder->SetupScreenCaptureConfig(width, height, configured_fps_);
  }
}

void QuickRecordPerformanceModel::ResetMark() {
  samples_.clear();
  app_sum_ = sys_sum_ = 0;
  app_count_ = sys_count_ = 0;
  app_histogram_.fill(0);
  sys_histogram_.fill(0);
  last_app_rate_ = 0;
  degraded_ = false;
  degrade_count_ = 0;
  has_show_sys_busy_ = has_show_app_busy_ = false;
  show_res_fps_ = 30;
  configured_fps_ = 0;
  rate_changed_ = false;
  camera_only_ = false;
}

bool QuickRecordPerformanceModel::Average(size_t count, double* average) const {
  if (count == 0 || samples_.size() < count) return false;
  *average = std::accumulate(samples_.begin(), samples_.begin() + static_cast<std::ptrdiff_t>(count), 0.0) / count;
  return true;
}

void QuickRecordPerformanceModel::Sample() {
  double app = 0;
  double sys = 0;
  if (!read_cpu_(&app, &sys)) return;
  app_sum_ += app;
  sys_sum_ += sys;
  ++app_count_;
  ++sys_count_;
  ++app_histogram_[Bucket(app)];
  ++sys_histogram_[Bucket(sys)];
  last_app_rate_ = app;
  KLOG(6) << "app_cpu_rate " << app << " sys_cpu_rate " << sys << " show_res_fps_ " << show_res_fps_;
  if (!config_.switch_on || !cpu_support_) return;
  samples_.push_front(sys);

  auto recorder = Recorder();
  if (!recorder) return;
  bool degraded_now = false;
  double cpu_for_degrade = 0;
  if (Average(static_cast<size_t>((config_.degrade_time + 1) / 2), &cpu_for_degrade)) {
    const bool need_degrade = cpu_for_degrade > config_.sys_busy;
    KLOG(6) << "cpu_for_degrade " << cpu_for_degrade << " needDegrade " << need_degrade;
    if (need_degrade) degraded_now = TryDegrade(*recorder);
  }
  if (degraded_now) {
    samples_.clear();
    return;
  }
  const bool smooth = degrade_count_ > 0 && degrade_count_ % 2 == 0;
  const int32_t window = smooth ? config_.upgrade_smooth_time : config_.upgrade_time;
  double upgrade_judge_cpu = 0;
  if (!Average(static_cast<size_t>((window + 1) / 2), &upgrade_judge_cpu)) return;
  const bool need_upgrade = upgrade_judge_cpu < config_.sys_free;
  KLOG(6) << " upgrade_judge_cpu_ " << upgrade_judge_cpu << (smooth ? "(smooth 1)" : "(smooth 0) ") << " needUpgrade "
          << need_upgrade;
  if (need_upgrade && TryUpgrade(*recorder)) samples_.clear();
}

const std::vector<int32_t>& QuickRecordPerformanceModel::Ladder() const {
  return show_res_fps_ == 30 ? config_.degrade_30_levels : config_.degrade_15_levels;
}

int32_t QuickRecordPerformanceModel::CurrentFps(IQuickRecorder& recorder) const {
  const int32_t fps = recorder.GetCurrentCaptureFrameRate();
  return fps > 0 ? fps : show_res_fps_;
}

bool QuickRecordPerformanceModel::TryDegrade(IQuickRecorder& recorder) {
  const auto& ladder = Ladder();
  const int32_t current = CurrentFps(recorder);
  if (ladder.empty() || current <= ladder.back()) return false;
  // The highest rung below the current rate.
  const int32_t next = *std::find_if(ladder.begin(), ladder.end(), [&](int32_t fps) { return fps < current; });
  if (!degraded_) {
    degraded_ = true;
    ++degrade_count_;
  }
  ApplyFrameRate(recorder, current, next);
  // When this process itself takes most of what the machine spends, closing other programs will
  // not help: say so once.
  if (!has_show_app_busy_ && last_app_rate_ * 2 > samples_.front()) ShowAppBusyDialog(recorder);
  return true;
}

bool QuickRecordPerformanceModel::TryUpgrade(IQuickRecorder& recorder) {
  const auto& ladder = Ladder();
  const int32_t current = CurrentFps(recorder);
  if (current >= show_res_fps_) return false;
  // The lowest rung above the current rate, else the HD rate itself.
  int32_t next = show_res_fps_;
  for (int32_t fps : ladder) {
    if (fps > current) next = fps;
  }
  degraded_ = false;
  ApplyFrameRate(recorder, current, next);
  return true;
}

void QuickRecordPerformanceModel::ApplyFrameRate(IQuickRecorder& recorder, int32_t old_fps, int32_t new_fps) {
  int32_t width = 0;
  int32_t height = 0;
  int32_t fps = 0;
  rate_changed_ = true;
  if (camera_only_) {
    recorder.GetCameraCaptureConfig(&width, &height, &fps);
    recorder.SetCameraCaptureConfig(width, height, new_fps);
  } else {
    recorder.GetScreenCaptureConfig(&width, &height, &fps);
    recorder.ReSetScreenCaptureConfig(width, height, new_fps);
  }
  KLOG(6) << "capture_fps " << new_fps << " capture_width " << width << " capture_height " << height;
  ShowHdBusyDialog(recorder, old_fps, new_fps);
}

void QuickRecordPerformanceModel::ShowHdBusyDialog(IQuickRecorder& recorder, int32_t old_fps, int32_t new_fps) {
  KLOG(6) << "ShowHdBusyDialog new_fps " << new_fps;
  const bool lowered = new_fps < old_fps;
  if (lowered) has_show_sys_busy_ = true;
  Variant expand = Variant::MakeMap();
  expand.Set("type", lowered ? "degrade" : "upgrade");
  expand.Set("old_fps", old_fps);
  expand.Set("new_fps", new_fps);
  Variant payload = Variant::MakeMap();
  payload.Set("is_camera_mode", recorder.GetRecordFlags() == kRecordFlagCamera);
  payload.Set("expand", std::move(expand));
  payload.Set("msg", framework::Resource::GetInstance()->GetString(lowered ? host::strings::kQuickRecordHdBusyDegraded
                                                                           : host::strings::kQuickRecordHdBusyUpgraded));
  FireEvent(kEventHdBusy, payload);
}

void QuickRecordPerformanceModel::ShowAppBusyDialog(IQuickRecorder& recorder) {
  KLOG(4) << "ShowAppBusyDialog app_cpu_rate " << last_app_rate_;
  has_show_app_busy_ = true;
  Variant expand = Variant::MakeMap();
  expand.Set("type", "app_busy");
  Variant payload = Variant::MakeMap();
  payload.Set("is_camera_mode", recorder.GetRecordFlags() == kRecordFlagCamera);
  payload.Set("expand", std::move(expand));
  payload.Set("msg", framework::Resource::GetInstance()->GetString(host::strings::kQuickRecordAppBusy));
  FireEvent(kEventHdBusy, payload);
}

}  // namespace quick_record
