#pragma once

#include "module/quick_record/cloud/requests/upload/meetlog_local_upload_limit_files_info.h"
#include "module/quick_record/cloud/quick_record_cgi_request.h"

namespace quick_record {

// Reads the account's limits of local file uploads: "/v2/meetlog/dashboard/upload_infos".
class MeetlogLocalUploadLimitFilesInfoRequest
    : public QuickRecordCgiRequest<QuickRecordDataResp<MeetlogLocalUploadLimitFilesInfo>> {
 public:
  static constexpr char kPath[] = "/v2/meetlog/dashboard/upload_infos";

  void InitData();

 protected:
  void ParseData(const base::json::JsonValue& json,
                 QuickRecordDataResp<MeetlogLocalUploadLimitFilesInfo>* result) override;
};

}  // namespace quick_record
