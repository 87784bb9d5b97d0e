#pragma once

#include <cstdint>
#include <string>

namespace quick_record {

// What every back-end answer carries besides its data. Each request's result begins with it.
struct QuickRecordResultEnvelope {
  int32_t status_code = 0;  // HTTP status; 0 when no answer arrived
  std::string msg;          // the back end's message, or what went wrong on the way
  int64_t biz_code = 0;     // the back end's business code; 0 is success
  std::string nonce;        // the "nonce" the back end echoed

  // What callers count as success: the back end answered 200 and accepted the request.
  bool IsSucceeded() const { return status_code == 200 && biz_code == 0; }
};

// The result of a request whose data is one value or structure of its own.
template <typename Data>
struct QuickRecordDataResp : QuickRecordResultEnvelope {
  Data data{};
};

}  // namespace quick_record
