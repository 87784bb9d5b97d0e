#pragma once

#include <optional>
#include <string>
#include <vector>

#include "host/media/media_types.h"

namespace kvp::av {

// How a device list changed between two looks: what came, what went, and whether the default
// device is another one now.
struct DeviceListChanges {
  std::vector<DeviceInfo> added;
  std::vector<DeviceInfo> removed;
  bool default_changed = false;
  std::string previous_default_id;  // empty when there was none
  DeviceInfo new_default;  // empty id when there is none

  bool empty() const { return added.empty() && removed.empty() && !default_changed; }
};

DeviceListChanges DiffDeviceLists(const std::vector<DeviceInfo>& before, const std::vector<DeviceInfo>& after);

}  // namespace kvp::av
