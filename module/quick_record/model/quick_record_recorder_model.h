#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "host/base/variant/variant.h"
#include "host/framework/model/model_impl.h"
#include "host/sdk/record/record_context.h"
#include "module/quick_record/recorder/i_quick_record_listener.h"
#include "module/quick_record/recorder/i_quick_recorder.h"

namespace quick_record {

// The session's link to the recorder service: its listener and record context. Starts, pauses,
// resumes and stops it, prepares a fresh save directory for each recording, and republishes the
// recorder's state, errors and "started" event as model events.
//
// Model calls run on the main thread. Recorder callbacks are republished at once on the thread
// the recorder calls them on (an engine error stops the recording on the engine's thread).
class QuickRecordRecorderModel : public framework::ModelImpl,
                                 public IQuickRecordListener,
                                 public kovanisdk::IRecordContext {
 public:
  // Methods.
  static constexpr int32_t kInvokeFuncStartRecord = 0x191b6974;  // {"record_flags", "audio_enable", ...}
  static constexpr int32_t kInvokePauseRecord = 0x19c46780;
  static constexpr int32_t kInvokeStopRecord = 0x1d691057;
  static constexpr int32_t kInvokeFuncGetRecordState = 0x05052af8;  // -> state number
  static constexpr int32_t kInvokeFuncUpdateMicOpenState = 0x0fb9c581;  // {"mic_open", "from_main_pannel"}
  static constexpr int32_t kInvokeResumeRecord = 0x18f90bdc;  // {"enable_mic"}
  static constexpr int32_t kInvokeEnableShareAudio = 0x29c10b38;  // {"enable_share_audio"}
  static constexpr int32_t kInvokeFuncGetLocalAudioVolume = 0x2d97a8ff;  // -> {"volume"}
  static constexpr int32_t kInvokeSetSelectedWindow = 0x1a1e8e00;  // {"monitor_id"} or {"window_id"}
  static constexpr int32_t kInvokeReapplyVideoSources = 0x088279e6;
  static constexpr int32_t kInvokeGetRecordingSwitch = 0x3529deb8;  // -> bool
  // The camera window filter is the floating camera head's area ("float_window_area" of the start
  // arguments): where the camera is laid over the screen and kept out of the screen picture.
  static constexpr int32_t kInvokeClearCameraWindowFilter = 0x3f9f9696;

  // Events.
  static constexpr int32_t kEventRecordStateChanged = 874379440;  // {"record_state", "record_type" 2, "is_owner"}
  static constexpr int32_t kEventRecordError = 85266948;  // {"result", "message", "operate_type"}
  static constexpr int32_t kEventRecordStarted = 345901703;  // {"record_flag", "is_window_capture", "width", "height"}
  static constexpr int32_t kEventPaused = 633731802;
  static constexpr int32_t kEventResumeRequested = 0x11309f0f;

  static constexpr int32_t kRecordTypeQuickRecord = 2;
  static constexpr char kSavePathKey[] = "meeting.record.save_path";
  static constexpr char kSaveFullPathKey[] = "meeting.record.save_full_path";
  static constexpr char kWriteProbeName[] = "kovani_record_write_permission_tmp";

  QuickRecordRecorderModel();
  ~QuickRecordRecorderModel() override;

  // IRecordContext: fields this model has not set keep the recorder's values.
  void FillRecordConfig(kovanisdk::RecordConfig* config) override;
  base::variant::Variant GetRecordLayoutInfo() override;

  // IQuickRecordListener.
  void OnRecordStateChanged(kovanisdk::plugin::RecordStateType state, bool flag) override;
  void OnRecordError(int32_t operate_type, int32_t result, const std::string& message) override;
  void OnRecorderEvent(int32_t event, void* data) override;
  void OnRecorderNotice(int32_t, const std::string&) override {}

  // Makes the dated save directory of a new recording; false when it cannot be written.
  bool PrepareSaveDirectory();
  const kovanisdk::RecordConfig& config() const { return config_; }

 private:
  std::shared_ptr<IQuickRecorder> Recorder() const;
  bool InvokeFuncStartRecord(const base::variant::Variant& args, base::variant::Variant* result);
  bool InvokeResumeRecord(const base::variant::Variant& args, base::variant::Variant* result);
  void ReapplyVideoSources();

  // The recorder the constructor attached to; the plug-in registry owns it.
  std::weak_ptr<IQuickRecorder> recorder_;
  kovanisdk::RecordConfig config_;
  uint32_t record_flags_ = 0;
  bool support_full_hd_ = false;
  // Forwarded to the device service's recording switch in the start parameters.
  bool recording_switch_ = false;
};

}  // namespace quick_record
