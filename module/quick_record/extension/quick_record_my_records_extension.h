#pragma once

#include "module/quick_record/extension/record_tab_extension.h"

namespace quick_record {

class QuickRecordMyRecordsExtension : public RecordTabExtension {
 public:
  QuickRecordMyRecordsExtension();
};

}  // namespace quick_record
