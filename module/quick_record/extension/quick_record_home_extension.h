#pragma once

#include "host/sdk/kovani/module_extension.h"

namespace quick_record {

// The quick-record entrance on the host's home page.
class QuickRecordHomeExtension : public kovani::ModuleExtension {
 public:
  void HandleItem(base::variant::Variant* item) override;
  framework::module::ModuleRuntimeBaseImpl* GetModuleRuntime() override;
  int32_t GetContentViewModelId() const override;
};

}  // namespace quick_record
