// The record lists, the single-record query and deletions of qr-backend over real HTTP.

#include <set>

#include "backend_fixture.h"

namespace qr_backend::testing {
namespace {

constexpr char kAll[] = "/v2/meetlog/main/list-all-record";
constexpr char kMine[] = "/v2/meetlog/dashboard/my-record-list";
constexpr char kRecent[] = "/v2/meetlog/recent/list";

class BackendRecordListApiTest : public BackendTest {
 protected:
  nlohmann::json ListPage(const Account& who, const char* path, const std::string& index,
                          int page_size, const std::string& kinds = "") {
    nlohmann::json body = {{"last_index", index},
                           {"last_uni_record_id", ""},
                           {"page_size", std::to_string(page_size)},
                           {"cover_image_type", "mid"},
                           {"first_page", index.empty()}};
    if (!kinds.empty()) body["record_type_v2"] = kinds;
    const auto answer = Api(who).Post(path, body);
    EXPECT_EQ(answer.value("code", -1), 0) << answer.dump();
    return answer.value("data", nlohmann::json::object());
  }

  // The uni ids of a whole list, following "index" until "has_more" is false.
  std::vector<std::string> Walk(const Account& who, const char* path, int page_size,
                                const std::string& kinds = "") {
    std::vector<std::string> ids;
    std::string index;
    for (int guard = 0; guard < 10000; ++guard) {
      const auto page = ListPage(who, path, index, page_size, kinds);
      for (const auto& record : page["records"]) ids.push_back(record["uni_record_id"]);
      if (!page["page_info"].value("has_more", false)) break;
      index = page["page_info"]["index"];
    }
    return ids;
  }

  void Grant(const Account& owner, const std::string& uni, const std::string& to,
             int permission = 1) {
    const auto answer = Api(owner).Post(
        "/v2/meetlog/permission/set-grant-users",
        {{"uni_record_id", uni},
         {"custom_info", ""},
         {"list", {{{"app_id", "qr-app"}, {"app_uid", to}, {"permission_id", permission}}}}});
    ASSERT_EQ(answer.value("code", -1), 0) << answer.dump();
  }
};

TEST_F(BackendRecordListApiTest, EveryItemCarriesTheWholeRecordItem) {
  const auto start = FinishedRecord(alice_, "Planning");
  const auto page = ListPage(alice_, kAll, "", 10);
  ASSERT_EQ(page["records"].size(), 1u);
  const auto& item = page["records"][0];
  for (const char* key :
       {"record_id",         "title",           "start_time",        "end_time",
        "duration",          "cover_url",       "encode_record_id",  "uni_record_id",
        "jump_path",         "jump_path_short", "record_state_tips", "recorder_uid",
        "recorder_username", "recorder_avatar", "last_view_time",    "record_type",
        "privilege_tips",    "password",        "share_url",         "share_url_short",
        "share_url_expired", "play_video_tips", "cover_msg",         "sort_num",
        "file_id",           "activity_uid",    "activity_id",       "access_msg"}) {
    EXPECT_TRUE(item[key].is_string()) << key;
  }
  for (const char* key : {"video_width", "video_height", "record_count", "is_del", "record_state",
                          "play_video_permitted", "play_video_code", "viewer_status", "access_type",
                          "permission_type", "sharing_state", "is_rooms", "role_type"}) {
    EXPECT_TRUE(item[key].is_number_integer()) << key;
  }
  for (const char* key : {"show_red_point", "is_single", "is_admin"}) {
    EXPECT_TRUE(item[key].is_boolean()) << key;
  }
  for (const char* key : {"subject", "meeting_code", "meeting_id"}) {
    EXPECT_TRUE(item["meeting_info"][key].is_string()) << key;
  }
  EXPECT_TRUE(item["hover_msg"]["msg_type"].is_number_integer());
  EXPECT_TRUE(item["hover_msg"]["time_at"].is_string());

  EXPECT_EQ(item["uni_record_id"], start["uni_record_id"]);
  EXPECT_EQ(item["title"], "Planning");
  EXPECT_EQ(item["record_state"], 1);
  EXPECT_EQ(item["duration"], "61000");
  EXPECT_EQ(item["start_time"], "1700000000000");  // the client's record_start_time
  EXPECT_EQ(item["end_time"], "1700000061000");
  EXPECT_EQ(item["record_type"], "fast_record");
  EXPECT_EQ(item["recorder_uid"], "alice");
  EXPECT_EQ(item["play_video_permitted"], 1);
  EXPECT_EQ(item["role_type"], 1);
  EXPECT_EQ(item["jump_path"].get<std::string>().rfind("/play/", 0), 0u);
  EXPECT_NE(item["jump_path"].get<std::string>().find('?'), std::string::npos);
  EXPECT_EQ(item["jump_path_short"].get<std::string>().rfind("s/", 0), 0u);
  EXPECT_EQ(page["page_info"]["count"], "1");
  EXPECT_EQ(page["page_info"]["size"], "1");
  EXPECT_FALSE(page["page_info"]["has_more"]);
}

TEST_F(BackendRecordListApiTest, AllHoldsSharedRecordsMineOnlyOwnOnes) {
  const auto own = StartRecord(alice_, "mine");
  const auto bobs = StartRecord(bob_, "bob's");
  StartRecord(bob_, "bob's private");
  Grant(bob_, bobs["uni_record_id"], "alice");
  const auto all = Walk(alice_, kAll, 10);
  EXPECT_EQ(std::set<std::string>(all.begin(), all.end()),
            (std::set<std::string>{own["uni_record_id"], bobs["uni_record_id"]}));
  EXPECT_EQ(Walk(alice_, kMine, 10), std::vector<std::string>{own["uni_record_id"]});

  // A removed grant takes the record out of the list again.
  Grant(bob_, bobs["uni_record_id"], "alice", 0);
  EXPECT_EQ(Walk(alice_, kAll, 10), std::vector<std::string>{own["uni_record_id"]});
}

TEST_F(BackendRecordListApiTest, KindFiltersFollowRecordTypeV2) {
  const auto fast = Seed("alice", 2);
  const auto cloud = Seed("alice", 1, {{"record_type", "cloud_record"}});
  const auto upload = Seed("alice", 1, {{"record_type", "user_upload"}});
  EXPECT_EQ(Walk(alice_, kAll, 10, "cloud_record"), cloud);
  EXPECT_EQ(Walk(alice_, kAll, 10, "fast_record|user_upload").size(), 3u);
  EXPECT_EQ(Walk(alice_, kAll, 10).size(), 4u);
  const auto bad = Api(alice_).Post(kAll, {{"record_type_v2", "fast_record|mixtape"}});
  EXPECT_EQ(bad["code"], 40000);
}

TEST_F(BackendRecordListApiTest, PagingSurvivesInsertsAndDeletesBetweenPages) {
  auto ids = Seed("alice", 25, {{"age_step_seconds", 1}});
  std::vector<std::string> seen;
  std::set<std::string> deleted;
  std::string index;
  for (int step = 0;; ++step) {
    const auto page = ListPage(alice_, kMine, index, 4);
    for (const auto& record : page["records"]) seen.push_back(record["uni_record_id"]);
    if (!page["page_info"]["has_more"]) break;
    index = page["page_info"]["index"];
    StartRecord(alice_, "arrives meanwhile");
    // Delete the oldest record that has not been listed yet.
    const std::string victim = ids.back();
    if (std::find(seen.begin(), seen.end(), victim) == seen.end()) {
      ASSERT_EQ(Api(alice_).Post("/v2/meetlog/dashboard/delete-record-info",
                                 {{"uni_record_ids", {victim}}, {"api_version", 1}})["code"],
                0);
      deleted.insert(victim);
      ids.pop_back();
    }
  }
  const std::set<std::string> unique(seen.begin(), seen.end());
  EXPECT_EQ(unique.size(), seen.size()) << "a record was listed twice";
  for (const std::string& id : ids) EXPECT_EQ(unique.count(id), 1u) << "skipped " << id;
  for (const std::string& id : deleted) EXPECT_EQ(unique.count(id), 0u) << "deleted " << id;
}

TEST_F(BackendRecordListApiTest, AThousandRecordsPageByUpdateTimeWhileAnotherClientChangesThem) {
  ASSERT_EQ(Admin().Call("POST", "/admin/settings", {{"censor_review_polls", 0}}).status, 200);
  // In progress, a second apart, so a rename or a completion moves a record to the top.
  const auto ids = Seed("alice", 1000, {{"age_step_seconds", 1}, {"record_state", 2}});
  ASSERT_EQ(ids.size(), 1000u);
  const ApiClient other_device = Api(alice_);
  const auto rename = [&](const std::string& uni, const std::string& title) {
    const auto review = other_device.Post("/v2/meetlog/dashboard/update-record-info",
                                          {{"uni_record_id", uni}, {"title", title}})["data"];
    ASSERT_EQ(other_device.Post("/v2/meetlog/censor/status", review)["data"]["status"], 0);
  };
  const auto complete = [&](const std::string& uni) {
    const std::string record_id = Admin().Call("GET", "/admin/records/" + uni).Json()["record_id"];
    nlohmann::json again = StartBody("");
    again["record_id"] = record_id;
    const auto start = other_device.Post("/v2/record/control/get-start-data", again)["data"];
    ASSERT_EQ(PutVideo(start, "0123").status, 200);
    ASSERT_EQ(Complete(alice_, start, 4)["code"], 0);
  };

  std::vector<std::string> seen;
  std::set<std::string> deleted;
  std::string index;
  size_t next = 0;  // walks the ids from the oldest, which the listing reaches last
  for (int page_number = 0;; ++page_number) {
    const auto page = ListPage(alice_, kAll, index, 50);
    for (const auto& record : page["records"]) {
      seen.push_back(record["uni_record_id"]);
      EXPECT_EQ(deleted.count(seen.back()), 0u) << "listed after its deletion: " << seen.back();
    }
    if (!page["page_info"]["has_more"]) break;
    index = page["page_info"]["index"];
    ASSERT_LT(page_number, 40) << "the walk does not end";
    // Between two pages the other device renames two records not listed yet and one listed
    // already, completes one not listed yet and deletes another.
    const std::string& oldest = ids[ids.size() - 1 - next];
    rename(oldest, "Renamed " + oldest);
    rename(ids[ids.size() - 2 - next], "Renamed too");
    rename(seen[seen.size() / 2], "Renamed after listing");
    complete(ids[ids.size() - 3 - next]);
    const std::string victim = ids[ids.size() - 4 - next];
    if (std::find(seen.begin(), seen.end(), victim) == seen.end()) {
      ASSERT_EQ(other_device.Post("/v2/meetlog/dashboard/delete-record-info",
                                  {{"uni_record_ids", {victim}}, {"api_version", 1}})["code"],
                0);
      deleted.insert(victim);
    }
    next += 4;
  }
  const std::set<std::string> unique(seen.begin(), seen.end());
  EXPECT_EQ(unique.size(), seen.size()) << "a record was listed twice";
  size_t missed = 0;
  for (const std::string& id : ids) missed += !deleted.count(id) && !unique.count(id);
  EXPECT_EQ(missed, 0u) << "records skipped";
  EXPECT_EQ(unique.size(), 1000u - deleted.size());
  // A fresh listing shows the changes on top.
  const auto top = ListPage(alice_, kAll, "", 1)["records"][0];
  EXPECT_TRUE(top["title"].get<std::string>().rfind("Renamed", 0) == 0 || top["record_state"] == 1)
      << top.dump();
}

TEST_F(BackendRecordListApiTest, TenThousandRecordsPageThroughAllAndRecent) {
  const auto ids = Seed("alice", 10000);
  ASSERT_EQ(ids.size(), 10000u);
  ASSERT_EQ(Admin()
                .Call("POST", "/admin/views",
                      {{"app_uid", "alice"}, {"uni_record_ids", ids}, {"viewed_at", 10'000'000}})
                .status,
            200);
  const std::set<std::string> expected(ids.begin(), ids.end());
  for (const char* path : {kAll, kRecent}) {
    const auto listed = Walk(alice_, path, 100);
    EXPECT_EQ(listed.size(), 10000u) << path;
    EXPECT_EQ(std::set<std::string>(listed.begin(), listed.end()), expected) << path;
  }
  // The recent list follows the view order: the first viewed is the newest.
  EXPECT_EQ(ListPage(alice_, kRecent, "", 1)["records"][0]["uni_record_id"], ids.front());
}

TEST_F(BackendRecordListApiTest, RecentFollowsThePlayerPageAndForgetsOnRequest) {
  const auto first = FinishedRecord(alice_, "first");
  const auto second = FinishedRecord(alice_, "second");
  httplib::Client browser("127.0.0.1", backend_->api_port());
  for (const auto* start : {&second, &first}) {
    const auto page = browser.Get(ObjectClient::PathOf((*start)["jump_url"]));
    ASSERT_TRUE(page);
    ASSERT_EQ(page->status, 200);
  }
  EXPECT_EQ(Walk(alice_, kRecent, 10),
            (std::vector<std::string>{first["uni_record_id"], second["uni_record_id"]}));
  const auto item = ListPage(alice_, kRecent, "", 1)["records"][0];
  EXPECT_NE(item["last_view_time"], "0");

  EXPECT_EQ(Api(alice_).Post("/v2/meetlog/recent/del", {{"record_id", first["record_id"]},
                                                        {"uni_record_id", first["uni_record_id"]},
                                                        {"type", "fast_record"}})["code"],
            0);
  EXPECT_EQ(Walk(alice_, kRecent, 10), std::vector<std::string>{second["uni_record_id"]});
}

TEST_F(BackendRecordListApiTest, GetRecordAnswersAccessForWhoAsks) {
  const auto start = FinishedRecord(alice_);
  const nlohmann::json body = {{"uni_record_id", start["uni_record_id"]},
                               {"file_id", start["file_id"]}};
  const auto own = Api(alice_).Post("/v2/meetlog/main/get-record", body);
  ASSERT_EQ(own["code"], 0);
  EXPECT_EQ(own["data"]["record"]["play_video_permitted"], 1);
  EXPECT_EQ(own["data"]["page_info"]["count"], "1");
  EXPECT_EQ(Api(bob_).Post("/v2/meetlog/main/get-record", body)["code"], 40300);

  // Bob was granted access, watched it, and lost the grant: he learns why he cannot play.
  Grant(alice_, start["uni_record_id"], "bob");
  const auto granted = Api(bob_).Post("/v2/meetlog/main/get-record", body);
  ASSERT_EQ(granted["code"], 0);
  EXPECT_EQ(granted["data"]["record"]["play_video_permitted"], 1);
  EXPECT_EQ(granted["data"]["record"]["password"], "");  // not a manager
  httplib::Client browser("127.0.0.1", backend_->api_port());
  ASSERT_EQ(browser.Get(ObjectClient::PathOf(granted["data"]["record"]["jump_path"]))->status, 200);
  Grant(alice_, start["uni_record_id"], "bob", 0);
  const auto revoked = Api(bob_).Post("/v2/meetlog/main/get-record", body);
  ASSERT_EQ(revoked["code"], 0) << revoked.dump();
  EXPECT_EQ(revoked["data"]["record"]["play_video_permitted"], 0);
  EXPECT_EQ(revoked["data"]["record"]["play_video_code"], 2);
  EXPECT_FALSE(revoked["data"]["record"]["play_video_tips"].get<std::string>().empty());
  EXPECT_EQ(Api(alice_).Post("/v2/meetlog/main/get-record",
                             {{"uni_record_id", "qrnothing"}, {"file_id", ""}})["code"],
            40400);
}

TEST_F(BackendRecordListApiTest, MeetingListShowsTheMeetingsRecordsTheCallerMaySee) {
  const auto first = StartRecord(alice_, "part one");
  const auto second = StartRecord(alice_, "part two");
  StartRecord(alice_, "elsewhere");
  for (const auto* start : {&first, &second}) {
    ASSERT_EQ(
        Admin()
            .Call("POST",
                  "/admin/records/" + (*start)["uni_record_id"].get<std::string>() + "/meeting",
                  {{"meeting_id", "m-42"}, {"meeting_code", "123456"}, {"subject", "Sync"}})
            .status,
        200);
  }
  const nlohmann::json body = {{"meeting_id", "m-42"}, {"sub_meeting_id", ""}, {"room_id", ""},
                               {"page_size", 10},      {"last_index", ""},     {"source", 0}};
  const auto mine = Api(alice_).Post("/v2/meetlog/dashboard/meeting-record-list", body);
  ASSERT_EQ(mine["code"], 0) << mine.dump();
  ASSERT_EQ(mine["data"]["records"].size(), 2u);
  EXPECT_EQ(mine["data"]["records"][0]["meeting_info"]["meeting_code"], "123456");
  // Bob was not in the meeting and has no grant.
  EXPECT_EQ(
      Api(bob_).Post("/v2/meetlog/dashboard/meeting-record-list", body)["data"]["records"].size(),
      0u);
}

TEST_F(BackendRecordListApiTest, DeletingRecordsIsAllOrNothingAndPushes) {
  const auto own = StartRecord(alice_);
  const auto bobs = StartRecord(bob_);
  const auto refused = Api(alice_).Post(
      "/v2/meetlog/dashboard/delete-record-info",
      {{"uni_record_ids", {own["uni_record_id"], bobs["uni_record_id"]}}, {"api_version", 1}});
  EXPECT_EQ(refused["code"], 40300);
  EXPECT_EQ(Walk(alice_, kMine, 10).size(), 1u);

  PushReader stream(backend_->api_port(), Api(alice_));
  ASSERT_EQ(stream.NextLine(std::chrono::seconds(5)), "<ping/>");
  const auto done =
      Api(alice_).Post("/v2/meetlog/dashboard/delete-record-info",
                       {{"uni_record_ids", {own["uni_record_id"], "qrgone"}}, {"api_version", 1}});
  ASSERT_EQ(done["code"], 0);
  EXPECT_EQ(done["data"]["uni_record_ids"], nlohmann::json::array({own["uni_record_id"]}));
  EXPECT_TRUE(Walk(alice_, kMine, 10).empty());
  const auto pushed = stream.NextStanza(std::chrono::seconds(5));
  ASSERT_TRUE(pushed);
  EXPECT_NE(pushed->find("<cmd>4</cmd>"), std::string::npos);
}

TEST_F(BackendRecordListApiTest, MalformedPagingIsABadRequest) {
  EXPECT_EQ(Api(alice_).Post(kAll, {{"last_index", "not-an-index"}})["code"], 40000);
  EXPECT_EQ(Api(alice_).Post(kAll, {{"page_size", "many"}})["code"], 40000);
  // The history form of "mine" answers "last_index" next to the records.
  Seed("alice", 3);
  const auto history = Api(alice_).Post(
      kMine, {{"last_index", ""}, {"page_size", "2"}, {"cover_image_type", "mid"}});
  ASSERT_EQ(history["code"], 0);
  EXPECT_EQ(history["data"]["records"].size(), 2u);
  EXPECT_EQ(history["data"]["last_index"], history["data"]["page_info"]["index"]);
}

}  // namespace
}  // namespace qr_backend::testing
