#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/base/variant/variant.h"
#include "host/media/media_errors.h"

// Values passed to and from the media engine (docs/media-engine.md).
namespace kvp::av {

// What a recording captures; the numbers are the engine's modes of enable-recording.
enum RecordMode : int32_t {
  kRecordModeNone = 0,
  kRecordModeScreen = 1,  // the screen or window source
  kRecordModeCamera = 2,  // the camera source, full frame
  kRecordModeScreenAndCamera = 3,  // the screen with the camera as a picture-in-picture head
};

// Audio processing switches (SetAudioProcessing).
enum AudioProcessingSwitch : int32_t {
  kAudioSendAttenuation = 6,  // value: attenuation of the microphone in dB (0 = none)
  kAudioEnhancedPreprocess = 8,  // value: 0/1, a high-pass filter that removes hum and DC from the mic
  kAudioSuperWideband = 9,  // value: 0/1, stored and reported; recordings are always 48 kHz
};

// The system-sound capture device.
inline constexpr char kLoopbackDeviceId[] = "device.audio-capture.loopback";
// Ids of the synthetic devices that stand in when the machine has none.
inline constexpr char kTestScreenId[] = "test-screen";
inline constexpr char kTestCameraId[] = "test-camera";
inline constexpr char kTestMicrophoneId[] = "test-microphone";

struct Rect {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
  bool empty() const { return width <= 0 || height <= 0; }
  bool operator==(const Rect& other) const = default;
};

// One item of an encoder preset: a key and a string, integer or double value, e.g.
// {"preset-internal", "ultrafast"}, {"crf", 30}, {"cabac", 0}.
struct EncoderConfigItem {
  std::string key;
  base::variant::Variant value;
};

// How a recording is encoded. Fixed for the files of one recording: a resume that passes other
// values keeps the size the files were started with.
struct RecorderConfig {
  int32_t width = 1920;
  int32_t height = 1080;
  int32_t fps = 30;
  bool full_hd = true;
  std::vector<EncoderConfigItem> encoder_items;
  // Where the camera head goes in mode 3, in output pixels; empty: a quarter-width head at the
  // bottom right.
  std::optional<Rect> camera_rect;
};

// Which streams a recording writes.
struct MediaData {
  bool video = true;
  bool audio = true;
};

// A capture size and rate as set by the recorder (SetScreenCaptureConfig and friends).
struct CaptureConfig {
  int32_t width = 0;
  int32_t height = 0;
  int32_t fps = 0;
  bool operator==(const CaptureConfig& other) const = default;
};

enum class VideoSourceKind : int32_t { kScreen = 1, kWindow = 2, kCamera = 3 };

// A video source of the capture configuration. There is one screen slot (a screen or a window)
// and one camera slot; adding a source replaces the one in its slot.
struct VideoSource {
  VideoSourceKind kind = VideoSourceKind::kScreen;
  // The monitor id (kScreen) or camera device id (kCamera); empty means the primary or default.
  std::string device_id;
  uint64_t window_id = 0;  // kWindow
  bool operator==(const VideoSource& other) const = default;
};

enum class AudioSourceKind : int32_t { kMicrophone = 1, kLoopback = 2 };

struct AudioSource {
  AudioSourceKind kind = AudioSourceKind::kMicrophone;
  // A microphone id (empty: the default) or kLoopbackDeviceId.
  std::string device_id;
  bool operator==(const AudioSource& other) const = default;
};

struct ScreenInfo {
  std::string monitor_uuid;
  std::string name;
  Rect geometry;
  bool primary = false;
  bool synthetic = false;  // the "Test screen" of a machine without a display
  bool operator==(const ScreenInfo& other) const = default;
};

struct DeviceInfo {
  std::string id;
  std::string name;
  bool is_default = false;
  bool synthetic = false;  // "Test camera" or "Test microphone"
  bool operator==(const DeviceInfo& other) const = default;
};

// A frame's pixels, owned by the engine and valid only during the callback that hands it out.
class FrameImage;

// Content bits of a mixed frame.
inline constexpr uint32_t kFrameHasScreen = 1u << 0;
inline constexpr uint32_t kFrameHasCamera = 1u << 1;

// One mixed video frame as it was written.
struct VideoFrameInfo {
  int64_t pts_us = 0;  // on the recording timeline
  int64_t duration_us = 0;
  int64_t due_ms = 0;  // when the frame was due (base::clock::SteadyMs)
  int64_t capture_ms = 0;  // when its content was taken
  int64_t write_ms = 0;  // when its bytes were in the file
  int32_t width = 0;
  int32_t height = 0;
  bool key_frame = false;
  uint32_t content = 0;  // kFrameHas* bits
  const FrameImage* image = nullptr;
};

enum class WindowState : int32_t {
  kMinimized = 1,  // unmapped: no frames are produced
  kRestored = 2,  // mapped again
  kGeometryChanged = 3,  // moved or resized
  kDestroyed = 4,
};

struct VideoDeviceEvent {
  enum class Type : int32_t {
    kCameraAdded = 1,
    kCameraRemoved = 2,
    kDefaultCameraChanged = 3,
    kScreensChanged = 4,
    // The first frame of a source was taken (steady_ms); source tells which.
    kCaptureActive = 5,
    kWindowStateChanged = 6,
  };
  Type type = Type::kCameraAdded;
  DeviceInfo device;  // camera events
  std::string previous_id;  // kDefaultCameraChanged
  VideoSourceKind source = VideoSourceKind::kScreen;  // kCaptureActive
  int64_t steady_ms = 0;
  uint64_t window_id = 0;  // kWindowStateChanged
  WindowState window_state = WindowState::kRestored;
  Rect geometry;  // kWindowStateChanged: the window's rectangle on the screen
};

struct AudioDeviceEvent {
  enum class Type : int32_t { kMicrophoneAdded = 1, kMicrophoneRemoved = 2, kDefaultMicrophoneChanged = 3 };
  Type type = Type::kMicrophoneAdded;
  DeviceInfo device;
  std::string previous_id;  // kDefaultMicrophoneChanged
};

}  // namespace kvp::av
