#include "api/access_policy.h"

#include <gtest/gtest.h>

#include "common/clock.h"
#include "storage/meeting_store.h"
#include "testing/test_database.h"

namespace qr_backend {
namespace {

constexpr int64_t kNow = 1'700'000'000;

class BackendAccessPolicyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    record_.uni_record_id = "r1";
    record_.owner_uid = "owner";
    record_.state = kRecordStateDone;
  }

  ShareSettings Link(bool on, int64_t point = kPointAnyoneWithLink) {
    ShareSettings settings = *shares_.Settings("r1");
    settings.switch_state = on;
    settings.point_id = point;
    return settings;
  }

  TestDatabase database_;
  ManualClock clock_{kNow};
  ShareStore shares_{database_.db()};
  MeetingStore meetings_{database_.db()};
  AccessPolicy policy_{shares_, meetings_, clock_};
  Record record_;
};

TEST_F(BackendAccessPolicyTest, OwnerCoOwnerAndGranteeMayViewOthersMayNot) {
  EXPECT_EQ(policy_.ForUser(record_, "owner").role, Role::kOwner);
  EXPECT_TRUE(policy_.ForUser(record_, "owner").may_manage());
  const Access stranger = policy_.ForUser(record_, "eve");
  EXPECT_FALSE(stranger.may_view());
  EXPECT_FALSE(stranger.may_play);
  EXPECT_EQ(stranger.code, kPlayNoAccess);
  EXPECT_FALSE(stranger.tips.empty());

  ASSERT_TRUE(shares_.SetPermission("r1", "viewer", 1, 1));
  ASSERT_TRUE(shares_.SetAssigner("r1", "helper", true, 1));
  EXPECT_EQ(policy_.ForUser(record_, "viewer").role, Role::kGranted);
  EXPECT_FALSE(policy_.ForUser(record_, "viewer").may_manage());
  EXPECT_EQ(policy_.ForUser(record_, "helper").role, Role::kCoOwner);
  EXPECT_TRUE(policy_.ForUser(record_, "helper").may_manage());

  // A removed grant is gone for good.
  ASSERT_TRUE(shares_.SetPermission("r1", "viewer", 0, 2));
  EXPECT_FALSE(policy_.ForUser(record_, "viewer").may_view());
  EXPECT_FALSE(shares_.Member("r1", "viewer"));
}

TEST_F(BackendAccessPolicyTest, AnUnfinishedRecordCanBeSeenButNotPlayed) {
  record_.state = kRecordStateInProgress;
  const Access access = policy_.ForUser(record_, "owner");
  EXPECT_TRUE(access.may_view());
  EXPECT_FALSE(access.may_play);
  EXPECT_EQ(access.code, kPlayUploading);
}

TEST_F(BackendAccessPolicyTest, LinkNeedsItsSwitchItsPasswordAndTime) {
  EXPECT_EQ(policy_.ForLink(record_, "").code, kPlayLinkOff);
  ShareSettings settings = Link(true);
  ASSERT_TRUE(shares_.Save(settings));
  EXPECT_TRUE(policy_.ForLink(record_, "").may_play);
  EXPECT_EQ(policy_.ForLink(record_, "").role, Role::kLinkHolder);

  settings.password = "s3cret";
  ASSERT_TRUE(shares_.Save(settings));
  EXPECT_EQ(policy_.ForLink(record_, "").code, kPlayPasswordNeeded);
  EXPECT_EQ(policy_.ForLink(record_, "guess").code, kPlayPasswordNeeded);
  EXPECT_TRUE(policy_.ForLink(record_, "s3cret").may_play);

  settings.expired_time = (kNow + 10) * 1000;
  ASSERT_TRUE(shares_.Save(settings));
  EXPECT_TRUE(policy_.ForLink(record_, "s3cret").may_play);
  clock_.Set(kNow + 10);
  EXPECT_EQ(policy_.ForLink(record_, "s3cret").code, kPlayLinkExpired);
}

TEST_F(BackendAccessPolicyTest, ParticipantsOnlyWhenTheLinkAdmitsThem) {
  ASSERT_TRUE(meetings_.Attach("r1", {"m1", "", "", "123", "Weekly"}));
  ASSERT_TRUE(meetings_.AddParticipants("m1", {"attendee"}));
  EXPECT_FALSE(policy_.ForUser(record_, "attendee").may_view());
  ASSERT_TRUE(shares_.Save(Link(true, kPointParticipants)));
  EXPECT_EQ(policy_.ForUser(record_, "attendee").role, Role::kParticipant);
  EXPECT_FALSE(policy_.ForUser(record_, "eve").may_view());
  // The link itself does not open a participants-only record.
  EXPECT_EQ(policy_.ForLink(record_, "").code, kPlayNoAccess);
  ASSERT_TRUE(shares_.Save(Link(false, kPointParticipants)));
  EXPECT_FALSE(policy_.ForUser(record_, "attendee").may_view());
}

}  // namespace
}  // namespace qr_backend
