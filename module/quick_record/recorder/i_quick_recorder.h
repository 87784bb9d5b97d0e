#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "host/base/variant/variant.h"
#include "host/sdk/plugin/plugin_registry.h"
#include "host/sdk/plugin/record_state_type.h"
#include "host/sdk/record/record_context.h"
#include "module/quick_record/recorder/i_quick_record_listener.h"

namespace quick_record {

// Record flags: bit 0 the screen or a window, bit 1 the camera.
inline constexpr uint32_t kRecordFlagScreen = 1u << 0;
inline constexpr uint32_t kRecordFlagCamera = 1u << 1;

struct QuickRecordStartParams {
  int32_t kind = 2;
  uint32_t record_flags = 0;
  bool mic_enabled = true;
  bool support_full_hd = false;
  // Forwarded to the device service's recording switch.
  bool device_switch = false;
};

// The local recorder service ("plugin:kovaniing_quick_recorder_service").
class IQuickRecorder : public kovanisdk::plugin::PluginInstanceImpl {
 public:
  ~IQuickRecorder() override = default;

  // Starts a recording, or resumes the paused one.
  virtual bool Start(kovanisdk::IRecordContext* context, const QuickRecordStartParams& params) = 0;
  virtual bool Pause() = 0;
  virtual bool Stop() = 0;
  // Asks the record context again (the file paths stay); while recording, re-applies the sources.
  virtual void UpdateConfig() = 0;
  virtual void GetBasePaths(std::vector<std::string>* paths) const = 0;
  virtual void ClearBasePaths() = 0;
  virtual kovanisdk::plugin::RecordStateType GetState() const = 0;
  virtual void QueryVirtualAudioDevice() = 0;
  virtual void OnStateChanged(kovanisdk::plugin::RecordStateType state) = 0;
  // Recorded milliseconds without the running segment.
  virtual int64_t GetRecordTotalTime() const = 0;
  virtual void NotifyUpdateMicOpenState(bool open, bool keep) = 0;
  virtual void SetupScreenCaptureConfig(int32_t width, int32_t height, int32_t fps) = 0;
  virtual void GetScreenCaptureConfig(int32_t* width, int32_t* height, int32_t* fps) const = 0;
  virtual void ReSetScreenCaptureConfig(int32_t width, int32_t height, int32_t fps) = 0;
  virtual void SetCameraCaptureConfig(int32_t width, int32_t height, int32_t fps) = 0;
  virtual void GetCameraCaptureConfig(int32_t* width, int32_t* height, int32_t* fps) const = 0;
  virtual void SetPreviewCaptureConfig(int32_t width, int32_t height, int32_t fps) = 0;
  virtual int32_t GetCurrentCaptureFrameRate() const = 0;
  virtual float GetRecordScore() const = 0;
  virtual void NotifyWindowMinimize(bool minimized) = 0;
  // Recorded milliseconds including the running segment.
  virtual int64_t GetRecordedDuration() const = 0;
  virtual bool OpenScreenCapture() = 0;
  virtual void SetSelectedSource(const base::variant::Variant& source) = 0;
  virtual void NotifyFirstCameraFrameSync() = 0;
  virtual void NotifyClickStartRecordButton() = 0;
  virtual std::map<std::string, std::string> GetStatistics() const = 0;
  virtual void GetRecordOutputSize(int32_t* width, int32_t* height) const = 0;
  virtual uint32_t GetRecordFlags() const = 0;
  virtual bool IsMicOpen() const = 0;
  virtual void SetRecordScore(float score) = 0;
  virtual void ReStartSpeakerWhenShareAudio() = 0;
  // Passes a send attenuation (dB) to the engine's audio processing.
  virtual int32_t SetSendAttenuation(int32_t db) = 0;
  virtual void CheckNeedSaveCoverForCameraMode() = 0;

  // Set directly by the client; not owned.
  IQuickRecordListener* listener = nullptr;
};

}  // namespace quick_record
