#include "host/sdk/kovani_common/error_statistics.h"

#include "host/base/analytics/analytics.h"
#include "host/base/logging/logger.h"

namespace kovani_common::utils::error_statistics {

void ReportError(const std::string& category, int32_t operate_type, int64_t result, const std::string& message) {
  KLOG(4) << "error statistics [" << category << "] operate_type=" << operate_type << " result=" << result << " "
          << message;
  base::analytics::LogEventWithProperties("e#error_statistics#" + category + "#report",
                                          {{"operate_type", std::to_string(operate_type)},
                                           {"result", std::to_string(result)},
                                           {"message", message}});
}

}  // namespace kovani_common::utils::error_statistics
