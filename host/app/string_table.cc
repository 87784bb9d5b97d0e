#include "host/app/string_table.h"

#include <utility>

#include "host/framework/module/resource.h"

namespace host::strings {

void LoadDefaultStringTable() {
  static const std::pair<uint32_t, const char*> kTexts[] = {
      {kQuickRecordAllRecordsTab, "All"},
      {kQuickRecordRecentRecordsTab, "Recent"},
      {kQuickRecordMyRecordsTab, "My recordings"},
      {kQuickRecordNotificationTab, "Notifications"},
      {kQuickRecordScreenTitle, "Screen "},
  };
  auto* resource = framework::Resource::GetInstance();
  for (const auto& [id, text] : kTexts) resource->SetString(id, text);
}

}  // namespace host::strings
