#include "module/quick_record/entry/quick_record_view_model_provider_impl.h"

#include "module/quick_record/entry/view_model_registry.h"

namespace quick_record {

std::shared_ptr<framework::StatefulViewModel> QuickRecordViewModelProviderImpl::CreateViewModel(int32_t view_model_id) {
  return QuickRecordViewModelBuilder::Build(view_model_id);
}

}  // namespace quick_record
