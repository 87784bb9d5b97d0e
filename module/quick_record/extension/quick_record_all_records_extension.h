#pragma once

#include "module/quick_record/extension/record_tab_extension.h"

namespace quick_record {

class QuickRecordAllRecordsExtension : public RecordTabExtension {
 public:
  QuickRecordAllRecordsExtension();
};

}  // namespace quick_record
