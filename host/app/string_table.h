#pragma once

#include <cstdint>

// Ids of the host string table entries that modules show. Texts come from the host, never from a
// module, so that one table holds every language.
namespace host::strings {

constexpr uint32_t kQuickRecordAllRecordsTab = 0x5e1f2a01;
constexpr uint32_t kQuickRecordRecentRecordsTab = 0x5e1f2a02;
constexpr uint32_t kQuickRecordMyRecordsTab = 0x5e1f2a03;
constexpr uint32_t kQuickRecordNotificationTab = 0x5e1f2a04;
// Followed by the screen's 1-based number.
constexpr uint32_t kQuickRecordScreenTitle = 0x5e1f2a05;

// Loads the built-in English texts into framework::Resource.
void LoadDefaultStringTable();

}  // namespace host::strings
