#pragma once

#include <string>

#include "host/base/json/json_value.h"
#include "host/sdk/cgi/kovani_signal_request_base.h"
#include "host/sdk/cgi/result.h"
#include "module/quick_record/cloud/quick_record_result_envelope.h"

namespace quick_record {

// What every request class shares, so that a class is only its body and its parse: the signed
// URL and flags, the envelope and "nonce" copied into the result, the failure log line, and the
// one call of the closure per answer.
namespace cgi_request {

// SetUrl of the back end's `path`, the method code, and the common parameters, token and
// signature that every request of the module carries.
void InitSigned(KOVANI_CGI::SignalRequestCore& request, const std::string& path, int method);
// SetBody with the styled text of `body`.
void SetJsonBody(KOVANI_CGI::SignalRequestCore& request, const base::json::JsonValue& body);
void CopyEnvelope(const KOVANI_CGI::Result& result, const base::json::JsonValue& json,
                  QuickRecordResultEnvelope* envelope);
// "request failed:" ",code: " ",msg :", at warning level.
void LogRequestFailed(const QuickRecordResultEnvelope& envelope);
// "request success", or the failure line above.
void LogRequestOutcome(bool ok, const QuickRecordResultEnvelope& envelope);
void LogNoCallback();
// `prefix` and the answer's nonce, then its codes and message: routine on success, a warning
// otherwise.
void LogOutcomeWithNonce(const char* prefix, bool ok, const QuickRecordResultEnvelope& envelope);
// `prefix` and the HTTP status, then business code, message and nonce, as a warning.
void LogStatusFailure(const char* prefix, const QuickRecordResultEnvelope& envelope);
// {"uni_record_id": id}, the whole body of several share requests.
base::json::JsonValue UniRecordIdBody(const std::string& uni_record_id);

}  // namespace cgi_request

template <typename ResultT>
class QuickRecordCgiRequest : public KOVANI_CGI::KovaniSignalRequestBase<void(const ResultT&)> {
 protected:
  static constexpr int kMethodGet = 1;
  static constexpr int kMethodPost = 3;

  void InitPost(const std::string& path, const base::json::JsonValue& body) {
    cgi_request::InitSigned(*this, path, kMethodPost);
    cgi_request::SetJsonBody(*this, body);
  }

  // Before the answer is read, whatever it is: a result may keep what the request knew.
  virtual void PrepareResult(bool transport_success, ResultT* result) {
    (void)transport_success;
    (void)result;
  }
  // Only for an answer the back end accepted; `json` is the whole body.
  virtual void ParseData(const base::json::JsonValue& json, ResultT* result) {
    (void)json;
    (void)result;
  }
  // After the parse, for every answer; `ok` means transport success and business code 0.
  virtual void LogResponse(bool ok, const ResultT& result) {
    if (!ok) cgi_request::LogRequestFailed(result);
  }

 private:
  void HandleBizResponse(bool success, const KOVANI_CGI::Result& host_result, const base::json::JsonValue& json) final {
    ResultT result;
    cgi_request::CopyEnvelope(host_result, json, &result);
    PrepareResult(success, &result);
    const bool ok = success && host_result.biz_code == 0;
    if (ok) ParseData(json, &result);
    LogResponse(ok, result);
    if (!this->closure_) {
      cgi_request::LogNoCallback();
      return;
    }
    this->closure_(result);
  }
};

}  // namespace quick_record
