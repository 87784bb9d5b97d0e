#include "module/quick_record/view_model/new_recording/quick_record_space_check.h"

#include "host/base/analytics/analytics.h"
#include "host/base/logging/logger.h"
#include "module/quick_record/model/quick_record_space_model.h"
#include "module/quick_record/view_model/model_call.h"
#include "module/quick_record/view_model/new_recording/quick_record_space_notice.h"

namespace quick_record {

using base::variant::Variant;
using Notice = QuickRecordSpaceNotice;

QuickRecordSpaceCheck::QuickRecordSpaceCheck(NoticeSink show_notice) : show_notice_(std::move(show_notice)) {}

int32_t QuickRecordSpaceCheck::Check(const std::shared_ptr<framework::ModelImpl>& space_model, int32_t check_scene) {
  KLOG(6) << "start to check space info.";
  if (!space_model) {
    KLOG(1) << "Failed to get quick record space model.";
    return Notice::kSpaceEnough;
  }
  const Variant space = CallModel(space_model, QuickRecordSpaceModel::kInvokeGetQuickRecordSpace);
  if (space.GetBool("is_infinite_space")) {
    KLOG(6) << "Infinite space, no need to show space info.";
    space_state_ = Notice::kSpaceEnough;
    return space_state_;
  }
  if (!space.GetBool("space_got")) {
    KLOG(3) << "Failed to got space and space_got value: " << space.GetBool("space_got");
    return space_state_;
  }
  const int64_t left = space.GetInt64("left_space");
  KLOG(6) << "got space, left_space: " << left;
  space_state_ = Notice::SpaceState(left);
  if (space_state_ == Notice::kSpaceEnough) return space_state_;
  last_notice_show_type_ = Notice::ShowType(check_scene);
  show_notice_(Notice::Build(space_state_, left, check_scene));
  base::analytics::LogEventWithProperties(
      Notice::ExposureEvent(last_notice_show_type_),
      {{"remaining_space", Notice::MegaBytesLeft(left)},
       {"remaining_space_type", space_state_ == Notice::kSpaceFew ? "a_few" : "none"}});
  return space_state_;
}

const char* QuickRecordSpaceCheck::UpgradeClickEvent() const { return Notice::UpgradeClickEvent(last_notice_show_type_); }

}  // namespace quick_record
