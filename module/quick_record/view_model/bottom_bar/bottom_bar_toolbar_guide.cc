#include "module/quick_record/view_model/bottom_bar/bottom_bar_toolbar_guide.h"

#include <utility>

#include "host/app/string_table.h"
#include "host/framework/module/resource.h"
#include "host/sdk/utils/user_config.h"
#include "module/quick_record/view_model/variant_map.h"

namespace quick_record {

using base::variant::Variant;

BottomBarToolbarGuide::BottomBarToolbarGuide(std::function<void(Variant guide)> publish)
    : publish_(std::move(publish)),
      guide_timer_(base::threading::CreateTimer([this] { StopGuideTimer(); }, FROM_HERE)) {}

BottomBarToolbarGuide::~BottomBarToolbarGuide() { Stop(); }

void BottomBarToolbarGuide::Stop() { guide_timer_->Stop(); }

void BottomBarToolbarGuide::ShowToolbarGuide() {
  guide_timer_->Start(kGuideMs, /*repeating=*/false);
  const bool shown_before = kovanisdk::utils::user_config::GetValue(kGuideShownKey, false).AsBool();
  shown_ = !shown_before;
  publish_(VariantMap(
      {{"tips", framework::Resource::GetInstance()->GetString(host::strings::kBottomBarGuideTips)}, {"show", shown_}}));
  if (shown_) kovanisdk::utils::user_config::SetValue(kGuideShownKey, true);
}

void BottomBarToolbarGuide::StopGuideTimer() {
  guide_timer_->Stop();
  shown_ = false;
  publish_(VariantMap({{"tips", ""}, {"show", false}}));
}

}  // namespace quick_record
