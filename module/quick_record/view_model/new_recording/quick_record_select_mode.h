#pragma once

#include <cstdint>

namespace quick_record {

// The recording modes of the settings panel (the session's SelectModeType) and what each of them
// records.
class QuickRecordSelectMode {
 public:
  static constexpr int32_t kScreenAndHead = 1;
  static constexpr int32_t kScreen = 2;
  static constexpr int32_t kHead = 3;

  static bool NeedsScreen(int32_t mode) { return mode == kScreenAndHead || mode == kScreen; }
  static bool NeedsCamera(int32_t mode) { return mode == kScreenAndHead || mode == kHead; }
  // The recorder's capture flags; 0 for an unknown mode.
  static uint32_t RecordFlags(int32_t mode);
  // The mode's name in logs and analytics.
  static const char* Name(int32_t mode);
};

}  // namespace quick_record
