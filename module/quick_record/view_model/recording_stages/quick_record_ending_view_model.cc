#include "module/quick_record/view_model/recording_stages/quick_record_ending_view_model.h"

#include "host/base/logging/logger.h"
#include "module/quick_record/entry/quick_record_ids.h"
#include "module/quick_record/entry/quick_record_module_runtime.h"
#include "module/quick_record/upload/quick_record_upload_model.h"

namespace quick_record {

using base::variant::Variant;

namespace {

// The session's reader of its "record_id" field.
constexpr int32_t kReadSessionRecordId = 0x3d29c89a;

}  // namespace

QuickRecordEndingViewModel::QuickRecordEndingViewModel(std::shared_ptr<framework::ModelImpl> session_model,
                                                       std::shared_ptr<framework::ModelImpl> upload_model)
    : framework::StatefulViewModel(view_model_id::kQuickRecordEndingViewModel),
      session_model_(std::move(session_model)),
      upload_model_(std::move(upload_model)) {}

void QuickRecordEndingViewModel::OnViewAttached() {
  if (!session_model_) session_model_ = ModuleModelOf(model_id::kQuickRecordModel);
  if (!upload_model_) upload_model_ = ModuleModelOf(model_id::kQuickRecordUploadModel);
  std::weak_ptr<StatefulViewModel> weak = weak_from_this();
  for (int32_t event : {QuickRecordUploadModel::kFireTaskUploadStatus, QuickRecordUploadModel::kFireDataStatusUpdate}) {
    subscriptions_.Add(upload_model_, event, [weak](int32_t, const Variant& item) {
      if (auto self = std::static_pointer_cast<QuickRecordEndingViewModel>(weak.lock())) self->OnItem(item);
    });
  }
  // The duration is set at the finish and announced on its own.
  subscriptions_.Add(upload_model_, QuickRecordUploadModel::kFireDataRecordTimeDurationUpdate,
                     [weak](int32_t, const Variant&) {
                       if (auto self = std::static_pointer_cast<QuickRecordEndingViewModel>(weak.lock()))
                         self->PublishListedItem();
                     });
  subscriptions_.Add(upload_model_, QuickRecordUploadModel::kFireDataCoverUriUpdate,
                     [weak](int32_t, const Variant& event) {
                       if (auto self = std::static_pointer_cast<QuickRecordEndingViewModel>(weak.lock()))
                         self->OnCoverUploaded(event);
                     });
  PublishListedItem();
}

void QuickRecordEndingViewModel::OnViewDetached() { subscriptions_.Clear(); }

std::string QuickRecordEndingViewModel::SessionRecordId() const {
  Variant record_id;
  if (session_model_) session_model_->Call(kReadSessionRecordId, Variant(), &record_id);
  return record_id.AsString();
}

void QuickRecordEndingViewModel::PublishListedItem() {
  if (!upload_model_) {
    KLOG(3) << "no upload model";
    return;
  }
  // Uploading items first; an item that finished before the page opened is in the cached list.
  for (int32_t list : {QuickRecordUploadModel::kInvokeGetUploadingList,
                       QuickRecordUploadModel::kInvokeGetCacheUploadedList}) {
    Variant items;
    upload_model_->Call(list, Variant(), &items);
    for (const Variant& item : items.AsArray()) OnItem(item);
  }
}

void QuickRecordEndingViewModel::OnItem(const Variant& item) {
  const std::string record_id = SessionRecordId();
  if (record_id.empty() || item.GetString("k_record_id") != record_id) return;
  if (item.GetString("k_instance_id") != instance_id_) {
    instance_id_ = item.GetString("k_instance_id");
    cover_uploaded_ = false;
  }
  Variant record = Variant::MakeMap();
  record.Set("record_id", record_id);
  record.Set("title", item.GetString("k_title"));
  record.Set("upload_status", item.GetInt64("k_upload_status"));
  record.Set("uploaded_size", item.GetInt64("k_uploaded_size"));
  record.Set("total_size", item.GetInt64("k_total_size"));
  record.Set("duration_ms", item.GetInt64("k_record_time_duration"));
  record.Set("jump_url", item.GetString("k_jump_url"));
  record.Set("fail_reason", item.GetInt64("k_fail_reason"));
  record.Set("cover_uploaded", cover_uploaded_);
  if (record == Property(kPropertyRecord)) return;
  Publish(kPropertyRecord, std::move(record));
}

void QuickRecordEndingViewModel::OnCoverUploaded(const Variant& event) {
  if (instance_id_.empty() || event.GetString("k_instance_id") != instance_id_) return;
  cover_uploaded_ = true;
  PublishListedItem();
}

}  // namespace quick_record
