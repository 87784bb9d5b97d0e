#pragma once

#include "module/quick_record/cloud/requests/record/quick_record_complete_record_info.h"
#include "module/quick_record/cloud/requests/record/record_complete_request_base.h"

namespace quick_record {

// Tells the back end that a recording's video is uploaded and describes the file.
class QuickRecordCompleteRecordRequest : public RecordCompleteRequestBase {
 public:
  void InitData(const QuickRecordCompleteRecordInfo& info);
};

}  // namespace quick_record
