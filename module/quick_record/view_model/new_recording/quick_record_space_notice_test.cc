#include "module/quick_record/view_model/new_recording/quick_record_space_notice.h"

#include <gtest/gtest.h>

#include "host/app/string_table.h"

namespace quick_record {
namespace {

using Notice = QuickRecordSpaceNotice;

TEST(QuickRecordSpaceNoticeTest, TheStatesChangeAtHundredMebibytesAndAtNothing) {
  EXPECT_EQ(Notice::SpaceState(104857600), Notice::kSpaceEnough);
  EXPECT_EQ(Notice::SpaceState(104857599), Notice::kSpaceFew);
  EXPECT_EQ(Notice::SpaceState(1), Notice::kSpaceFew);
  EXPECT_EQ(Notice::SpaceState(0), Notice::kSpaceNone);
  EXPECT_EQ(Notice::SpaceState(-5), Notice::kSpaceNone);
}

TEST(QuickRecordSpaceNoticeTest, MegabytesAreCutToTwoDecimals) {
  EXPECT_EQ(Notice::MegaBytesLeft(104857599), "99.99");
  EXPECT_EQ(Notice::MegaBytesLeft(104857600), "100.00");
  EXPECT_EQ(Notice::MegaBytesLeft(1572864), "1.50");
  EXPECT_EQ(Notice::MegaBytesLeft(0), "0.00");
  EXPECT_EQ(Notice::MegaBytesLeft(-1), "0.00");
}

TEST(QuickRecordSpaceNoticeTest, AFullSpaceNoticeTakesTheStartAwayAndAFewDoesNot) {
  host::strings::LoadDefaultStringTable();
  const auto few = Notice::Build(Notice::kSpaceFew, 52428800, Notice::kScenePage);
  EXPECT_TRUE(few.GetBool(Notice::kShouldShow));
  EXPECT_TRUE(few.GetBool(Notice::kStartRecordEnable));
  EXPECT_FALSE(few.GetBool(Notice::kFullSpace));
  EXPECT_EQ(few.GetInt32(Notice::kShowType), Notice::kShowBanner);
  EXPECT_EQ(few.GetString(Notice::kSpaceLeftMegaByte), "50.00");
  EXPECT_EQ(few.GetString(Notice::kTipsContent), "Your cloud space is almost full.");

  const auto none = Notice::Build(Notice::kSpaceNone, 0, Notice::kSceneShortcut);
  EXPECT_FALSE(none.GetBool(Notice::kStartRecordEnable));
  EXPECT_TRUE(none.GetBool(Notice::kFullSpace));
  EXPECT_EQ(none.GetInt32(Notice::kShowType), Notice::kShowDialog);
  EXPECT_NE(none.GetString(Notice::kTipsContent), few.GetString(Notice::kTipsContent));
  EXPECT_STREQ(Notice::ExposureEvent(Notice::kShowDialog), "e#meetlog_space_remind_popup#all#exposure");
  EXPECT_STREQ(Notice::UpgradeClickEvent(Notice::kShowBanner), "e#meetlog_mainboard#upgrade#click");
}

}  // namespace
}  // namespace quick_record
