#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "host/framework/model/model_impl.h"
#include "host/framework/view_model/stateful_view_model.h"
#include "module/quick_record/model/model_subscriptions.h"

namespace quick_record {

// The page the control bar opens when a recording has been finished: how far the upload of
// that record has come and, once the back end has it, its link. The record is the session's
// current record id, which stays set after the finish until the next start or a cancel; its
// uploading item is followed through the upload model's notifications while a view is attached.
// Main thread.
class QuickRecordEndingViewModel : public framework::StatefulViewModel {
 public:
  // {"record_id", "title", "upload_status" (1 uploading, 2 uploaded, 3 failed), "uploaded_size",
  //  "total_size", "duration_ms", "jump_url", "fail_reason", "cover_uploaded"}; published whenever
  // the item changes. The cover goes up just after the video, so it may follow the link.
  static constexpr int32_t kPropertyRecord = 1;

  // `session_model` and `upload_model` for tests; by default the module's own.
  explicit QuickRecordEndingViewModel(std::shared_ptr<framework::ModelImpl> session_model = nullptr,
                                      std::shared_ptr<framework::ModelImpl> upload_model = nullptr);

  void OnViewAttached() override;
  void OnViewDetached() override;

 private:
  std::string SessionRecordId() const;
  // Publishes `item` (an uploading item map) when it belongs to the session's record.
  void OnItem(const framework::Variant& item);
  void PublishListedItem();
  void OnCoverUploaded(const framework::Variant& event);

  std::shared_ptr<framework::ModelImpl> session_model_;
  std::shared_ptr<framework::ModelImpl> upload_model_;
  ModelSubscriptions subscriptions_;
  // The session's uploading item, once seen, and whether its cover has reached the cloud.
  std::string instance_id_;
  bool cover_uploaded_ = false;
};

}  // namespace quick_record
