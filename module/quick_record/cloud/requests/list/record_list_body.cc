#include "module/quick_record/cloud/requests/list/record_list_body.h"

#include <string>

namespace quick_record {

base::json::JsonValue RecordListBody::Build(const RecordListReq& req) {
  base::json::JsonValue body = base::json::JsonValue::Object();
  body.SetJsonObject("last_index", req.last_index);
  body.SetJsonObject("last_uni_record_id", req.last_uni_record_id);
  body.SetJsonObject("page_size", std::to_string(req.page_size));
  body.SetJsonObject("cover_image_type", "mid");
  // "record_type" is what older back ends read; "record_type_v2" adds uploaded files.
  switch (req.record_method_type) {
    case 0:
      body.SetJsonObject("record_type", "fast_record|cloud_record");
      body.SetJsonObject("record_type_v2", "fast_record|cloud_record|user_upload");
      break;
    case 1:
      body.SetJsonObject("record_type", "cloud_record");
      body.SetJsonObject("record_type_v2", "cloud_record");
      break;
    case 2:
      body.SetJsonObject("record_type", "fast_record");
      body.SetJsonObject("record_type_v2", "fast_record|user_upload");
      break;
    default:
      break;
  }
  return body;
}

}  // namespace quick_record
