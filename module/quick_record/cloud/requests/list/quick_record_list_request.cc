#include "module/quick_record/cloud/requests/list/quick_record_list_request.h"

#include "module/quick_record/cloud/requests/list/record_list_body.h"

namespace quick_record {

void QuickRecordListRequest::InitData(const RecordListReq& req) {
  base::json::JsonValue body = RecordListBody::Build(req);
  body.SetJsonObject("first_page", req.is_first_page);
  body.SetJsonObject("sort_by", "uni_record_id");
  InitList(kPath, body, req.trace_id);
}

}  // namespace quick_record
