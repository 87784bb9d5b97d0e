#pragma once

#include "module/quick_record/cloud/requests/upload/quick_record_upload_complete_info.h"
#include "module/quick_record/cloud/requests/record/record_complete_request_base.h"

namespace quick_record {

// Confirms one uploaded local file as a recording.
class MeetLogUploadFileCompleteRequest : public RecordCompleteRequestBase {
 public:
  void InitData(const QuickRecordUploadCompleteInfo& info);
};

}  // namespace quick_record
