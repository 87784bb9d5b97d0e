#include "module/quick_record/view_model/new_recording/quick_record_space_notice.h"

#include <cstdio>

#include "host/app/string_table.h"
#include "host/framework/module/resource.h"

namespace quick_record {

using base::variant::Variant;

int32_t QuickRecordSpaceNotice::SpaceState(int64_t left_bytes) {
  if (left_bytes <= 0) return kSpaceNone;
  return left_bytes < kFewSpaceBytes ? kSpaceFew : kSpaceEnough;
}

int32_t QuickRecordSpaceNotice::ShowType(int32_t check_scene) {
  return check_scene == kScenePage ? kShowBanner : kShowDialog;
}

std::string QuickRecordSpaceNotice::MegaBytesLeft(int64_t left_bytes) {
  // Cut, not rounded: one byte short of 100 MiB must not read "100.00" in a notice about less.
  const int64_t hundredths = left_bytes > 0 ? left_bytes * 100 / 1048576 : 0;
  char text[32] = {};
  std::snprintf(text, sizeof(text), "%lld.%02lld", static_cast<long long>(hundredths / 100),
                static_cast<long long>(hundredths % 100));
  return text;
}

Variant QuickRecordSpaceNotice::Build(int32_t space_state, int64_t left_bytes, int32_t check_scene) {
  const auto* strings = framework::Resource::GetInstance();
  const bool full = space_state == kSpaceNone;
  Variant notice = Variant::MakeMap();
  notice.Set(kShouldShow, space_state != kSpaceEnough);
  // A few megabytes still hold a short recording; none hold nothing.
  notice.Set(kStartRecordEnable, !full);
  notice.Set(kShowType, ShowType(check_scene));
  notice.Set(kTipsContent, strings->GetString(full ? host::strings::kQuickRecordSpaceNoneTip
                                                   : host::strings::kQuickRecordSpaceFewTip));
  notice.Set(kButtonContent, strings->GetString(host::strings::kQuickRecordSpaceUpgradeButton));
  notice.Set(kShowBtn, true);
  notice.Set(kFullSpace, full);
  notice.Set(kSpaceLeftMegaByte, MegaBytesLeft(left_bytes));
  notice.Set(kSpaceContent, strings->GetString(full ? host::strings::kQuickRecordSpaceNoneTip
                                                    : host::strings::kQuickRecordSpaceFewTip));
  notice.Set(kUpgradeContent, strings->GetString(host::strings::kQuickRecordSpaceUpgradeContent));
  notice.Set(kStartRecordButtonContent, strings->GetString(host::strings::kQuickRecordSpaceStartAnyway));
  notice.Set(kUpgradeButtonContent, strings->GetString(host::strings::kQuickRecordSpaceUpgradeButton));
  return notice;
}

const char* QuickRecordSpaceNotice::ExposureEvent(int32_t show_type) {
  return show_type == kShowBanner ? "e#meetlog_mainboard#all#exposure" : "e#meetlog_space_remind_popup#all#exposure";
}

const char* QuickRecordSpaceNotice::UpgradeClickEvent(int32_t show_type) {
  return show_type == kShowBanner ? "e#meetlog_mainboard#upgrade#click" : "e#meetlog_space_remind_popup#upgrade#click";
}

}  // namespace quick_record
