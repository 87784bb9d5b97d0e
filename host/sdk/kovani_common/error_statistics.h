#pragma once

#include <cstdint>
#include <string>

// The host's error statistics: failures that a product team counts, by category. Each report is
// logged and sent as the analytics event "e#error_statistics#<category>#report" with the
// properties "operate_type", "result" and "message".
namespace kovani_common::utils::error_statistics {

void ReportError(const std::string& category, int32_t operate_type, int64_t result, const std::string& message);

}  // namespace kovani_common::utils::error_statistics
