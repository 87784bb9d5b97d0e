#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace qrhost {

// What `qrhost record` was asked for.
struct RecordOptions {
  // The recording mode of the settings panel: 1 screen and camera, 2 screen only, 3 camera only.
  int32_t mode = 2;
  std::string monitor_id;  // --screen; empty: the default screen
  uint64_t window_id = 0;  // --window
  std::string title;
  double seconds = 0;  // --seconds; 0: until Enter (without a terminal: kDefaultSeconds)
  bool mic = true;
  bool json = false;

  static constexpr double kDefaultSeconds = 5;
};

// Parses the options after "record"; false (with a one-line message on `err`) for anything it
// does not know, a bad value, or two sources at once.
bool ParseRecordOptions(const std::vector<std::string>& args, RecordOptions* options, std::ostream& err);

}  // namespace qrhost
