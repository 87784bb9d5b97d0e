#include "module/quick_record/model/quick_record_space_model.h"

#include "host/app/host_model_ids.h"
#include "host/base/logging/logger.h"
#include "host/framework/module/module_service.h"
#include "host/sdk/plugin/plugin_registry.h"
#include "module/quick_record/cloud/quick_record_service_plugin.h"
#include "module/quick_record/entry/quick_record_ids.h"
#include "module/quick_record/entry/quick_record_module_runtime.h"
#include "module/quick_record/model/quick_record_model.h"

namespace quick_record {

using base::variant::Variant;

QuickRecordSpaceModel::QuickRecordSpaceModel(std::shared_ptr<framework::ModelImpl> session_model,
                                             std::shared_ptr<QuickRecordServicePlugin> cloud_service)
    : framework::ModelImpl(model_id::kQuickRecordSpaceModel),
      subscriber_id_(framework::NewSubscriberId()),
      session_model_(std::move(session_model)),
      cloud_service_(std::move(cloud_service)) {
  BindMethod(kInvokeGetQuickRecordSpace, [this](const Variant&, Variant* result) {
    if (result) *result = SpaceMap();
    return true;
  });
  BindMethod(kInvokeGetProFeatureBySceneId, [this](const Variant& args, Variant* result) {
    const int32_t scene = args.IsMap() ? args.GetInt32("scene_id") : args.AsInt32();
    if (scene != kSceneRecording && scene != kSceneUploadFile) {
      KLOG(3) << "unknown scene id: " << scene;
      return true;
    }
    const bool enable = infinite_space_ || (scene == kSceneRecording ? !run_out_ : SpaceMap().GetInt64("left_space") > 0);
    if (result) {
      *result = Variant::MakeMap();
      result->Set("scene_id", scene);
      result->Set("enable", enable);
      result->Set("space_got", space_got_);
    }
    return true;
  });
  BindMethod(kInvokeRelaySpaceNotice, [this](const Variant& args, Variant*) {
    FireEvent(kEventSpaceNotice, args);
    return true;
  });
  BindMethod(kInvokeRequestUpgrade, [this](const Variant&, Variant*) {
    FireEvent(kEventUpgradeRequested);
    return true;
  });
  BindMethod(kInvokeUpdateRecordFileSize, [this](const Variant& args, Variant*) {
    OnRecordFileSizeChanged(args.IsMap() ? args.GetInt64("current_record_file_size") : args.AsInt64());
    return true;
  });
}

QuickRecordSpaceModel::~QuickRecordSpaceModel() = default;

void QuickRecordSpaceModel::Init() {
  framework::ModelImpl::Init();
  if (!cloud_service_) kovanisdk::plugin::QueryPluginInterface(kPluginModuleId, kServicePluginName, &cloud_service_);
  if (!session_model_) session_model_ = ModuleModelOf(model_id::kQuickRecordModel);
  SubscribeTo(session_model_, QuickRecordModel::kEventStartRequested, &QuickRecordSpaceModel::OnSessionStart);
  SubscribeTo(session_model_, QuickRecordModel::kEventRecordCancelled, &QuickRecordSpaceModel::OnSessionCancel);
  SubscribeTo(ModuleModelOf(model_id::kQuickRecordPushModel), kPushSpaceChangedEvent, &QuickRecordSpaceModel::OnPushChanged);
  SubscribeTo(framework::module::GetAppModuleModel(host::app::kUserConfigModelId), host::app::kUserConfigChangedEvent,
              &QuickRecordSpaceModel::OnUserConfigChanged);
  RequestSpace();
}

void QuickRecordSpaceModel::UnInit() {
  for (auto& weak : subscribed_) {
    if (auto model = weak.lock()) model->Unsubscribe(subscriber_id_);
  }
  subscribed_.clear();
  scope_.CancelAll();
  framework::ModelImpl::UnInit();
}

void QuickRecordSpaceModel::SubscribeTo(const std::shared_ptr<framework::ModelImpl>& model, int32_t event_id,
                                        void (QuickRecordSpaceModel::*handler)(const Variant&)) {
  if (!model) return;
  std::weak_ptr<ModelImpl> weak = weak_from_this();
  model->Subscribe(event_id, subscriber_id_, [weak, handler](int32_t, const Variant& payload) {
    if (auto self = std::static_pointer_cast<QuickRecordSpaceModel>(weak.lock())) (self.get()->*handler)(payload);
  });
  subscribed_.push_back(model);
}

void QuickRecordSpaceModel::RequestSpace() {
  if (request_pending_ || !cloud_service_) return;
  request_pending_ = true;
  cloud_service_->GetQuickRecordSpace(
      scope_.Wrap([this](bool success, const QuickRecordSpaceInfo& info) { OnSpace(success, info); }));
}

void QuickRecordSpaceModel::OnSpace(bool success, const QuickRecordSpaceInfo& info) {
  request_pending_ = false;
  if (!success) {
    KLOG(3) << "get quick record space failed";
    return;
  }
  total_space_ = info.total_capacity;
  used_space_ = info.usedspace;
  record_count_ = info.meetlog_count;
  // Without the capacity limit the back end counts usage but never refuses a recording.
  infinite_space_ = !info.capacity_limit_switch;
  space_got_ = true;
  FireEvent(kEventCloudSpaceUpdated, SpaceMap());
  EvaluateRunOut();
}

void QuickRecordSpaceModel::OnSessionStart(const Variant& payload) {
  // The second start event carries the record id of the same recording: nothing new to ask.
  if (payload.Has("record_id")) return;
  current_record_file_size_ = 0;
  SetRunOut(false);
  RequestSpace();
}

void QuickRecordSpaceModel::OnSessionCancel(const Variant&) {
  current_record_file_size_ = 0;
  SetRunOut(false);
}

void QuickRecordSpaceModel::OnUserConfigChanged(const Variant& payload) {
  if (payload.GetString("key") == kPaidTagKey) RequestSpace();
}

void QuickRecordSpaceModel::OnRecordFileSizeChanged(int64_t bytes) {
  current_record_file_size_ = bytes;
  KLOG(6) << "OnRecordFileSizeChanged " << bytes / 1048576.0;
  EvaluateRunOut();
}

void QuickRecordSpaceModel::EvaluateRunOut() {
  if (!space_got_) return;
  SetRunOut(!infinite_space_ && total_space_ <= used_space_ + current_record_file_size_);
}

void QuickRecordSpaceModel::SetRunOut(bool run_out) {
  if (run_out == run_out_) return;
  run_out_ = run_out;
  KLOG(6) << "QuickRecordSpaceRunOutUpdated: " << run_out_;
  Variant changed = Variant::MakeMap();
  changed.Set("run_out", run_out_);
  FireEvent(kEventRunOutChanged, changed);
}

Variant QuickRecordSpaceModel::SpaceMap() const {
  Variant space = Variant::MakeMap();
  space.Set("total_space", total_space_);
  space.Set("used_space", used_space_);
  space.Set("left_space", used_space_ > total_space_ ? int64_t{0} : total_space_ - used_space_);
  space.Set("is_infinite_space", infinite_space_);
  space.Set("space_got", space_got_);
  space.Set("record_count", record_count_);
  return space;
}

}  // namespace quick_record
