#include "host/media/devices/device_list_diff.h"

#include <algorithm>

namespace kvp::av {

namespace {

bool HasId(const std::vector<DeviceInfo>& devices, const std::string& id) {
  return std::any_of(devices.begin(), devices.end(), [&](const DeviceInfo& d) { return d.id == id; });
}

DeviceInfo DefaultOf(const std::vector<DeviceInfo>& devices) {
  auto it = std::find_if(devices.begin(), devices.end(), [](const DeviceInfo& d) { return d.is_default; });
  return it == devices.end() ? DeviceInfo{} : *it;
}

}  // namespace

DeviceListChanges DiffDeviceLists(const std::vector<DeviceInfo>& before, const std::vector<DeviceInfo>& after) {
  DeviceListChanges changes;
  for (const auto& device : after) {
    if (!HasId(before, device.id)) changes.added.push_back(device);
  }
  for (const auto& device : before) {
    if (!HasId(after, device.id)) changes.removed.push_back(device);
  }
  const DeviceInfo old_default = DefaultOf(before);
  changes.new_default = DefaultOf(after);
  changes.default_changed = old_default.id != changes.new_default.id;
  changes.previous_default_id = old_default.id;
  return changes;
}

}  // namespace kvp::av
