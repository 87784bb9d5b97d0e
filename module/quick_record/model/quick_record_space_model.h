#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "host/base/async/async_task_scope.h"
#include "host/base/variant/variant.h"
#include "host/framework/model/model_impl.h"

namespace quick_record {

class QuickRecordServicePlugin;
struct QuickRecordSpaceInfo;

// The user's cloud quota and whether the recording being made still fits in it. Asks the cloud
// service for the space at start-up, on a push announcing a change, on a change of the user's
// paid tag and when a recording is requested; at most one request is in flight. Main thread.
class QuickRecordSpaceModel : public framework::ModelImpl {
 public:
  static constexpr int32_t kInvokeGetQuickRecordSpace = 0x2513c091;
  static constexpr int32_t kInvokeGetProFeatureBySceneId = 0x1d90740e;  // scene id -> {"scene_id", "enable", ...}
  static constexpr int32_t kInvokeRelaySpaceNotice = 0x0d98ff44;
  static constexpr int32_t kInvokeRequestUpgrade = 0x17c8b966;
  // {"current_record_file_size": bytes}: the host's report of the file being written.
  static constexpr int32_t kInvokeUpdateRecordFileSize = 0x2513c092;

  static constexpr int32_t kEventSpaceNotice = 298466530;
  static constexpr int32_t kEventUpgradeRequested = 905363727;
  static constexpr int32_t kEventRunOutChanged = 993707323;  // {"run_out"}
  static constexpr int32_t kEventCloudSpaceUpdated = 993707324;  // the map of InvokeGetQuickRecordSpace

  // Scenes of InvokeGetProFeatureBySceneId.
  static constexpr int32_t kSceneRecording = 1;  // a recording may go on: not run out
  static constexpr int32_t kSceneUploadFile = 2;  // a local file may be uploaded: space left

  static constexpr int32_t kPushSpaceChangedEvent = 958000055;  // of the push model
  static constexpr char kPaidTagKey[] = "quick_record.user_paid_tag";  // in the user configuration

  // `session_model` and `cloud_service` for tests; by default the module's own.
  explicit QuickRecordSpaceModel(std::shared_ptr<framework::ModelImpl> session_model = nullptr,
                                 std::shared_ptr<QuickRecordServicePlugin> cloud_service = nullptr);
  ~QuickRecordSpaceModel() override;

  void Init() override;
  void UnInit() override;

  void RequestSpace();
  void OnRecordFileSizeChanged(int64_t bytes);
  base::variant::Variant SpaceMap() const;
  bool run_out() const { return run_out_; }

 private:
  void OnSpace(bool success, const QuickRecordSpaceInfo& info);
  void EvaluateRunOut();
  // Fires the run-out event when the flag changes.
  void SetRunOut(bool run_out);
  void SubscribeTo(const std::shared_ptr<framework::ModelImpl>& model, int32_t event_id,
                   void (QuickRecordSpaceModel::*handler)(const base::variant::Variant&));
  void OnSessionStart(const base::variant::Variant& payload);
  void OnSessionCancel(const base::variant::Variant&);
  void OnPushChanged(const base::variant::Variant&) { RequestSpace(); }
  void OnUserConfigChanged(const base::variant::Variant& payload);

  const framework::SubscriberId subscriber_id_;
  std::shared_ptr<framework::ModelImpl> session_model_;
  std::shared_ptr<QuickRecordServicePlugin> cloud_service_;
  std::vector<std::weak_ptr<framework::ModelImpl>> subscribed_;
  base::AsyncTaskScope scope_;

  int64_t total_space_ = 0;
  int64_t used_space_ = 0;
  int64_t current_record_file_size_ = 0;
  int64_t record_count_ = 0;
  bool space_got_ = false;
  bool infinite_space_ = false;
  bool run_out_ = false;
  bool request_pending_ = false;
};

}  // namespace quick_record
