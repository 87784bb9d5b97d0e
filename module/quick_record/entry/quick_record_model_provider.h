#pragma once

#include "host/framework/module/providers.h"

namespace quick_record {

class QuickRecordModelProvider : public framework::ModelProviderBaseImpl {
 public:
  explicit QuickRecordModelProvider(framework::module::ModuleRuntimeBaseImpl* runtime)
      : framework::ModelProviderBaseImpl(runtime) {}

 protected:
  std::shared_ptr<framework::ModelImpl> CreateModel(int32_t model_id) override;
};

}  // namespace quick_record
