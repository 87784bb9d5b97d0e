#include "module/quick_record/entry/quick_record_model_provider.h"

#include "module/quick_record/entry/model_registry.h"

namespace quick_record {

std::shared_ptr<framework::ModelImpl> QuickRecordModelProvider::CreateModel(int32_t model_id) {
  return CreateModelById(model_id);
}

}  // namespace quick_record
