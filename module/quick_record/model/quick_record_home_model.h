#pragma once

#include <cstdint>

#include "host/framework/model/model_impl.h"

namespace quick_record {

// Whether the new-recording page is open. The page's view tells it when it opens and closes;
// whoever acts on the page from outside (the start shortcut) asks it first. Main thread.
class QuickRecordHomeModel : public framework::ModelImpl {
 public:
  static constexpr int32_t kInvokeOpenNewRecordPage = 148463876;
  static constexpr int32_t kInvokeCloseNewRecordPage = 574540077;  // the payload is passed on
  static constexpr int32_t kInvokeGetNewRecordPageState = 91226144;  // -> {"is_new_record_page"}
  static constexpr int32_t kEventNewRecordPageOpened = 415577969;
  static constexpr int32_t kEventNewRecordPageClosed = 971728764;  // the close call's payload

  QuickRecordHomeModel();

  bool is_new_record_page() const { return is_new_record_page_; }

 private:
  bool is_new_record_page_ = false;
};

}  // namespace quick_record
