#include "api/access_policy.h"

#include <gtest/gtest.h>

#include "testing/test_api_context.h"

namespace qr_backend {
namespace {

class BackendAccessPolicyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    t_.AddUser("owner", "org");
    t_.AddUser("colleague", "org");  // same app as the owner
    t_.AddUser("outsider", "other");
    record_ = t_.AddRecord("r1", "owner");
  }

  // Saves the link settings after `change` and returns them.
  template <typename Change>
  ShareSettings Set(Change change) {
    ShareSettings settings = *t_.shares.Settings("r1");
    change(settings);
    EXPECT_TRUE(t_.shares.Save(settings));
    return settings;
  }
  ShareSettings Link(bool on, int64_t point = kPointAnyoneWithLink) {
    return Set([&](ShareSettings& s) {
      s.switch_state = on;
      s.point_id = point;
      s.group_id = s.access_id = 0;
    });
  }
  void Group(int64_t access_id) {
    Set([&](ShareSettings& s) {
      s.switch_state = true;
      s.point_id = 0;
      s.group_id = kGroupSameApp;
      s.access_id = access_id;
    });
  }
  const AccessPolicy& policy() { return t_.access; }

  TestApiContext t_;
  Record record_;
};

TEST_F(BackendAccessPolicyTest, OwnerCoOwnerAndGranteeMayViewOthersMayNot) {
  const Access owner = policy().ForUser(record_, "owner");
  EXPECT_EQ(owner.role, Role::kOwner);
  EXPECT_TRUE(owner.may_manage() && owner.may_download && owner.may_view_minutes);
  const Access stranger = policy().ForUser(record_, "outsider");
  EXPECT_FALSE(stranger.may_view());
  EXPECT_FALSE(stranger.may_play);
  EXPECT_EQ(stranger.code, kPlayNoAccess);
  EXPECT_FALSE(stranger.tips.empty());

  ASSERT_TRUE(t_.shares.SetPermission("r1", "viewer", kAccessView, 1));
  ASSERT_TRUE(t_.shares.SetAssigner("r1", "helper", true, 1));
  const Access viewer = policy().ForUser(record_, "viewer");
  EXPECT_EQ(viewer.role, Role::kGranted);
  EXPECT_FALSE(viewer.may_manage());
  EXPECT_FALSE(viewer.may_download);
  EXPECT_FALSE(viewer.may_view_minutes);
  const Access helper = policy().ForUser(record_, "helper");
  EXPECT_EQ(helper.role, Role::kCoOwner);
  EXPECT_TRUE(helper.may_manage() && helper.may_download && helper.may_view_minutes);

  // Permission 2 downloads; the sharing switches give the rest to every grantee.
  ASSERT_TRUE(t_.shares.SetPermission("r1", "viewer", kAccessDownload, 2));
  EXPECT_TRUE(policy().ForUser(record_, "viewer").may_download);
  ASSERT_TRUE(t_.shares.SetPermission("r1", "viewer", kAccessView, 3));
  Set([](ShareSettings& s) { s.download_enable = s.view_minutes_enable = true; });
  EXPECT_TRUE(policy().ForUser(record_, "viewer").may_download);
  EXPECT_TRUE(policy().ForUser(record_, "viewer").may_view_minutes);

  // A removed grant is gone for good.
  ASSERT_TRUE(t_.shares.SetPermission("r1", "viewer", 0, 4));
  EXPECT_FALSE(policy().ForUser(record_, "viewer").may_view());
  EXPECT_FALSE(t_.shares.Member("r1", "viewer"));
}

TEST_F(BackendAccessPolicyTest, AnUnfinishedRecordCanBeSeenButNotPlayed) {
  record_.state = kRecordStateInProgress;
  const Access access = policy().ForUser(record_, "owner");
  EXPECT_TRUE(access.may_view());
  EXPECT_FALSE(access.may_play);
  EXPECT_EQ(access.code, kPlayUploading);
}

TEST_F(BackendAccessPolicyTest, LinkNeedsItsSwitchItsPasswordAndTime) {
  EXPECT_EQ(policy().ForLink(record_, "").code, kPlayLinkOff);
  Link(true);
  const Access open = policy().ForLink(record_, "");
  EXPECT_TRUE(open.may_play);
  EXPECT_EQ(open.role, Role::kLinkHolder);
  EXPECT_FALSE(open.may_download);
  EXPECT_FALSE(open.may_view_minutes);

  Set([](ShareSettings& s) { s.password = "s3cret"; });
  EXPECT_EQ(policy().ForLink(record_, "").code, kPlayPasswordNeeded);
  EXPECT_EQ(policy().ForLink(record_, "guess").code, kPlayPasswordNeeded);
  EXPECT_EQ(policy().ForUserWithLink(record_, "colleague", "guess").code, kPlayPasswordNeeded);
  EXPECT_TRUE(policy().ForLink(record_, "s3cret").may_play);

  Set([](ShareSettings& s) { s.expired_time = (TestApiContext::kStart + 10) * 1000; });
  EXPECT_TRUE(policy().ForLink(record_, "s3cret").may_play);
  t_.clock.Advance(10);
  EXPECT_EQ(policy().ForLink(record_, "s3cret").code, kPlayLinkExpired);
  EXPECT_EQ(policy().ForUserWithLink(record_, "colleague", "s3cret").code, kPlayLinkExpired);
  // Expiry and switch govern the link only: the owner is not affected.
  EXPECT_TRUE(policy().ForUser(record_, "owner").may_play);
}

TEST_F(BackendAccessPolicyTest, TheAudienceDecidesWhoTheLinkAdmits) {
  struct Case {
    const char* name;
    std::function<void()> set;
    bool anonymous, colleague, outsider;
  };
  const std::vector<Case> cases = {
      {"point 1: anyone", [&] { Link(true, kPointAnyoneWithLink); }, true, true, true},
      {"point 2: signed in", [&] { Link(true, kPointSignedInWithLink); }, false, true, true},
      {"point 3: participants", [&] { Link(true, kPointParticipants); }, false, false, false},
      {"group: the owner's app", [&] { Group(kAccessView); }, false, true, false},
  };
  for (const Case& c : cases) {
    c.set();
    EXPECT_EQ(policy().ForLink(record_, "").may_view(), c.anonymous) << c.name;
    EXPECT_EQ(policy().ForUserWithLink(record_, "colleague", "").may_view(), c.colleague) << c.name;
    EXPECT_EQ(policy().ForUserWithLink(record_, "outsider", "").may_view(), c.outsider) << c.name;
    // Without having opened the link, nobody gets in.
    EXPECT_FALSE(policy().ForUser(record_, "colleague").may_view()) << c.name;
  }
}

TEST_F(BackendAccessPolicyTest, AVisitorKeepsAccessOnlyWhileTheLinkStillAdmitsThem) {
  Link(true, kPointSignedInWithLink);
  ASSERT_EQ(policy().ForUserWithLink(record_, "outsider", "").role, Role::kLinkHolder);
  ASSERT_TRUE(t_.shares.AddLinkVisitor("r1", "outsider", 1));
  EXPECT_EQ(policy().ForUser(record_, "outsider").role, Role::kLinkHolder);

  Link(false, kPointSignedInWithLink);
  EXPECT_EQ(policy().ForUser(record_, "outsider").code, kPlayLinkOff);
  Link(true, kPointSignedInWithLink);
  EXPECT_TRUE(policy().ForUser(record_, "outsider").may_view());
  Group(kAccessView);  // the outsider's app is not the owner's
  EXPECT_FALSE(policy().ForUser(record_, "outsider").may_view());
  Link(true, kPointSignedInWithLink);
  ASSERT_TRUE(t_.shares.ForgetLinkVisitors("r1"));  // what a new password does
  EXPECT_FALSE(policy().ForUser(record_, "outsider").may_view());
}

TEST_F(BackendAccessPolicyTest, DownloadAndMinutesFollowTheSharingSettings) {
  Link(true);
  Set([](ShareSettings& s) { s.download_enable = true; });
  EXPECT_TRUE(policy().ForLink(record_, "").may_download);
  EXPECT_FALSE(policy().ForLink(record_, "").may_view_minutes);
  Set([](ShareSettings& s) { s.download_enable = false, s.view_minutes_enable = true; });
  EXPECT_FALSE(policy().ForLink(record_, "").may_download);
  EXPECT_TRUE(policy().ForLink(record_, "").may_view_minutes);

  Group(kAccessView);
  EXPECT_FALSE(policy().ForUserWithLink(record_, "colleague", "").may_download);
  Group(kAccessDownload);
  EXPECT_TRUE(policy().ForUserWithLink(record_, "colleague", "").may_download);
}

TEST_F(BackendAccessPolicyTest, ParticipantsOnlyWhenTheLinkAdmitsThem) {
  ASSERT_TRUE(t_.meetings.Attach("r1", {"m1", "", "", "123", "Weekly"}));
  ASSERT_TRUE(t_.meetings.AddParticipants("m1", {"attendee"}));
  EXPECT_FALSE(policy().ForUser(record_, "attendee").may_view());
  Link(true, kPointParticipants);
  EXPECT_EQ(policy().ForUser(record_, "attendee").role, Role::kParticipant);
  EXPECT_FALSE(policy().ForUser(record_, "outsider").may_view());
  // The link itself does not open a participants-only record.
  EXPECT_EQ(policy().ForLink(record_, "").code, kPlayNoAccess);
  Link(false, kPointParticipants);
  EXPECT_FALSE(policy().ForUser(record_, "attendee").may_view());
}

}  // namespace
}  // namespace qr_backend
