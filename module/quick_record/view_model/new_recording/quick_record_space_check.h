#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "host/base/variant/variant.h"
#include "host/framework/model/model_impl.h"

namespace quick_record {

// The new-recording page's check of the cloud space before a start: reads the space model, keeps
// the space state and hands out the notice to show when space is short (QuickRecordSpaceNotice).
class QuickRecordSpaceCheck {
 public:
  using NoticeSink = std::function<void(const base::variant::Variant& notice)>;

  explicit QuickRecordSpaceCheck(NoticeSink show_notice);

  // HandleCheckSpaceInfo for `check_scene` with the space model `space` (may be null). Returns the
  // space state, kSpaceEnough when the space is unknown or infinite.
  int32_t Check(const std::shared_ptr<framework::ModelImpl>& space, int32_t check_scene);
  int32_t space_state() const { return space_state_; }
  // The analytics name of the upgrade button of the last notice shown.
  const char* UpgradeClickEvent() const;

 private:
  const NoticeSink show_notice_;
  int32_t space_state_ = 0;
  // The show type of the last notice, so that its upgrade button reports where it was shown.
  int32_t last_notice_show_type_ = 0;
};

}  // namespace quick_record
