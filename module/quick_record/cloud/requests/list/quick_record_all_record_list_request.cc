#include "module/quick_record/cloud/requests/list/quick_record_all_record_list_request.h"

#include "module/quick_record/cloud/requests/list/record_list_body.h"

namespace quick_record {

void QuickRecordAllRecordListRequest::InitData(const RecordListReq& req) {
  base::json::JsonValue body = RecordListBody::Build(req);
  body.SetJsonObject("first_page", req.is_first_page);
  InitList(kPath, body, req.trace_id);
}

}  // namespace quick_record
