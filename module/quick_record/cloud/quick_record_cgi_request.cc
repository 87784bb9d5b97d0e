#include "module/quick_record/cloud/quick_record_cgi_request.h"

#include "host/base/logging/logger.h"
#include "host/sdk/cgi/cgi_url.h"

namespace quick_record::cgi_request {

void InitSigned(KOVANI_CGI::SignalRequestCore& request, const std::string& path, int method) {
  request.SetUrl(kovanisdk::utils::cgi::MakeCgiCommonUrlPath(path));
  request.SetMethod(method);
  request.WithCommonParams(true);
  request.WithToken(true);
  request.WithSign(true);
}

void SetJsonBody(KOVANI_CGI::SignalRequestCore& request, const base::json::JsonValue& body) {
  request.SetBody(body.ToStyledString());
}

void CopyEnvelope(const KOVANI_CGI::Result& result, const base::json::JsonValue& json,
                  QuickRecordResultEnvelope* envelope) {
  envelope->status_code = result.status_code;
  envelope->msg = result.msg;
  envelope->biz_code = result.biz_code;
  envelope->nonce = json["nonce"].AsString();
}

void LogRequestFailed(const QuickRecordResultEnvelope& envelope) {
  KLOG(3) << "request failed:"
          << ",code: " << envelope.biz_code << ",msg :" << envelope.msg;
}

void LogRequestOutcome(bool ok, const QuickRecordResultEnvelope& envelope) {
  if (ok) {
    KLOG(6) << "request success";
  } else {
    LogRequestFailed(envelope);
  }
}

void LogNoCallback() { KLOG(1) << "not set callback"; }

void LogOutcomeWithNonce(const char* prefix, bool ok, const QuickRecordResultEnvelope& envelope) {
  KLOG(ok ? 6 : 3) << prefix << envelope.nonce << ",status_code=" << envelope.status_code
                   << ",biz_code=" << envelope.biz_code << ",msg=" << envelope.msg;
}

void LogStatusFailure(const char* prefix, const QuickRecordResultEnvelope& envelope) {
  KLOG(3) << prefix << envelope.status_code << ",biz_code=" << envelope.biz_code << ",msg=" << envelope.msg
          << ",nonce=" << envelope.nonce;
}

base::json::JsonValue UniRecordIdBody(const std::string& uni_record_id) {
  base::json::JsonValue body = base::json::JsonValue::Object();
  body.SetJsonObject("uni_record_id", uni_record_id);
  return body;
}

}  // namespace quick_record::cgi_request
