// Who may open a shared record, under each link setting, on each of the three ways in: the
// record answer (get-record), the player page, and the video object itself.

#include "backend_fixture.h"

namespace qr_backend::testing {
namespace {

constexpr char kPermission[] = "/v2/meetlog/permission/";
constexpr char kGetRecord[] = "/v2/meetlog/main/get-record";
constexpr char kPassword[] = "open sesame";
constexpr char kVideo[] = "the video bytes";

// The viewers, in the order of an expectation's letters.
enum Viewer { kOwner, kCoOwner, kGranted, kSameApp, kOtherApp, kAnonymous, kWrongPassword };
constexpr int kViewers = 7;
const char* const kViewerNames[kViewers] = {"owner",
                                            "co-owner",
                                            "granted user",
                                            "same-app user",
                                            "other-app user",
                                            "anonymous with link",
                                            "anonymous, wrong password"};

// One row of the matrix: a link setting and, per viewer, "-" refused, "V" may view (record
// answer and player page), "D" may view and fetch the video object.
struct Setting {
  const char* name;
  nlohmann::json body;  // set-cfg body without "uni_record_id"
  std::array<const char*, kViewers> expected;
};

void PrintTo(const Setting& setting, std::ostream* out) { *out << setting.name; }

nlohmann::json PointLink(int point, const std::string& pwd = "", bool download = false,
                         int64_t expires_ms = 0) {
  return {{"record_type", "1"},
          {"switch_state", true},
          {"permission_point_cfg", {{"point_id", point}}},
          {"expired_time", expires_ms},
          {"expired_time_type", expires_ms ? 3 : 0},
          {"download_enable", download},
          {"view_minutes_enable", false},
          {"pwd", pwd}};
}

nlohmann::json GroupLink(int access_id) {
  nlohmann::json body = PointLink(1);
  body.erase("permission_point_cfg");
  body["permission_group_cfg"] = {{"group_id", 1}, {"access_id", access_id}};
  return body;
}

nlohmann::json LinkOff() {
  nlohmann::json body = PointLink(1);
  body["switch_state"] = false;
  return body;
}

// What one viewer managed to do.
struct Outcome {
  bool answer = false;  // the record answer admitted them (signed-in viewers only)
  bool page = false;    // the player page played the video
  bool object = false;  // a whole-object GET with what they were handed returned the video
};

class BackendSharingMatrixTest : public BackendTest, public ::testing::WithParamInterface<Setting> {
 protected:
  void SetUp() override {
    BackendTest::SetUp();
    carol_ = Admin().CreateUser("carol");
    erin_ = Admin().CreateUser("erin");  // the same app as alice: the admin default
    const auto dave =
        Admin().Call("POST", "/admin/users", {{"app_uid", "dave"}, {"app_id", "other-app"}});
    ASSERT_EQ(dave.status, 200) << dave.body;
    dave_ = {"dave", dave.Json()["token"], dave.Json()["secret"]};

    const auto start = StartRecord(alice_, "Shared talk");
    ASSERT_EQ(PutVideo(start, kVideo).status, 200);
    ASSERT_EQ(Complete(alice_, start, sizeof(kVideo) - 1)["code"], 0);
    uni_ = start["uni_record_id"];
    ASSERT_EQ(Manage("setAssigner", {{"add_members", {{{"app_uid", "bob"}}}}})["code"], 0);
    ASSERT_EQ(Manage("set-grant-users",
                     {{"list", {{{"app_uid", "carol"}, {"permission_id", 1}}}}})["code"],
              0);
    share_id_ = Manage("get-cfg", {{"is_creator", true}})["data"]["share_cfg"]["share_id"];
    ASSERT_FALSE(share_id_.empty());

    // Everyone signed in gets their own player-page address while the link is wide open, as a
    // viewer keeps it in their recent list; the setting under test comes afterwards.
    ASSERT_EQ(Manage("set-cfg", PointLink(1))["code"], 0);
    for (Viewer viewer : {kOwner, kCoOwner, kGranted, kSameApp, kOtherApp}) {
      const auto answer = Answer(viewer, "");
      ASSERT_EQ(answer["code"], 0) << kViewerNames[viewer] << answer.dump();
      pages_[viewer] = answer["data"]["record"]["jump_path"];
    }
  }

  nlohmann::json Manage(const std::string& name, nlohmann::json body) {
    body["uni_record_id"] = uni_;
    return Api(alice_).Post(kPermission + name, body);
  }

  const Account& AccountOf(Viewer viewer) const {
    switch (viewer) {
      case kOwner:
        return alice_;
      case kCoOwner:
        return bob_;
      case kGranted:
        return carol_;
      case kSameApp:
        return erin_;
      default:
        return dave_;
    }
  }

  // The record answer: owners and named users ask by the record's id, the others open the
  // share link signed in, with the link's password.
  nlohmann::json Answer(Viewer viewer, const std::string& pwd) {
    const bool by_link = viewer == kSameApp || viewer == kOtherApp;
    const nlohmann::json body = by_link ? nlohmann::json{{"share_id", share_id_}, {"pwd", pwd}}
                                        : nlohmann::json{{"uni_record_id", uni_}, {"file_id", ""}};
    return Api(AccountOf(viewer)).Post(kGetRecord, body);
  }

  // Fetches the whole video object with a URL the viewer was handed; true when it came.
  bool FetchWhole(const std::string& url) {
    if (url.empty()) return false;
    const auto video = Objects().Request("GET", ObjectClient::PathOf(url), {});
    return video.status == 200 && video.body == kVideo;
  }

  Outcome Try(Viewer viewer, const std::string& pwd) {
    Outcome outcome;
    std::string download;
    std::string page_url;
    if (viewer == kAnonymous || viewer == kWrongPassword) {
      page_url = "/share/" + share_id_ + "?pwd=" + (viewer == kAnonymous ? pwd : "wrong");
    } else {
      const auto answer = Answer(viewer, pwd);
      outcome.answer = answer["code"] == 0 && answer["data"]["record"]["play_video_permitted"] == 1;
      if (answer["code"] == 0) download = answer["data"]["record"]["download_url"];
      page_url = pages_[viewer];
    }
    const auto page = Browse(page_url);
    const std::string video = FindInPage(page.body, R"re(<video[^>]* src="([^"]+)")re");
    outcome.page = page.status == 200 && !video.empty();
    if (download.empty())
      download = FindInPage(page.body, R"re(id="download"[^>]* href="([^"]+)")re");
    // Without a download address, the player's own address is all they hold.
    outcome.object = FetchWhole(download.empty() ? video : download);
    return outcome;
  }

  Account carol_;
  Account dave_;
  Account erin_;
  std::string uni_;
  std::string share_id_;
  std::array<std::string, kViewers> pages_;
};

TEST_P(BackendSharingMatrixTest, EachViewerGetsWhatTheSettingAllows) {
  const Setting& setting = GetParam();
  // Erin took part in the record's meeting; only point 3 cares.
  ASSERT_EQ(
      Admin().Call("POST", "/admin/records/" + uni_ + "/meeting", {{"meeting_id", "m-1"}}).status,
      200);
  ASSERT_EQ(
      Admin().Call("POST", "/admin/meetings/m-1/participants", {{"app_uids", {"erin"}}}).status,
      200);
  const auto set = Manage("set-cfg", setting.body);
  ASSERT_EQ(set["code"], 0) << set.dump();
  const std::string pwd = setting.body.value("pwd", "");
  for (int v = 0; v < kViewers; ++v) {
    const Viewer viewer = static_cast<Viewer>(v);
    const std::string expected = setting.expected[v];
    const bool views = expected != "-";
    const Outcome got = Try(viewer, pwd);
    if (viewer != kAnonymous && viewer != kWrongPassword) {
      EXPECT_EQ(got.answer, views) << kViewerNames[v] << ": record answer";
    }
    EXPECT_EQ(got.page, views) << kViewerNames[v] << ": player page";
    EXPECT_EQ(got.object, expected == "D") << kViewerNames[v] << ": video object";
  }
}

// Viewers: owner, co-owner, granted, same-app, other-app, anonymous, anonymous wrong password.
INSTANTIATE_TEST_SUITE_P(
    Settings, BackendSharingMatrixTest,
    ::testing::Values(
        Setting{"LinkOff", LinkOff(), {"D", "D", "V", "-", "-", "-", "-"}},
        Setting{"AnyoneWithTheLink", PointLink(1), {"D", "D", "V", "V", "V", "V", "V"}},
        Setting{"PasswordAndDownload",
                PointLink(1, kPassword, true),
                {"D", "D", "D", "D", "D", "D", "-"}},
        Setting{"SignedInWithTheLink", PointLink(2), {"D", "D", "V", "V", "V", "-", "-"}},
        Setting{"ParticipantsOnly", PointLink(3), {"D", "D", "V", "V", "-", "-", "-"}},
        Setting{"OwnersOrganisation", GroupLink(1), {"D", "D", "V", "V", "-", "-", "-"}},
        Setting{"OwnersOrganisationDownloads", GroupLink(2), {"D", "D", "V", "D", "-", "-", "-"}},
        Setting{"Expired", PointLink(1, "", true, 1000), {"D", "D", "D", "-", "-", "-", "-"}}),
    [](const ::testing::TestParamInfo<Setting>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qr_backend::testing
