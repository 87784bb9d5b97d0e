#pragma once

#include "module/quick_record/extension/record_tab_extension.h"

namespace quick_record {

class QuickRecordRecentRecordsExtension : public RecordTabExtension {
 public:
  QuickRecordRecentRecordsExtension();
};

}  // namespace quick_record
