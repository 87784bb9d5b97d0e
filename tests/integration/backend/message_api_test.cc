// Notices, red dots and their pushes.

#include "backend_fixture.h"

namespace qr_backend::testing {
namespace {

using std::chrono::seconds;

class BackendMessageApiTest : public BackendTest {
 protected:
  int64_t Notify(const std::string& to, const std::string& uni, int type = 1,
                 const std::string& content = "Nice talk") {
    const auto answer = Admin().Call("POST", "/admin/notices",
                                     {{"app_uid", to},
                                      {"uni_record_id", uni},
                                      {"type", type},
                                      {"author_uid", "bob"},
                                      {"content", content},
                                      {"video_elapsed", 42},
                                      {"comment_id", "c1"}});
    EXPECT_EQ(answer.status, 200) << answer.body;
    return answer.Json().value("id", int64_t{0});
  }
  nlohmann::json Pull(const std::string& path = "meetlog.record.notice_list") {
    return Api(alice_).Post("/v2/meetlog/reddot/pull", {{"path", path}});
  }
};

TEST_F(BackendMessageApiTest, ANoticeLightsItsPathAndCardAndPushesBoth) {
  const auto start = StartRecord(alice_, "Talk");
  const std::string uni = start["uni_record_id"];
  PushReader stream(backend_->api_port(), Api(alice_));
  ASSERT_EQ(stream.NextLine(seconds(5)), "<ping/>");
  EXPECT_EQ(Pull()["data"]["is_show"], false);

  Notify("alice", uni);
  const auto card = stream.NextStanza(seconds(5));
  const auto board = stream.NextStanza(seconds(5));
  ASSERT_TRUE(card && board);
  EXPECT_NE(card->find("<cmd>5</cmd>"), std::string::npos);
  EXPECT_NE(board->find("<cmd>6</cmd>"), std::string::npos);

  const auto pulled = Pull()["data"];
  EXPECT_EQ(pulled["is_show"], true);
  EXPECT_EQ(pulled["count"], 1);
  EXPECT_EQ(pulled["type"], 1);
  const auto list = Api(alice_).Post("/v2/meetlog/main/list-all-record", {{"page_size", "5"}});
  EXPECT_EQ(list["data"]["records"][0]["show_red_point"], true);
  EXPECT_EQ(list["data"]["records"][0]["hover_msg"]["msg_type"], 1);

  ASSERT_EQ(Api(alice_).Post("/v2/meetlog/reddot/clear",
                             {{"path", "meetlog.record.notice_list"}})["code"],
            0);
  EXPECT_EQ(Pull()["data"]["is_show"], false);
  const auto cleared =
      Api(alice_).Send("GET", "/v2/meetlog/main/clear-reddot", "",
                       {0, "", false, {{"uni_record_id", uni}, {"file_id", start["file_id"]}}});
  EXPECT_EQ(cleared.Json()["code"], 0);
  EXPECT_EQ(Api(alice_).Post("/v2/meetlog/main/list-all-record",
                             {})["data"]["records"][0]["show_red_point"],
            false);
  // Clearing the path and the card each pushed once more.
  const auto board_off = stream.NextStanza(seconds(5));
  const auto card_off = stream.NextStanza(seconds(5));
  ASSERT_TRUE(board_off && card_off);
  EXPECT_NE(board_off->find("<cmd>6</cmd>"), std::string::npos);
  EXPECT_NE(card_off->find("<cmd>5</cmd>"), std::string::npos);
}

TEST_F(BackendMessageApiTest, NoticeListPagesNewestFirst) {
  const auto start = StartRecord(alice_, "Talk");
  for (int i = 0; i < 5; ++i) Notify("alice", start["uni_record_id"], 1, "n" + std::to_string(i));
  std::vector<std::string> contents;
  std::string index;
  for (int page = 0; page < 5; ++page) {
    const auto answer =
        Api(alice_).Post("/v2/meetlog/notice/list", {{"last_index", index}, {"page_size", "2"}});
    ASSERT_EQ(answer["code"], 0) << answer.dump();
    for (const auto& notice : answer["data"]["notices"]) contents.push_back(notice["content"]);
    index = answer["data"]["last_index"];
    if (index.empty()) break;
  }
  EXPECT_EQ(contents, (std::vector<std::string>{"n4", "n3", "n2", "n1", "n0"}));

  const auto first =
      Api(alice_).Post("/v2/meetlog/notice/list", {{"last_index", ""}, {"page_size", "50"}});
  const auto& notice = first["data"]["notices"][0];
  EXPECT_EQ(notice["title"], "Talk");
  EXPECT_EQ(notice["user_uid"], "bob");
  EXPECT_EQ(notice["username"], "bob");
  EXPECT_EQ(notice["video_elasped_time"], 42);
  EXPECT_EQ(notice["show_reddot"], true);
  EXPECT_EQ(notice["record_id"], start["record_id"]);
  EXPECT_TRUE(notice["create_time"].is_number_integer());
  EXPECT_EQ(Api(alice_).Post("/v2/meetlog/notice/list", {{"last_index", "x"}})["code"], 40000);
}

TEST_F(BackendMessageApiTest, AnAccessRequestBecomesANoticeToTheOwner) {
  const auto start = StartRecord(alice_, "Secret plans");
  const auto cfg = Api(alice_).Post(
      "/v2/meetlog/permission/get-cfg",
      {{"uni_record_id", start["uni_record_id"]}, {"record_type", "1"}, {"is_creator", true}});
  const std::string share_id = cfg["data"]["share_cfg"]["share_id"];
  const auto applied = Api(bob_).Post(
      "/v2/meetlog/permission/record-apply",
      {{"share_id", share_id}, {"subject", "Secret plans"}, {"reason", "I was in that meeting"}});
  ASSERT_EQ(applied["code"], 0) << applied.dump();
  EXPECT_FALSE(applied["data"]["unique_id"].get<std::string>().empty());
  const auto notices = Api(alice_).Post("/v2/meetlog/notice/list", {})["data"]["notices"];
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0]["type"], 3);
  EXPECT_EQ(notices[0]["user_uid"], "bob");
  EXPECT_EQ(notices[0]["content"], "I was in that meeting");
  // The owner cannot ask for their own record, nor can anyone for an unknown link.
  EXPECT_EQ(
      Api(alice_).Post("/v2/meetlog/permission/record-apply", {{"share_id", share_id}})["code"],
      40900);
  EXPECT_EQ(Api(bob_).Post("/v2/meetlog/permission/record-apply", {{"share_id", "feed"}})["code"],
            40400);
}

}  // namespace
}  // namespace qr_backend::testing
