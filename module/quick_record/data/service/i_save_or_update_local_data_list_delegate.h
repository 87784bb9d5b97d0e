#pragma once

namespace quick_record {

// Told the outcome of a save of local records. Not owned by the service: it must outlive the
// save it was given to.
class ISaveOrUpdateLocalDataListDelegate {
 public:
  virtual ~ISaveOrUpdateLocalDataListDelegate() = default;
  virtual void OnSaveOrUpdateLocalDataResult(bool success) = 0;
};

}  // namespace quick_record
