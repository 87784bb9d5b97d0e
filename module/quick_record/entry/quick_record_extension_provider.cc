#include "module/quick_record/entry/quick_record_extension_provider.h"

#include <map>
#include <string>

#include "module/quick_record/extension/meetlog_after_meeting_record_extension.h"
#include "module/quick_record/extension/meetlog_historical_meeting_detail_extension.h"
#include "module/quick_record/extension/quick_record_all_records_extension.h"
#include "module/quick_record/extension/quick_record_home_extension.h"
#include "module/quick_record/extension/quick_record_my_records_extension.h"
#include "module/quick_record/extension/quick_record_notification_extension.h"
#include "module/quick_record/extension/quick_record_recent_records_extension.h"

namespace quick_record {
namespace {

using Extension = std::shared_ptr<framework::extension::ExtensionImpl>;

template <typename T>
Extension Make() {
  return std::make_shared<T>();
}

}  // namespace

Extension QuickRecordExtensionProvider::CreateExtension(const framework::ExtensionBuilderParam& param) {
  static const std::map<std::string, Extension (*)()> kExtensions = {
      {"extension:quick_record.tab_all_records", &Make<QuickRecordAllRecordsExtension>},
      {"extension:quick_record.tab_recent_records", &Make<QuickRecordRecentRecordsExtension>},
      {"extension:quick_record.tab_my_records", &Make<QuickRecordMyRecordsExtension>},
      {"extension:quick_record.tab_notification", &Make<QuickRecordNotificationExtension>},
      {"extension:quick_record.entrance_home_extension", &Make<QuickRecordHomeExtension>},
      {"extension:record.historical_meeting", &Make<MeetlogHistoricalMeetingDetailExtension>},
      {"extension:after_meeting.record", &Make<MeetlogAfterMeetingRecordExtension>},
  };
  auto it = kExtensions.find(param.extension_name);
  return it == kExtensions.end() ? nullptr : it->second();
}

}  // namespace quick_record
