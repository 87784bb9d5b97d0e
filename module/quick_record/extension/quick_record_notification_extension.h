#pragma once

#include "host/sdk/kovani/module_extension.h"

namespace quick_record {

// The notices tab. It shares position 3 with the my-records tab; its content view model and icons
// belong to the host.
class QuickRecordNotificationExtension : public kovani::TabExtension {
 public:
  void HandleItem(base::variant::Variant* item) override;
  framework::module::ModuleRuntimeBaseImpl* GetModuleRuntime() override;
  int32_t GetContentViewModelId() const override;
  base::variant::Variant GetTabProperties() const override;
};

}  // namespace quick_record
