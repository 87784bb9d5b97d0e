#include "module/quick_record/extension/quick_record_recent_records_extension.h"

#include "host/app/string_table.h"
#include "module/quick_record/entry/quick_record_ids.h"

namespace quick_record {

QuickRecordRecentRecordsExtension::QuickRecordRecentRecordsExtension()
    : RecordTabExtension({"QuickRecordRecentRecordsExtension", "quick record recent record extension init", 2, "quick_record_recent_tab_enable", "quick record recent tab enable ",
                          host::strings::kQuickRecordRecentRecordsTab, ":/images/recent_records_tab_normal",
                          nullptr, view_model_id::kQuickRecordRecentRecordsViewModel}) {}

}  // namespace quick_record
