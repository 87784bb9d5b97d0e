#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>

#include "host/base/threading/timer.h"
#include "host/framework/model/model_impl.h"
#include "module/quick_record/model/model_subscriptions.h"
#include "module/quick_record/model/performance_alert_config.h"

namespace quick_record {

class IQuickRecorder;

// The performance monitor: while a recording runs it samples the application's and the system's
// CPU rates every 2 s, lowers the capture frame rate along the configured ladder when the system
// stays busy and raises it again when it has room, telling the view each time; at the end it
// reports the averages and histograms.
//
// Main thread. Monitor states: stopped -> running (recording started) -> stopped (complete, exit,
// cancel) [StartMonitor / EndMonitor].
class QuickRecordPerformanceModel : public framework::ModelImpl {
 public:
  static constexpr int32_t kEventHdBusy = 623402923;  // {"is_camera_mode", "expand", "msg"}
  static constexpr int64_t kSamplePeriodMs = 2000;

  // Percentages 0..100 of the whole machine: this process and everything; false when unknown.
  using CpuRateReader = std::function<bool(double* app_rate, double* system_rate)>;

  // Arguments for tests; by default the module's models and the host's /proc reading.
  QuickRecordPerformanceModel(std::shared_ptr<framework::ModelImpl> recorder_model = nullptr,
                              std::shared_ptr<framework::ModelImpl> session_model = nullptr,
                              CpuRateReader read_cpu = nullptr);
  ~QuickRecordPerformanceModel() override;

  void Init() override;
  void UnInit() override;

  void OnEventQuickRecordStarted(const base::variant::Variant& payload);
  void OnEventQuickRecordComplete(const base::variant::Variant& payload);
  void OnEventExitRecord(const base::variant::Variant& payload);
  void OnEventCancelRecord(const base::variant::Variant& payload);

  bool monitor_running() const { return timer_ != nullptr; }
  int32_t degrade_count() const { return degrade_count_; }
  bool degraded() const { return degraded_; }
  const PerformanceAlertConfig& alert_config() const { return config_; }

 private:
  void OnConfigChanged(const base::variant::Variant& payload);
  void StartMonitor();
  void EndMonitor();
  void ResetMark();
  void RestoreConfiguredRate();
  void Sample();
  // The average of the newest `count` samples; false while fewer exist.
  bool Average(size_t count, double* average) const;
  bool TryDegrade(IQuickRecorder& recorder);
  bool TryUpgrade(IQuickRecorder& recorder);
  void ApplyFrameRate(IQuickRecorder& recorder, int32_t old_fps, int32_t new_fps);
  void ShowHdBusyDialog(IQuickRecorder& recorder, int32_t old_fps, int32_t new_fps);
  void ShowAppBusyDialog(IQuickRecorder& recorder);
  const std::vector<int32_t>& Ladder() const;
  int32_t CurrentFps(IQuickRecorder& recorder) const;
  std::shared_ptr<IQuickRecorder> Recorder() const;

  std::shared_ptr<framework::ModelImpl> recorder_model_;
  std::shared_ptr<framework::ModelImpl> session_model_;
  CpuRateReader read_cpu_;
  ModelSubscriptions subscriptions_;
  std::shared_ptr<base::threading::Timer> timer_;  // exists while the monitor runs

  PerformanceAlertConfig config_;
  bool cpu_support_ = false;
  std::deque<double> samples_;  // system rates, newest first
  double app_sum_ = 0;
  double sys_sum_ = 0;
  int64_t app_count_ = 0;
  int64_t sys_count_ = 0;
  std::array<int64_t, 10> app_histogram_{};
  std::array<int64_t, 10> sys_histogram_{};
  double last_app_rate_ = 0;
  bool degraded_ = false;
  int32_t degrade_count_ = 0;
  bool has_show_sys_busy_ = false;
  bool has_show_app_busy_ = false;
  int32_t show_res_fps_ = 30;  // the HD rate of the recording: 30 or 15
  // The capture rate the settings asked for, given back at the end so that the next recording
  // does not start at a rate this one's load forced.
  int32_t configured_fps_ = 0;
  bool rate_changed_ = false;
  bool camera_only_ = false;
};

}  // namespace quick_record
