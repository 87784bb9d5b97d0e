#pragma once

#include <cstdint>

// Host application models that modules reach by id, with their operations and events.
namespace host::app {

// The user-configuration store: values by key, per signed-in user.
constexpr int32_t kUserConfigModelId = 517;
constexpr int32_t kUserConfigGet = 1;  // {"section" (optional), "key", "def_value"} -> the value or def_value
constexpr int32_t kUserConfigSet = 2;  // {"key", "value"}
constexpr int32_t kUserConfigChangedEvent = 1;  // {"key"}

// The host configuration: values by section and key, changed at run time.
constexpr int32_t kConfigModelId = 539;
constexpr int32_t kConfigGetValue = 1;    // {"section", "key", "def_value"} -> the value or def_value
constexpr int32_t kConfigSetValue = 2;    // {"section", "key", "value"}
constexpr int32_t kConfigGetSection = 3;  // {"section"} -> the section's map
constexpr int32_t kConfigChangedEvent = 1;  // {"section", "key"}

}  // namespace host::app
