#pragma once

#include <string>

#include "module/quick_record/cloud/quick_record_result_envelope.h"

namespace quick_record {

// The answer to a cancel, with the record it was about and whether the back end answered at all.
struct QuickRecordCancelRecordResult : QuickRecordResultEnvelope {
  std::string record_id;
  bool success = false;
};

}  // namespace quick_record
