// Sharing: link settings, grants, participants, co-owners, and access enforced by the player.

#include "backend_fixture.h"

namespace qr_backend::testing {
namespace {

constexpr char kBase[] = "/v2/meetlog/permission/";

class BackendShareApiTest : public BackendTest {
 protected:
  void SetUp() override {
    BackendTest::SetUp();
    carol_ = Admin().CreateUser("carol");
    start_ = FinishedRecord(alice_, "Quarterly review");
    uni_ = start_["uni_record_id"];
  }

  nlohmann::json Call(const Account& who, const std::string& name, nlohmann::json body) {
    if (!body.contains("uni_record_id")) body["uni_record_id"] = uni_;
    return Api(who).Post(kBase + name, body);
  }

  nlohmann::json LinkSettings(bool on, int point = 1, const std::string& pwd = "",
                              int64_t expires_ms = 0) {
    return {{"record_type", "1"},
            {"switch_state", on},
            {"permission_point_cfg", {{"point_id", point}}},
            {"expired_time", expires_ms},
            {"expired_time_type", 0},
            {"download_enable", false},
            {"view_minutes_enable", false},
            {"pwd", pwd}};
  }

  std::string ShareLink() {
    return Call(alice_, "get-cfg", {{"is_creator", true}})["data"]["share_cfg"]["share_link"];
  }

  int OpenPage(const std::string& url) { return Browse(url).status; }

  nlohmann::json Record(const Account& who) {
    return Api(who).Post("/v2/meetlog/main/get-record", {{"uni_record_id", uni_}, {"file_id", ""}});
  }

  Account carol_;
  nlohmann::json start_;
  std::string uni_;
};

TEST_F(BackendShareApiTest, LinkSettingsRoundTripThroughTheLinkData) {
  const auto initial = Call(alice_, "get-cfg", {{"record_type", "1"}, {"is_creator", true}});
  ASSERT_EQ(initial["code"], 0) << initial.dump();
  const auto& data = initial["data"];
  EXPECT_EQ(data["is_success"], true);
  EXPECT_EQ(data["record_type"], 1);
  EXPECT_EQ(data["switch_cfg"]["default_state"], false);
  EXPECT_FALSE(data["share_cfg"]["share_id"].get<std::string>().empty());
  EXPECT_EQ(data["permission_point_cfg"].size(), 3u);
  EXPECT_TRUE(data["permission_group_cfg"][0]["access_cfg"].is_array());
  EXPECT_TRUE(data["ui_visible_cfg"]["download_visible"].is_boolean());

  ASSERT_EQ(Call(alice_, "set-cfg", LinkSettings(true, 2, "pw", 4102444800000))["code"], 0);
  const auto after = Call(alice_, "get-cfg", {})["data"];
  EXPECT_EQ(after["user_share_set"]["switch_state"], true);
  EXPECT_EQ(after["user_share_set"]["permission_point_cfg"], 2);
  EXPECT_EQ(after["user_share_set"]["expired_time"], 4102444800000);
  EXPECT_EQ(after["switch_cfg"]["default_need_pwd"], true);
  EXPECT_EQ(after["share_cfg"]["share_id"], data["share_cfg"]["share_id"]);
  EXPECT_EQ(Call(alice_, "set-cfg", LinkSettings(true, 9))["code"], 40000);
  EXPECT_EQ(Call(alice_, "get-ui-cfg", {})["data"]["ui_visible_cfg"]["lintra_share_visible"], true);

  // The owner's list item now shows the link and its password.
  const auto item = Record(alice_)["data"]["record"];
  EXPECT_EQ(item["share_url"], after["share_cfg"]["share_link"]);
  EXPECT_EQ(item["password"], "pw");
  EXPECT_EQ(item["sharing_state"], 1);
}

TEST_F(BackendShareApiTest, OnlyOwnersAndCoOwnersManageAndOnlyTheOwnerAppointsCoOwners) {
  EXPECT_EQ(Call(bob_, "get-cfg", {})["code"], 40300);
  EXPECT_EQ(Call(bob_, "set-cfg", LinkSettings(true))["code"], 40300);
  EXPECT_EQ(Call(bob_, "set-grant-users",
                 {{"list", {{{"app_uid", "bob"}, {"permission_id", 1}}}}})["code"],
            40300);
  EXPECT_EQ(Call(bob_, "setAssigner", {{"add_members", {{{"app_uid", "bob"}}}}})["code"], 40300);

  ASSERT_EQ(Call(alice_, "setAssigner",
                 {{"custom_info", ""},
                  {"uuid", "u"},
                  {"grant_from", 1},
                  {"add_members", {{{"app_id", "x"}, {"app_uid", "bob"}}}}})["code"],
            0);
  EXPECT_EQ(Call(bob_, "get-cfg", {})["data"]["assign_user_num"], 1);
  EXPECT_EQ(Call(bob_, "set-cfg", LinkSettings(true))["code"], 0);
  EXPECT_EQ(Record(bob_)["data"]["record"]["role_type"], 2);
  // A co-owner cannot appoint further co-owners.
  EXPECT_EQ(Call(bob_, "setAssigner", {{"add_members", {{{"app_uid", "carol"}}}}})["code"], 40300);
  ASSERT_EQ(Call(alice_, "setAssigner", {{"del_members", {{{"app_uid", "bob"}}}}})["code"], 0);
  EXPECT_EQ(Call(bob_, "get-cfg", {})["code"], 40300);
  EXPECT_EQ(Call(alice_, "setAssigner", {{"add_members", {{{"app_uid", "nobody"}}}}})["code"],
            40400);
}

TEST_F(BackendShareApiTest, TheShareLinkObeysSwitchPasswordAndExpiry) {
  const std::string link = ShareLink();
  EXPECT_EQ(OpenPage(link), 403);  // switched off
  ASSERT_EQ(Call(alice_, "set-cfg", LinkSettings(true))["code"], 0);
  EXPECT_EQ(OpenPage(link), 200);
  ASSERT_EQ(Call(alice_, "set-cfg", LinkSettings(true, 1, "open sesame"))["code"], 0);
  EXPECT_EQ(OpenPage(link), 403);
  EXPECT_EQ(OpenPage(link + "?pwd=wrong"), 403);
  EXPECT_EQ(OpenPage(link + "?pwd=open%20sesame"), 200);
  ASSERT_EQ(Call(alice_, "set-cfg", LinkSettings(true, 1, "", 1000))["code"], 0);  // long ago
  EXPECT_EQ(OpenPage(link), 403);
  EXPECT_EQ(OpenPage(link.substr(0, link.size() - 2) + "00"), 404);
}

TEST_F(BackendShareApiTest, GrantsOpenTheRecordAndRemovingThemClosesIt) {
  ASSERT_EQ(
      Call(alice_, "set-grant-users",
           {{"custom_info", ""},
            {"list", {{{"app_id", "qr-app"}, {"app_uid", "bob"}, {"permission_id", 1}}}}})["code"],
      0);
  const auto granted = Call(alice_, "granted-users", {{"cursor", "0"}, {"page_size", 10}});
  ASSERT_EQ(granted["code"], 0);
  EXPECT_EQ(granted["data"]["member_count"], 1);
  EXPECT_EQ(granted["data"]["selected_list"][0]["app_uid"], "bob");
  EXPECT_EQ(granted["data"]["selected_list"][0]["permission_id"], 1);
  EXPECT_EQ(granted["data"]["creator"]["app_uid"], "alice");

  const std::string bobs_page = Record(bob_)["data"]["record"]["jump_path"];
  EXPECT_EQ(OpenPage(bobs_page), 200);
  ASSERT_EQ(Call(alice_, "set-grant-users-big",
                 {{"custom_info", ""},
                  {"is_participant_all", 0},
                  {"uuid", "u"},
                  {"deleted_list", {{{"app_id", "qr-app"}, {"app_uid", "bob"}}}}})["code"],
            0);
  EXPECT_EQ(OpenPage(bobs_page), 403);
  EXPECT_EQ(Call(alice_, "granted-users", {{"cursor", "0"}})["data"]["member_count"], 0);
  EXPECT_EQ(Call(alice_, "set-grant-users", {{"list", {{{"app_uid", "nobody"}}}}})["code"], 40400);
}

TEST_F(BackendShareApiTest, MeetingParticipantsCanBeListedCountedAndGranted) {
  ASSERT_EQ(
      Admin().Call("POST", "/admin/records/" + uni_ + "/meeting", {{"meeting_id", "m-7"}}).status,
      200);
  ASSERT_EQ(Admin()
                .Call("POST", "/admin/meetings/m-7/participants",
                      {{"app_uids", {"alice", "bob", "carol"}}})
                .status,
            200);
  EXPECT_EQ(Call(alice_, "get-participant-cnt", {})["data"]["cnt"], 3);
  const auto listed = Call(alice_, "participant-list", {{"scene", 0}, {"page", 0}});
  ASSERT_EQ(listed["code"], 0);
  EXPECT_EQ(listed["data"]["count"], 3);
  EXPECT_EQ(listed["data"]["granted_cnt"], 0);
  EXPECT_EQ(listed["data"]["list"].size(), 3u);

  // Participants see the record once the link admits participants, without a grant.
  EXPECT_EQ(Record(carol_)["code"], 40300);
  ASSERT_EQ(Call(alice_, "set-cfg", LinkSettings(true, 3))["code"], 0);
  EXPECT_EQ(Record(carol_)["data"]["record"]["role_type"], 4);

  ASSERT_EQ(Call(alice_, "grant-all-participant", {})["code"], 0);
  EXPECT_EQ(Call(alice_, "participant-list", {{"page", 0}})["data"]["granted_cnt"], 2);
  const auto found = Call(alice_, "search-user", {{"scene", 1}, {"page", 0}, {"key_word", "CAR"}});
  ASSERT_EQ(found["code"], 0);
  ASSERT_EQ(found["data"]["list"].size(), 1u);
  EXPECT_EQ(found["data"]["list"][0]["app_uid"], "carol");
  EXPECT_EQ(found["data"]["list"][0]["is_grant"], true);
}

TEST_F(BackendShareApiTest, ChoosingAPointClearsTheGroupAndTheOtherWayRound) {
  nlohmann::json group = LinkSettings(true);
  group.erase("permission_point_cfg");
  group["permission_group_cfg"] = {{"group_id", 1}, {"access_id", 2}};
  ASSERT_EQ(Call(alice_, "set-cfg", group)["code"], 0);
  auto set = Call(alice_, "get-cfg", {})["data"]["user_share_set"];
  EXPECT_EQ(set["permission_group_cfg"], 1);
  EXPECT_EQ(set["permission_point_cfg"], 0);

  ASSERT_EQ(Call(alice_, "set-cfg", LinkSettings(true, 2))["code"], 0);
  const auto data = Call(alice_, "get-cfg", {})["data"];
  EXPECT_EQ(data["user_share_set"]["permission_group_cfg"], 0);
  EXPECT_EQ(data["user_share_set"]["permission_point_cfg"], 2);
  EXPECT_EQ(data["switch_cfg"]["permission_group_id"], 0);

  // What the back end cannot act on is refused, and nothing changes.
  group["permission_group_cfg"] = {{"group_id", 5}, {"access_id", 1}};
  EXPECT_EQ(Call(alice_, "set-cfg", group)["code"], 40000);
  group["permission_group_cfg"] = {{"group_id", 1}, {"access_id", 3}};
  EXPECT_EQ(Call(alice_, "set-cfg", group)["code"], 40000);
  nlohmann::json negative = LinkSettings(true);
  negative["expired_time"] = -5;
  EXPECT_EQ(Call(alice_, "set-cfg", negative)["code"], 40000);
  EXPECT_EQ(Call(alice_, "set-grant-users",
                 {{"list", {{{"app_uid", "bob"}, {"permission_id", 3}}}}})["code"],
            40000);
  EXPECT_EQ(Call(alice_, "get-cfg", {})["data"]["user_share_set"]["permission_point_cfg"], 2);
}

TEST_F(BackendShareApiTest, SearchLooksWhereTheSceneSaysAndCountsEveryMatch) {
  for (const char* uid : {"carla", "carmen", "oscar"}) Admin().CreateUser(uid);
  ASSERT_EQ(
      Admin()
          .Call("POST", "/admin/users", {{"app_uid", "cartographer"}, {"app_id", "other-app"}})
          .status,
      200);
  ASSERT_EQ(
      Admin().Call("POST", "/admin/records/" + uni_ + "/meeting", {{"meeting_id", "m-9"}}).status,
      200);
  ASSERT_EQ(Admin()
                .Call("POST", "/admin/meetings/m-9/participants",
                      {{"app_uids", {"bob", "carol", "cartographer"}}})
                .status,
            200);
  const auto search = [&](int scene, const std::string& word) {
    const auto answer =
        Call(alice_, "search-user", {{"scene", scene}, {"page", 0}, {"key_word", word}});
    EXPECT_EQ(answer["code"], 0) << answer.dump();
    return answer["data"];
  };
  // Scene 0: among the meeting's participants, whatever their app.
  auto found = search(0, "car");
  EXPECT_EQ(found["count"], 2);
  ASSERT_EQ(found["list"].size(), 2u);
  EXPECT_EQ(found["list"][0]["app_uid"], "carol");
  EXPECT_EQ(found["list"][1]["app_uid"], "cartographer");
  // Scene 1: among the contacts of the owner's app.
  found = search(1, "car");
  EXPECT_EQ(found["count"], 4);  // carla, carmen, carol, oscar
  EXPECT_EQ(found["has_more"], false);
  EXPECT_EQ(search(1, "nobody by that name")["count"], 0);
  EXPECT_EQ(Call(alice_, "search-user", {{"scene", 2}, {"page", 0}, {"key_word", "x"}})["code"],
            40000);
  // The participant list honours the scene as well.
  EXPECT_EQ(Call(alice_, "participant-list", {{"scene", 0}, {"page", 0}})["data"]["count"], 3);
  EXPECT_EQ(Call(alice_, "participant-list", {{"scene", 1}, {"page", 0}})["data"]["count"], 6);
}

TEST_F(BackendShareApiTest, SignedInUsersOpenTheLinkThroughTheRecordAnswer) {
  const std::string share_id = Call(alice_, "get-cfg", {})["data"]["share_cfg"]["share_id"];
  const auto open = [&](const std::string& pwd) {
    return Api(carol_).Post("/v2/meetlog/main/get-record", {{"share_id", share_id}, {"pwd", pwd}});
  };
  EXPECT_EQ(open("")["code"], 40300);  // switched off
  ASSERT_EQ(Call(alice_, "set-cfg", LinkSettings(true, 2, "pw"))["code"], 0);
  EXPECT_EQ(open("")["code"], 40300);
  EXPECT_EQ(open("nope")["code"], 40300);
  const auto opened = open("pw");
  ASSERT_EQ(opened["code"], 0) << opened.dump();
  EXPECT_EQ(opened["data"]["record"]["role_type"], 5);
  EXPECT_EQ(opened["data"]["record"]["download_url"], "");
  // Remembered: the record answers carol by its id now, until the password changes.
  EXPECT_EQ(Record(carol_)["code"], 0);
  ASSERT_EQ(Call(alice_, "set-cfg", LinkSettings(true, 2, "new pw"))["code"], 0);
  EXPECT_EQ(Record(carol_)["code"], 40300);
  EXPECT_EQ(Api(carol_).Post("/v2/meetlog/main/get-record", {{"share_id", "00000000"}})["code"],
            40400);
}

TEST_F(BackendShareApiTest, MinutesShowOnlyWhenTheSettingAllows) {
  ASSERT_EQ(Admin().Call("POST", "/admin/settings", {{"censor_review_polls", 0}}).status, 200);
  const auto review = Api(alice_).Post(
      "/v2/meetlog/dashboard/update-record-info",
      {{"uni_record_id", uni_}, {"title", "Quarterly review"}, {"description", "We agreed."}});
  ASSERT_EQ(Api(alice_).Post("/v2/meetlog/censor/status", review["data"])["data"]["status"], 0);
  ASSERT_EQ(Call(alice_, "set-grant-users", {{"list", {{{"app_uid", "bob"}}}}})["code"], 0);
  const std::string page = Record(bob_)["data"]["record"]["jump_path"];
  EXPECT_EQ(Record(bob_)["data"]["record"]["minutes"], "");
  EXPECT_EQ(Browse(page).body.find("id=\"minutes\""), std::string::npos);
  nlohmann::json minutes = LinkSettings(false);
  minutes["view_minutes_enable"] = true;
  ASSERT_EQ(Call(alice_, "set-cfg", minutes)["code"], 0);
  EXPECT_EQ(Record(bob_)["data"]["record"]["minutes"], "We agreed.");
  EXPECT_NE(Browse(page).body.find("We agreed."), std::string::npos);
  // The owner always reads them.
  EXPECT_EQ(Record(alice_)["data"]["record"]["view_minutes_permitted"], 1);
}

TEST_F(BackendShareApiTest, InviteJoinStateIsStored) {
  EXPECT_EQ(Call(alice_, "get-invite-join-state", {})["data"]["status"], false);
  ASSERT_EQ(Call(alice_, "set-invite-join-state", {{"status", true}})["code"], 0);
  Restart();
  EXPECT_EQ(Call(alice_, "get-invite-join-state", {})["data"]["status"], true);
  EXPECT_EQ(Call(bob_, "set-invite-join-state", {{"status", false}})["code"], 40300);
}

}  // namespace
}  // namespace qr_backend::testing
