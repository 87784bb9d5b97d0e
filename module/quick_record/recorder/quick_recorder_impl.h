#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "host/base/threading/state_holder.h"
#include "host/base/threading/timer.h"
#include "host/media/media_engine.h"
#include "host/sdk/service/device_service.h"
#include "module/quick_record/recorder/i_quick_recorder.h"
#include "module/quick_record/recorder/recorder_call_bridge.h"

namespace quick_record {

// The local recorder: drives the host media engine to write the raw video, the raw audio and a
// cover into the save directory, keeps the recorder state, the recorded duration and the frame
// statistics, watches the free disk space and reports to one listener.
//
// Threads: operations come from the main thread; engine errors and device events arrive on the
// engine's event thread, frames on its video thread. Start, Pause, Stop, the configuration update
// and the stops that an engine error or the disk timer cause run one at a time (each checks the
// state and changes it as one step). The record configuration, the segment clock and the frame
// statistics each have their own lock, so a reader on any thread sees a whole value. Listener
// calls are made on the thread that runs the operation, with the operation lock held: a listener
// may call back into the recorder on that thread, but must not wait for another thread that does.
class QuickRecorderImpl : public IQuickRecorder,
                          public std::enable_shared_from_this<QuickRecorderImpl>,
                          public base::StateHolder<kovanisdk::plugin::RecordStateType, std::mutex>,
                          public kvp::av::IMediaExceptionListener,
                          public kvp::av::IVideoStreamEventListener,
                          public kvp::av::IAudioStreamEventListener,
                          public kvp::av::IVideoDeviceEventListener,
                          public kovanisdk::IGetVirtualAudioDeviceIdDelegate {
 public:
  // More than this many bytes must be free in the save directory.
  static constexpr int64_t kMinFreeDiskBytes = 524'288'000;
  static constexpr int64_t kDiskCheckPeriodMs = 60'000;
  static constexpr int64_t kCoverDelayMs = 1'500;
  static constexpr char kBaseName[] = "double_click_to_convert_quick_record";

  using DiskSpaceProbe = std::function<int64_t(const std::string& path)>;

  QuickRecorderImpl();
  ~QuickRecorderImpl() override;
  static std::shared_ptr<kovanisdk::plugin::PluginInstanceImpl> Create();

  bool Start(kovanisdk::IRecordContext* context, const QuickRecordStartParams& params) override;
  bool Pause() override;
  bool Stop() override;
  void UpdateConfig() override;
  void GetBasePaths(std::vector<std::string>* paths) const override;
  void ClearBasePaths() override;
  kovanisdk::plugin::RecordStateType GetState() const override { return GetStateValue(); }
  void QueryVirtualAudioDevice() override;
  void OnStateChanged(kovanisdk::plugin::RecordStateType state) override;
  int64_t GetRecordTotalTime() const override;
  void NotifyUpdateMicOpenState(bool open, bool keep) override;
  void SetupScreenCaptureConfig(int32_t width, int32_t height, int32_t fps) override;
  void GetScreenCaptureConfig(int32_t* width, int32_t* height, int32_t* fps) const override;
  void ReSetScreenCaptureConfig(int32_t width, int32_t height, int32_t fps) override;
  void SetCameraCaptureConfig(int32_t width, int32_t height, int32_t fps) override;
  void GetCameraCaptureConfig(int32_t* width, int32_t* height, int32_t* fps) const override;
  void SetPreviewCaptureConfig(int32_t width, int32_t height, int32_t fps) override;
  int32_t GetCurrentCaptureFrameRate() const override;
  float GetRecordScore() const override { return record_score_; }
  void NotifyWindowMinimize(bool minimized) override;
  int64_t GetRecordedDuration() const override;
  bool OpenScreenCapture() override;
  void SetSelectedSource(const base::variant::Variant& source) override;
  void NotifyFirstCameraFrameSync() override;
  void NotifyClickStartRecordButton() override;
  std::map<std::string, std::string> GetStatistics() const override;
  void GetRecordOutputSize(int32_t* width, int32_t* height) const override;
  uint32_t GetRecordFlags() const override { return record_flags_; }
  bool IsMicOpen() const override { return mic_open_; }
  void SetRecordScore(float score) override { record_score_ = score; }
  void ReStartSpeakerWhenShareAudio() override;
  int32_t SetSendAttenuation(int32_t db) override;
  void CheckNeedSaveCoverForCameraMode() override;

  // The calls of kovanisdk/record/recorder_plugin_calls.h, for hosts that drive the recorder.
  bool Call(int32_t method_id, const base::variant::Variant& args, base::variant::Variant* result) override;

  // Engine callbacks.
  void OnMediaException(int32_t code, const std::string& message) override;
  void OnVideoFrame(const kvp::av::VideoFrameInfo& frame) override;
  void OnMicrophoneVolume(int32_t volume) override;
  void OnVideoDeviceEvent(const kvp::av::VideoDeviceEvent& event) override;
  void OnGetVirtualAudioDeviceId(const std::string& device_id) override;

  kovanisdk::RecordConfig record_config() const;
  std::string video_path() const;
  std::string audio_path() const;
  std::string cover_path() const;
  // Late-frame thresholds in milliseconds, keyed by 20, 50 and 100 percent.
  std::map<int32_t, int64_t> late_frame_thresholds() const;
  std::map<int32_t, uint64_t> late_frame_counts() const;
  uint64_t total_frames() const;
  int32_t microphone_volume() const { return microphone_volume_; }
  void SetDiskSpaceProbeForTesting(DiskSpaceProbe probe) { disk_space_ = std::move(probe); }

 private:
  struct FrameStats {
    uint64_t total = 0;
    uint64_t bad = 0;  // frames without the content the record flags ask for
    std::map<int32_t, uint64_t> late = {{20, 0}, {50, 0}, {100, 0}};
    int64_t last_write_ms = 0;
    int64_t first_screen_frame_ms = 0;
    int64_t first_camera_frame_ms = 0;
    bool cover_frame_seen = false;
    bool cover_saved = false;
  };

  // The recorded time: finished segments plus the running one, read and changed as one value.
  struct SegmentClock {
    int64_t segment_start_ms = 0;  // steady milliseconds; the start of the current (or last) segment
    bool running = false;
    int64_t recorded_ms = 0;  // finished segments
    int64_t RunningMs(int64_t now_ms) const { return running ? now_ms - segment_start_ms : 0; }
  };

  kovanisdk::plugin::RecordStateType GetStateValue() const { return base::StateHolder<kovanisdk::plugin::RecordStateType, std::mutex>::GetState(); }
  void SetRecordState(kovanisdk::plugin::RecordStateType state);
  void FillConfigFromContext(bool keep_save_dir);
  void ApplyFilePaths();
  void ApplyRecordConfig(bool support_full_hd);
  bool CheckDiskSpace(bool periodic);
  // Undoes what a start did before the engine refused it: the screen capture and the switch.
  void EndCapture();
  SegmentClock Clock() const;
  void StartDiskCheckTimer();
  void StopDiskCheckTimer();
  void AfterStart();
  void ApplyVideoSources();
  void ApplyAudioSources();
  void ReportStopStatistics(int64_t now_ms);
  void SaveCover(const kvp::av::FrameImage* image);
  void NotifyEvent(int32_t event, void* data);
  void NotifyError(int32_t operate_type, int32_t result, const std::string& message);

  kvp::av::IMediaEngine* engine_;
  DiskSpaceProbe disk_space_;

  // Recursive: a listener may call back on the operation's thread, and a failed disk check
  // inside Start stops the recording.
  mutable std::recursive_mutex operation_mutex_;
  // Under operation_mutex_.
  kovanisdk::IRecordContext* context_ = nullptr;
  bool device_switch_ = false;
  int64_t config_start_ms_ = 0;
  int64_t record_start_wall_s_ = 0;
  std::vector<std::string> media_files_;
  std::shared_ptr<base::threading::Timer> disk_timer_;

  // Read by the frame thread without the operation lock.
  std::atomic<uint32_t> record_flags_{0};
  std::atomic<int64_t> click_start_ms_{0};

  // The record configuration, the file paths and the sources they name.
  mutable std::mutex config_mutex_;
  kovanisdk::RecordConfig record_config_;
  kvp::av::CaptureConfig preview_config_;
  std::string base_path_;
  std::string video_path_;
  std::string audio_path_;
  std::string cover_path_;
  std::vector<std::string> created_base_paths_;
  std::string virtual_audio_device_id_;
  base::variant::Variant selected_source_;

  mutable std::mutex clock_mutex_;
  SegmentClock clock_;

  mutable std::mutex stats_mutex_;
  FrameStats stats_;
  std::map<int32_t, int64_t> late_thresholds_ms_;
  std::map<std::string, std::string> statistics_;

  std::atomic<bool> mic_open_{true};
  std::atomic<bool> window_minimized_{false};
  std::atomic<float> record_score_{-1.0f};
  std::atomic<int32_t> microphone_volume_{0};
  RecorderCallBridge call_bridge_;
};

}  // namespace quick_record
