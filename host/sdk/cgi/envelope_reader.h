#pragma once

#include "host/base/json/json_value.h"
#include "host/sdk/cgi/request_transport.h"
#include "host/sdk/cgi/result.h"

namespace KOVANI_CGI {

// Reads the answer envelope {"code", "msg", "nonce", "data"} out of a transport response.
class EnvelopeReader {
 public:
  struct Read {
    bool success = false;  // a 2xx answer whose body is a JSON object with an integer "code"
    Result result;
    base::json::JsonValue json;  // the whole body; null when it is not JSON
  };
  static Read FromResponse(const TransportResponse& response);
};

}  // namespace KOVANI_CGI
