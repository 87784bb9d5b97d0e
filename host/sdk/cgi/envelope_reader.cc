#include "host/sdk/cgi/envelope_reader.h"

namespace KOVANI_CGI {

namespace {

Failure FailureOf(base::net::NetError error) {
  using base::net::NetError;
  switch (error) {
    case NetError::kNone:
      return Failure::kNone;
    case NetError::kInvalidRequest:
      return Failure::kInvalidRequest;
    case NetError::kConnectFailed:
      return Failure::kConnectFailed;
    case NetError::kDnsFailure:
      return Failure::kDnsFailure;
    case NetError::kTimedOut:
      return Failure::kTimedOut;
    case NetError::kTlsFailure:
      return Failure::kTlsFailure;
    case NetError::kPlainHttpRefused:
      return Failure::kPlainHttpRefused;
    case NetError::kConnectionClosed:
      return Failure::kConnectionClosed;
    case NetError::kCancelled:
      return Failure::kCancelled;
    case NetError::kResponseTooLarge:
    case NetError::kOther:
      return Failure::kOther;
  }
  return Failure::kOther;
}

}  // namespace

EnvelopeReader::Read EnvelopeReader::FromResponse(const TransportResponse& response) {
  Read read;
  Result& result = read.result;
  result.status_code = response.status;
  if (!response.ok()) {
    result.failure = FailureOf(response.error);
    result.msg = std::string(FailureName(result.failure)) + ": " + response.error_text;
    return read;
  }
  read.json = base::json::JsonValue::Parse(response.body);
  const bool envelope = read.json.IsObject() && read.json["code"].IsInteger();
  if (envelope) {
    result.biz_code = read.json["code"].AsInteger();
    result.msg = read.json["msg"].AsString();
  }
  if (response.status < 200 || response.status > 299) {
    result.failure = Failure::kHttpStatus;
    // An error page may still carry an envelope; its message says more than the status.
    if (!envelope) result.msg = "HTTP " + std::to_string(response.status);
  } else if (response.body.empty()) {
    result.failure = Failure::kEmptyBody;
    result.msg = "the answer has no body (HTTP " + std::to_string(response.status) + ")";
  } else if (!envelope) {
    result.failure = Failure::kInvalidBody;
    result.msg = read.json.IsValid() ? "the answer is JSON but has no integer \"code\""
                                     : "the answer is not JSON";
  }
  read.success = result.failure == Failure::kNone;
  return read;
}

}  // namespace KOVANI_CGI
