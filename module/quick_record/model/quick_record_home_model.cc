#include "module/quick_record/model/quick_record_home_model.h"

#include "module/quick_record/entry/quick_record_ids.h"

namespace quick_record {

using base::variant::Variant;

QuickRecordHomeModel::QuickRecordHomeModel() : framework::ModelImpl(model_id::kQuickRecordHomeModel) {
  BindMethod(kInvokeOpenNewRecordPage, [this](const Variant&, Variant*) {
    is_new_record_page_ = true;
    FireEvent(kEventNewRecordPageOpened);
    return true;
  });
  BindMethod(kInvokeCloseNewRecordPage, [this](const Variant& args, Variant*) {
    is_new_record_page_ = false;
    FireEvent(kEventNewRecordPageClosed, args);
    return true;
  });
  BindMethod(kInvokeGetNewRecordPageState, [this](const Variant&, Variant* result) {
    if (result) {
      *result = Variant::MakeMap();
      result->Set("is_new_record_page", is_new_record_page_);
    }
    return true;
  });
}

}  // namespace quick_record
