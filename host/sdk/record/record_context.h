#pragma once

#include <cstdint>
#include <string>

#include "host/base/variant/variant.h"

namespace kovanisdk {

// What a local recording captures and where it goes. The record context fills the first part; the
// recorder derives the rest.
struct RecordConfig {
  std::string save_dir;
  // The raw capture sizes and rates asked for (0: not set).
  int32_t screen_width = 0;
  int32_t screen_height = 0;
  int32_t screen_fps = 0;
  int32_t camera_width = 0;
  int32_t camera_height = 0;
  int32_t camera_fps = 0;
  // The screen selection: a window when window_id is not 0, else the monitor (empty: primary).
  std::string monitor_id;
  uint64_t window_id = 0;
  std::string camera_device_id;      // empty: the default camera
  std::string microphone_device_id;  // empty: the default microphone
  bool capture_system_sound = true;
  // The floating camera window's area in output pixels ({"x", "y", "width", "height"}); where the
  // camera head goes when screen and camera are recorded together. Null: the engine's default.
  base::variant::Variant float_window_area;

  // Derived by the recorder.
  int32_t output_width = 0;
  int32_t output_height = 0;
  bool full_hd = false;
  uint32_t frame_rate = 30;
};

// Supplies a recorder with its configuration (implemented by the session's recorder model).
class IRecordContext {
 public:
  // Fills the fields of the first part of `config`.
  virtual void FillRecordConfig(RecordConfig* config) = 0;
  // How the recording is laid out, for the recorder's statistics.
  virtual base::variant::Variant GetRecordLayoutInfo() = 0;

 protected:
  ~IRecordContext() = default;
};

}  // namespace kovanisdk
