#pragma once

#include "host/framework/module/providers.h"

namespace quick_record {

class QuickRecordViewModelProviderImpl : public framework::ViewModelProviderBaseImpl {
 public:
  explicit QuickRecordViewModelProviderImpl(framework::module::ModuleRuntimeBaseImpl* runtime)
      : framework::ViewModelProviderBaseImpl(runtime) {}

 protected:
  std::shared_ptr<framework::StatefulViewModel> CreateViewModel(int32_t view_model_id) override;
};

}  // namespace quick_record
