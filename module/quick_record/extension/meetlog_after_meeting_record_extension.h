#pragma once

#include "host/sdk/kovani/module_extension.h"

namespace quick_record {

// The recordings section of the summary shown after a meeting. It is visible only when its
// content view model says so.
class MeetlogAfterMeetingRecordExtension : public kovani::ModuleExtension {
 public:
  void HandleItem(base::variant::Variant* item) override;
  framework::module::ModuleRuntimeBaseImpl* GetModuleRuntime() override;
  int32_t GetContentViewModelId() const override;
  // Called by the content view model when its list becomes (non-)empty.
  void SetVisible(bool visible);

 private:
  bool visible_ = false;
};

}  // namespace quick_record
