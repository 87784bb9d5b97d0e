#pragma once

#include <string>

#include "module/quick_record/cloud/quick_record_cgi_request.h"

namespace quick_record {

// The two ways of completing a record on "/v2/record/control/complete" (a recording, an uploaded
// file) share their common keys, the duration rule and the answer's log line.
class RecordCompleteRequestBase : public QuickRecordCgiRequest<QuickRecordResultEnvelope> {
 public:
  static constexpr char kPath[] = "/v2/record/control/complete";

  const std::string& record_id() const { return record_id_; }

 protected:
  struct CommonFields {
    const std::string& record_start_time;
    const std::string& record_id;
    const std::string& file_size;
    const std::string& file_duration;
    const std::string& record_type;
    const std::string& batch_id;
  };
  // The keys both bodies carry; a duration of "0" (unknown) is sent as "5000".
  base::json::JsonValue CommonBody(const CommonFields& fields);
  void Send(const base::json::JsonValue& body);
  void LogResponse(bool ok, const QuickRecordResultEnvelope& result) override;

 private:
  std::string record_id_;
};

}  // namespace quick_record
