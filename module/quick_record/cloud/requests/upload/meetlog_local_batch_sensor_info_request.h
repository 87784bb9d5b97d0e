#pragma once

#include <vector>

#include "module/quick_record/cloud/requests/upload/batch_censor_info_item_resp.h"
#include "module/quick_record/cloud/requests/upload/meetlog_local_batch_sensor_info.h"
#include "module/quick_record/cloud/quick_record_cgi_request.h"

namespace quick_record {

// Has the back end check the names of files to be uploaded:
// "/v2/meetlog/censor/batch-censor-filename". The verdicts come as "data"."files".
class MeetlogLocalBatchSensorInfoRequest
    : public QuickRecordCgiRequest<QuickRecordDataResp<std::vector<BatchCensorInfoItemResp>>> {
 public:
  static constexpr char kPath[] = "/v2/meetlog/censor/batch-censor-filename";

  void InitData(const std::vector<MeetlogLocalBatchSensorInfo>& files);

 protected:
  void ParseData(const base::json::JsonValue& json,
                 QuickRecordDataResp<std::vector<BatchCensorInfoItemResp>>* result) override;
};

}  // namespace quick_record
