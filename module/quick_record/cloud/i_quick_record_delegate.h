#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "module/quick_record/cloud/requests/record/quick_record_start_record_result.h"

namespace quick_record {

// Told by the cloud service of what concerns the recording session (the recording model).
class IQuickRecordDelegate {
 public:
  // The only request type reported through OnRequestError and OnRequestComplete.
  static constexpr int32_t kRequestTypeCancel = 2;

  virtual ~IQuickRecordDelegate() = default;
  // A new upload signature.
  virtual void OnSigRefresh(const std::string& signature) = 0;
  virtual void OnStartQuickRecordAuthResponse(const std::shared_ptr<QuickRecordStartRecordResult>& result) = 0;
  virtual void OnRequestError(int32_t type, int64_t error_code, const std::string& message,
                              const std::string& record_id) = 0;
  virtual void OnRequestComplete(int32_t type, const std::string& record_id) = 0;
};

}  // namespace quick_record
