#include "module/quick_record/cloud/requests/message/quick_record_clear_red_dot_request.h"

#include "host/base/logging/logger.h"

namespace quick_record {

void QuickRecordClearRedDotRequest::InitData(const std::string& uni_record_id, const std::string& file_id) {
  cgi_request::InitSigned(*this, kPath, kMethodGet);
  WithAppUid(true);
  AddParams("uni_record_id", uni_record_id);
  AddParams("file_id", file_id);
}

void QuickRecordClearRedDotRequest::LogResponse(bool ok, const QuickRecordResultEnvelope& result) {
  if (ok) {
    KLOG(6) << "request success";
  } else {
    KLOG(3) << "request failed:"
            << ",code: " << result.biz_code << ",msg :" << result.msg << ",nonce: " << result.nonce;
  }
}

}  // namespace quick_record
