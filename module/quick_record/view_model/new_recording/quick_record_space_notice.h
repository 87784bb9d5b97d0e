#pragma once

#include <cstdint>
#include <string>

#include "host/base/variant/variant.h"

namespace quick_record {

// How much cloud space the new-recording page sees before a start, and the notice it shows when
// space is short. Pure: the page reads the space model and publishes what this builds.
class QuickRecordSpaceNotice {
 public:
  // Space states.
  static constexpr int32_t kSpaceEnough = 0;
  static constexpr int32_t kSpaceFew = 1;  // less than kFewSpaceBytes left
  static constexpr int32_t kSpaceNone = 2;  // nothing left
  static constexpr int64_t kFewSpaceBytes = 104857600;  // 100 MiB

  // Check scenes: where the check was asked for. The page itself shows a banner; a start (by
  // click or by shortcut) is answered by a dialog.
  static constexpr int32_t kScenePage = 0;
  static constexpr int32_t kSceneStartClick = 1;
  static constexpr int32_t kSceneShortcut = 2;
  // Show types of the notice.
  static constexpr int32_t kShowBanner = 1;
  static constexpr int32_t kShowDialog = 2;

  static constexpr char kCheckScene[] = "QuickRecordNoticeSpaceInfoDataFields_kIntegerCheckScene";
  static constexpr char kShouldShow[] = "QuickRecordNoticeSpaceInfoDataFields_kBooleanShouldShow";
  static constexpr char kStartRecordEnable[] = "QuickRecordNoticeSpaceInfoDataFields_kBooleanStartRecordEnable";
  static constexpr char kShowType[] = "QuickRecordNoticeSpaceInfoDataFields_kIntegerShowType";
  static constexpr char kTipsContent[] = "QuickRecordNoticeLackSpaceTypeDataFields_kStringTipsContent";
  static constexpr char kButtonContent[] = "QuickRecordNoticeLackSpaceTypeDataFields_kStringButtonContent";
  static constexpr char kShowBtn[] = "QuickRecordNoticeLackSpaceTypeDataFields_kBooleanShowBtn";
  static constexpr char kFullSpace[] = "QuickRecordNoticeLackSpaceTypeDataFields_kBooleanFullSpace";
  static constexpr char kSpaceLeftMegaByte[] = "QuickRecordNoticeLackSpaceTypeDataFields_kStringSpaceLeftMegaByte";
  static constexpr char kSpaceContent[] = "QuickRecordNoticeStartRecordTypeDataFields_kStringSpaceContent";
  static constexpr char kUpgradeContent[] = "QuickRecordNoticeStartRecordTypeDataFields_kStringUpgradeContent";
  static constexpr char kStartRecordButtonContent[] =
      "QuickRecordNoticeStartRecordTypeDataFields_kStringStartRecordButtonContent";
  static constexpr char kUpgradeButtonContent[] = "QuickRecordNoticeStartRecordTypeDataFields_kStringUpgradeButtonContent";

  // left <= 0: none; below 100 MiB: few; otherwise enough.
  static int32_t SpaceState(int64_t left_bytes);
  static int32_t ShowType(int32_t check_scene);
  // The megabytes (MiB) left with two decimals, cut ("99.99"); nothing left reads "0.00".
  static std::string MegaBytesLeft(int64_t left_bytes);
  // The notice of a state that is not kSpaceEnough.
  static base::variant::Variant Build(int32_t space_state, int64_t left_bytes, int32_t check_scene);
  // The analytics name of the notice's exposure and of its upgrade button for a show type.
  static const char* ExposureEvent(int32_t show_type);
  static const char* UpgradeClickEvent(int32_t show_type);
};

}  // namespace quick_record
