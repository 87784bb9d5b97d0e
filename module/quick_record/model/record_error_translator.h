#pragma once

#include <cstdint>
#include <string>

#include "host/base/variant/variant.h"

namespace quick_record {

// Turns a recorder error into the description the pages show: {"error_code", "operate_type",
// "message", "biz_type"} and, for the errors a user can act on, the localised "error_title",
// "error_msg" and "operation" from the host string table.
class RecordErrorTranslator {
 public:
  // "biz_type" of errors that come from the local recorder.
  static constexpr int32_t kBizTypeRecorder = 1;

  static base::variant::Variant Translate(int32_t error_code, int32_t operate_type, const std::string& message);
};

}  // namespace quick_record
