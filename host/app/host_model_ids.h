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

// The signed-in state. auth_state: 0 signed out, 2 authorized; auth_type 1 is a token.
constexpr int32_t kAuthModelId = 504;
constexpr int32_t kAuthGetState = 1;  // -> {"auth_state", "auth_type", "app_uid"}
constexpr int32_t kAuthStateChangedEvent = 1;  // {"auth_state", "auth_type", "source"}
constexpr int32_t kAuthStateSignedOut = 0;
constexpr int32_t kAuthStateAuthorized = 2;

}  // namespace host::app
