#include "module/quick_record/extension/quick_record_all_records_extension.h"

#include "host/app/string_table.h"
#include "module/quick_record/entry/quick_record_ids.h"

namespace quick_record {

QuickRecordAllRecordsExtension::QuickRecordAllRecordsExtension()
    : RecordTabExtension({"QuickRecordAllRecordsExtension", "quick record all record extension init", 1, "quick_record_all_tab_enable", "quick record all tab enable ",
                          host::strings::kQuickRecordAllRecordsTab, ":/images/all_records_tab_normal",
                          "quick_record_home://quick_record.tab.all_record_file_digital_red_dot", view_model_id::kQuickRecordAllRecordsViewModel}) {}

}  // namespace quick_record
