#pragma once

#include <cstdint>

namespace kovanisdk::plugin {

// The state of a local recorder.
enum RecordStateType : int32_t {
  kRecordStateStopped = 0,
  kRecordStateStarting = 1,
  kRecordStateRecording = 2,
  kRecordStatePaused = 3,
};

}  // namespace kovanisdk::plugin
