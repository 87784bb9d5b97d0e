#pragma once

#include "host/base/json/json_value.h"
#include "module/quick_record/cloud/requests/list/record_list_req.h"

namespace quick_record {

// The body the all, mine and recent lists share: paging, cover size and the record kinds.
class RecordListBody {
 public:
  static base::json::JsonValue Build(const RecordListReq& req);
};

}  // namespace quick_record
