#include "module/quick_record/extension/quick_record_my_records_extension.h"

#include "host/app/string_table.h"
#include "module/quick_record/entry/quick_record_ids.h"

namespace quick_record {

QuickRecordMyRecordsExtension::QuickRecordMyRecordsExtension()
    : RecordTabExtension({"QuickRecordMyRecordsExtension", "quick record my record extension init", 3, nullptr, "",
                          host::strings::kQuickRecordMyRecordsTab, ":/images/my_records_tab_normal",
                          nullptr, view_model_id::kQuickRecordMyRecordsViewModel}) {}

}  // namespace quick_record
