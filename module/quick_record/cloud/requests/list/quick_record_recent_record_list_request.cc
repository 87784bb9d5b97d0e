#include "module/quick_record/cloud/requests/list/quick_record_recent_record_list_request.h"

#include "module/quick_record/cloud/requests/list/record_list_body.h"

namespace quick_record {

void QuickRecordRecentRecordListRequest::InitData(const RecordListReq& req) {
  base::json::JsonValue body = RecordListBody::Build(req);
  // The recent list pages by the time of the last view, which the cursor carries.
  body.SetJsonObject("first_timestamp", req.last_index);
  InitList(kPath, body, req.trace_id);
}

}  // namespace quick_record
