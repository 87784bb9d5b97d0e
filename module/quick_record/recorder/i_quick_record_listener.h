#pragma once

#include <cstdint>
#include <string>

#include "host/sdk/plugin/record_state_type.h"

namespace quick_record {

// Events a recorder sends to its listener (OnRecorderEvent), with the type its data points to.
enum RecorderEvent : int32_t {
  kRecorderEventStarted = 1,        // const RecorderStartedData*
  kRecorderEventRunning = 2,        // const bool* (true)
  kRecorderEventNeedSavePath = 5,   // bool*: the listener answers whether a save directory is set
  kRecorderEventFilesClosed = 11,   // const RecorderFilesData*
};

// Event 1: a recording started or resumed.
struct RecorderStartedData {
  int32_t kind = 2;
  int32_t started = 1;
  uint32_t record_flags = 0;
  bool window_capture = false;
  int32_t width = 0;
  int32_t height = 0;
};

// Event 11: the recorder stopped and closed its files.
struct RecorderFilesData {
  std::string video_path;
  std::string audio_path;
};

// The recorder's one listener (the session's recorder model). Calls come on the thread that ran
// the operation or the engine callback behind them.
class IQuickRecordListener {
 public:
  virtual void OnRecordStateChanged(kovanisdk::plugin::RecordStateType state, bool flag) = 0;
  virtual void OnRecordError(int32_t operate_type, int32_t result, const std::string& message) = 0;
  virtual void OnRecorderEvent(int32_t event, void* data) = 0;
  virtual void OnRecorderNotice(int32_t notice, const std::string& text) = 0;

 protected:
  ~IQuickRecordListener() = default;
};

}  // namespace quick_record
