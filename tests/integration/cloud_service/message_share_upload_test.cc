// Red dots, notices, sharing and the local-upload requests through the cloud service against
// qr-backend.
#include <gtest/gtest.h>

#include <optional>

#include "cloud_service_fixture.h"

namespace cloud_service_test {
namespace {

using namespace quick_record;  // NOLINT: the test speaks in the service's types throughout

constexpr char kNoticePath[] = "meetlog.record.notice_list";

class MessageShareUploadTest : public CloudServiceTest {
 protected:
  void Notice(const std::string& uni_record_id, const std::string& content) {
    ASSERT_EQ(Admin()
                  .Call("POST", "/admin/notices",
                        {{"app_uid", "alice"}, {"uni_record_id", uni_record_id}, {"author_uid", "bob"},
                         {"content", content}, {"comment_id", "c-" + content}})
                  .status,
              200);
  }
  QuickRecordMsgInfo Pull() {
    std::optional<QuickRecordMsgInfo> pulled;
    plugin_->RequestQueryQuickRecordMsg(kNoticePath, [&](bool ok, const QuickRecordMsgInfo& info) {
      EXPECT_TRUE(ok);
      pulled = info;
    });
    EXPECT_TRUE(Wait([&] { return pulled.has_value(); }));
    return pulled.value_or(QuickRecordMsgInfo());
  }
  // Waits for a (success, message) callback and answers its success.
  template <typename Invoke>
  bool Outcome(Invoke invoke) {
    std::optional<bool> ok;
    invoke([&](bool success, const std::string& msg) {
      EXPECT_TRUE(success) << msg;
      ok = success;
    });
    EXPECT_TRUE(Wait([&] { return ok.has_value(); })) << backend_->log();
    return ok.value_or(false);
  }
  GrantUserListResult Granted(const std::string& uni_record_id) {
    std::optional<GrantUserListResult> granted;
    GetUserInfoReq req;
    req.uni_record_id = uni_record_id;
    plugin_->RequestVideoShareGrantUserList(req, [&](const GrantUserListResult& r) { granted = r; });
    EXPECT_TRUE(Wait([&] { return granted.has_value(); }));
    return granted.value_or(GrantUserListResult());
  }
};

TEST_F(MessageShareUploadTest, NoticesLightRedDotsUntilTheyAreCleared) {
  const auto ids = Seed("alice", 1);
  EXPECT_FALSE(Pull().is_show);
  Notice(ids[0], "Nice");
  Notice(ids[0], "Great");
  const QuickRecordMsgInfo lit = Pull();
  EXPECT_TRUE(lit.is_show);
  EXPECT_EQ(lit.count, 2);
  EXPECT_EQ(lit.type, 1);

  std::vector<std::vector<QuickRecordNoticeItemResp>> pages;
  std::string next;
  plugin_->RequestQueryNoticeListMsg("", [&](bool ok, const std::string& last_index, const auto& notices) {
    EXPECT_TRUE(ok);
    next = last_index;
    pages.push_back(notices);
  });
  ASSERT_TRUE(Wait([&] { return !pages.empty(); }));
  ASSERT_EQ(pages[0].size(), 2u);
  EXPECT_EQ(pages[0][0].content, "Great");
  EXPECT_EQ(pages[0][0].user_uid, "bob");
  EXPECT_TRUE(pages[0][0].show_reddot);
  EXPECT_EQ(next, "");

  std::optional<bool> cleared;
  plugin_->RequestCleanQuickRecordMsg(kNoticePath, [&](bool ok) { cleared = ok; });
  ASSERT_TRUE(Wait([&] { return cleared.has_value(); }));
  EXPECT_TRUE(*cleared);
  EXPECT_FALSE(Pull().is_show);

  // The card's own red dot, cleared by a GET with the ids in the query.
  auto card = [&] {
    std::vector<QuickRecordListResult> single;
    plugin_->RequestSingleRecordList({ids[0], "t", ""}, [&](const QuickRecordListResult& r) { single.push_back(r); });
    EXPECT_TRUE(Wait([&] { return !single.empty(); }));
    return single.empty() || single[0].records.empty() ? false : single[0].records[0].show_red_point;
  };
  EXPECT_TRUE(card());
  std::optional<bool> card_cleared;
  plugin_->CleadCloudRecordRedDot(ids[0], "", [&](bool ok) { card_cleared = ok; });
  ASSERT_TRUE(Wait([&] { return card_cleared.has_value(); }));
  EXPECT_TRUE(*card_cleared);
  EXPECT_FALSE(card());
}

TEST_F(MessageShareUploadTest, ShareLinkSettingsRoundTrip) {
  const auto ids = Seed("alice", 1);
  std::optional<tagLinkData> link;
  plugin_->RequestVideoShareLinkData({ids[0], 1}, [&](const tagLinkData& d) { link = d; });
  ASSERT_TRUE(Wait([&] { return link.has_value(); }));
  EXPECT_TRUE(link->is_success);
  EXPECT_FALSE(link->share_cfg.share_id.empty());
  EXPECT_FALSE(link->user_share_set.switch_state);
  EXPECT_EQ(link->permission_point_cfg.size(), 3u);
  ASSERT_EQ(link->permission_group_cfg.size(), 1u);
  EXPECT_FALSE(link->permission_group_cfg[0].access_cfg.empty());
  EXPECT_EQ(link->role_type, 1);

  tagLinkSetData set;
  set.uni_record_id = ids[0];
  set.record_type = 1;
  set.switch_state = true;
  set.point_id = 3;
  set.expired_time_type = 1;
  set.download_enable = true;
  set.pwd = "1234";
  std::optional<bool> stored;
  plugin_->RequestUpdateVideoShareLinkData(set, [&](bool ok, const std::string& id, const std::string&) {
    EXPECT_EQ(id, ids[0]);
    stored = ok;
  });
  ASSERT_TRUE(Wait([&] { return stored.has_value(); }));
  EXPECT_TRUE(*stored);
  link.reset();
  plugin_->RequestVideoShareLinkData({ids[0], 1}, [&](const tagLinkData& d) { link = d; });
  ASSERT_TRUE(Wait([&] { return link.has_value(); }));
  EXPECT_TRUE(link->user_share_set.switch_state);
  EXPECT_EQ(link->user_share_set.permission_point_cfg, 3);
  EXPECT_TRUE(link->user_share_set.download_enable);
  EXPECT_TRUE(link->switch_cfg.default_need_pwd);

  std::optional<tagShareNewUiCfg> ui;
  plugin_->RequestVideoShareNewUiCfg({ids[0]}, [&](bool ok, const tagShareNewUiCfg& cfg) {
    EXPECT_TRUE(ok);
    ui = cfg;
  });
  ASSERT_TRUE(Wait([&] { return ui.has_value(); }));
  EXPECT_TRUE(ui->lintra_share_visible);

  std::optional<GetLintraShareStatusResult> status;
  EXPECT_TRUE(Outcome([&](auto cb) { plugin_->SetLintraShareStatus({ids[0], true}, cb); }));
  plugin_->GetLintraShareStatus({ids[0]}, [&](const GetLintraShareStatusResult& r) { status = r; });
  ASSERT_TRUE(Wait([&] { return status.has_value(); }));
  EXPECT_TRUE(status->success);
  EXPECT_TRUE(status->status);
}

TEST_F(MessageShareUploadTest, GrantsCoOwnersAttendeesAndAccessRequests) {
  const auto ids = Seed("alice", 1);
  ASSERT_EQ(Admin().CreateUser("carol").token.empty(), false);
  ASSERT_EQ(Admin().Call("POST", "/admin/records/" + ids[0] + "/meeting", {{"meeting_id", "m-7"}}).status, 200);
  ASSERT_EQ(Admin().Call("POST", "/admin/meetings/m-7/participants", {{"app_uids", {"bob", "carol"}}}).status, 200);

  UpdateUserPermissionReq grant;
  grant.uni_record_id = ids[0];
  ShareGrantUserInfo bob;
  bob.app_id = "qr-app";
  bob.app_uid = "bob";
  bob.permission_id = 1;
  grant.update_list = {bob};
  EXPECT_TRUE(Outcome([&](auto cb) { plugin_->UpdateShareUserPermission(grant, cb); }));
  GrantUserListResult granted = Granted(ids[0]);
  EXPECT_TRUE(granted.success);
  ASSERT_EQ(granted.selected_list.size(), 1u);
  EXPECT_EQ(granted.selected_list[0].app_uid, "bob");
  EXPECT_EQ(granted.creator.app_uid, "alice");

  std::optional<MeetingAttendeeListResult> attendees;
  GetUserInfoReq list_req;
  list_req.uni_record_id = ids[0];
  plugin_->RequestVideoMeetingAttendeeList(list_req, [&](const MeetingAttendeeListResult& r) { attendees = r; });
  ASSERT_TRUE(Wait([&] { return attendees.has_value(); }));
  EXPECT_TRUE(attendees->success);
  EXPECT_EQ(attendees->count, 2);
  EXPECT_EQ(attendees->granted_cnt, 1);
  list_req.key_word = "car";
  attendees.reset();
  plugin_->RequestVideoMeetingAttendeeList(list_req, [&](const MeetingAttendeeListResult& r) { attendees = r; });
  ASSERT_TRUE(Wait([&] { return attendees.has_value(); }));
  ASSERT_EQ(attendees->list.size(), 1u);
  EXPECT_EQ(attendees->list[0].app_uid, "carol");

  std::optional<GetMeetingAttendeeCntResult> count;
  plugin_->GetMeetingAttendeeCnt({ids[0]}, [&](const GetMeetingAttendeeCntResult& r) { count = r; });
  ASSERT_TRUE(Wait([&] { return count.has_value(); }));
  EXPECT_EQ(count->cnt, 2);

  EXPECT_TRUE(Outcome([&](auto cb) { plugin_->AddAllMeetingAttendee({ids[0]}, cb); }));
  EXPECT_EQ(Granted(ids[0]).selected_list.size(), 2u);

  UpdateUserPermissionReq big;
  big.uni_record_id = ids[0];
  big.uuid = "u-1";
  big.deleted_list = {ShareUserInfo{"qr-app", "carol", "", "", false}};
  EXPECT_TRUE(Outcome([&](auto cb) { plugin_->AddShareUserPermissionBig(big, cb); }));
  granted = Granted(ids[0]);
  size_t still_granted = 0;
  for (const auto& user : granted.selected_list) still_granted += user.is_grant;
  EXPECT_EQ(still_granted, 1u);

  std::optional<std::pair<bool, bool>> assigned;
  UpdateGrantReq assign{ids[0], "", "u-2", 1, {ShareUserInfo{"qr-app", "bob", "", "", true}}};
  plugin_->UpdateGrant(assign, [&](bool ok, bool added, const std::string&) { assigned = {ok, added}; });
  ASSERT_TRUE(Wait([&] { return assigned.has_value(); }));
  EXPECT_TRUE(assigned->first);
  EXPECT_TRUE(assigned->second);
  granted = Granted(ids[0]);
  bool bob_is_co_owner = false;
  for (const auto& user : granted.selected_list) bob_is_co_owner |= user.app_uid == "bob" && user.user_type == 2;
  EXPECT_TRUE(bob_is_co_owner);

  // Someone outside asks for access to the shared record; the owner gets a notice of it.
  std::optional<tagLinkData> link;
  plugin_->RequestVideoShareLinkData({ids[0], 1}, [&](const tagLinkData& d) { link = d; });
  ASSERT_TRUE(Wait([&] { return link.has_value(); }));
  const Account dave = Admin().CreateUser("dave");
  ASSERT_FALSE(dave.token.empty());
  SignIn(dave);
  EXPECT_TRUE(Outcome([&](auto cb) {
    plugin_->RequestCloudRecordPermission({link->share_cfg.share_id, "May I?", "For the review", "t-9"}, cb);
  }));
  SignIn(alice_);
  std::vector<QuickRecordNoticeItemResp> notices;
  bool listed = false;
  plugin_->RequestQueryNoticeListMsg("", [&](bool, const std::string&, const auto& n) {
    notices = n;
    listed = true;
  });
  ASSERT_TRUE(Wait([&] { return listed; }));
  ASSERT_FALSE(notices.empty());
  EXPECT_EQ(notices[0].type, 3);
  EXPECT_EQ(notices[0].content, "For the review");
}

TEST_F(MessageShareUploadTest, SharingSomeoneElsesRecordIsRefused) {
  const auto bobs = Seed("bob", 1);
  std::optional<GrantUserListResult> granted;
  GetUserInfoReq req;
  req.uni_record_id = bobs[0];
  plugin_->RequestVideoShareGrantUserList(req, [&](const GrantUserListResult& r) { granted = r; });
  ASSERT_TRUE(Wait([&] { return granted.has_value(); }));
  EXPECT_FALSE(granted->success);
  EXPECT_TRUE(granted->selected_list.empty());
  std::optional<tagLinkData> link;
  plugin_->RequestVideoShareLinkData({bobs[0], 1}, [&](const tagLinkData& d) { link = d; });
  ASSERT_TRUE(Wait([&] { return link.has_value(); }));
  EXPECT_FALSE(link->is_success);
}

TEST_F(MessageShareUploadTest, LocalFilesAreCheckedUploadedConfirmedAndFinishedAsABatch) {
  std::optional<MeetlogLocalUploadLimitFilesInfo> limits;
  plugin_->GetLocalUploadLimitFilesInfo([&](bool ok, const MeetlogLocalUploadLimitFilesInfo& info) {
    EXPECT_TRUE(ok);
    limits = info;
  });
  ASSERT_TRUE(Wait([&] { return limits.has_value(); }));
  EXPECT_EQ(limits->video_limit_type, "mov,avi,wmv,ogg,mp4,mpeg,3gp,flv,m4v");
  EXPECT_EQ(limits->file_size_limit, "4");
  EXPECT_EQ(limits->batch_file_count_limit, 100);
  EXPECT_EQ(limits->batch_file_total_limit, 200);
  EXPECT_EQ(limits->file_duration_limit, 28800000);

  std::optional<std::vector<BatchCensorInfoItemResp>> verdicts;
  plugin_->GetBatchCensorInfo({{"f1", "talk.mp4"}, {"f2", "forbidden.mp4"}},
                              [&](bool ok, const std::vector<BatchCensorInfoItemResp>& v) {
                                EXPECT_TRUE(ok);
                                verdicts = v;
                              });
  ASSERT_TRUE(Wait([&] { return verdicts.has_value(); }));
  ASSERT_EQ(verdicts->size(), 2u);
  EXPECT_TRUE((*verdicts)[0].is_pass);
  EXPECT_EQ((*verdicts)[1].file_id, "f2");
  EXPECT_FALSE((*verdicts)[1].is_pass);
  EXPECT_EQ((*verdicts)[1].status, 2);

  // Start the file as an upload, put it, confirm it in a batch, finish the batch.
  auto info = std::make_shared<QuickRecordStartRecordInfo>();
  info->subject = "talk.mp4";
  info->record_type = "user_upload";
  std::shared_ptr<QuickRecordStartRecordResult> start;
  plugin_->RequestStartRecord("task-1", info, false,
                              [&](const std::string&, int32_t, const std::string&, int64_t,
                                  const std::shared_ptr<QuickRecordStartRecordResult>& r) { start = r; });
  ASSERT_TRUE(Wait([&] { return start != nullptr; }));
  ASSERT_EQ(start->biz_code, 0) << start->msg;
  httplib::Headers headers = {{"Authorization", start->video_auth.at("put")},
                              {"X-QR-Session-Token", start->video_session_token}};
  ASSERT_EQ(Objects().Request("PUT", qr_backend::testing::ObjectClient::PathOf(start->cos_url), headers, "abcdef",
                              "video/mp4").status,
            200);

  std::optional<int64_t> batch_code;
  plugin_->RequestBatchUploadFinished("batch-1", "t", [&](const std::string& id, int32_t, const std::string&, int64_t c) {
    EXPECT_EQ(id, "batch-1");
    batch_code = c;
  });
  ASSERT_TRUE(Wait([&] { return batch_code.has_value(); }));
  EXPECT_EQ(*batch_code, 40400);  // no confirmed file names the batch yet

  auto complete = std::make_shared<QuickRecordUploadCompleteInfo>();
  complete->record_start_time = "1700000000000";
  complete->record_id = start->record_id;
  complete->file_size = "6";
  complete->file_type = "mp4";
  complete->file_duration = "0";
  complete->record_type = "user_upload";
  complete->batch_id = "batch-1";
  complete->specker_nums = 2;
  complete->is_enable_intelligent_record = true;
  std::optional<int64_t> complete_code;
  plugin_->RequestCompleteUploadFile("task-1", complete, [&](const std::string& id, int32_t, const std::string&, int64_t c) {
    EXPECT_EQ(id, "task-1");
    complete_code = c;
  });
  ASSERT_TRUE(Wait([&] { return complete_code.has_value(); }));
  EXPECT_EQ(*complete_code, 0);
  const std::string uni = start->cos_url.substr(start->cos_url.find("/records/") + 9, 26);
  const nlohmann::json stored = AdminRecord(uni);
  EXPECT_EQ(stored.value("file_type", ""), "mp4") << stored.dump();
  EXPECT_EQ(stored.value("speaker_nums", 0), 2);
  EXPECT_EQ(stored.value("switch_status", 0), 1);
  EXPECT_EQ(stored.value("duration_ms", 0), 5000);
  EXPECT_EQ(stored.value("batch_id", ""), "batch-1");

  batch_code.reset();
  plugin_->RequestBatchUploadFinished("batch-1", "t", [&](const std::string&, int32_t, const std::string&, int64_t c) {
    batch_code = c;
  });
  ASSERT_TRUE(Wait([&] { return batch_code.has_value(); }));
  EXPECT_EQ(*batch_code, 0);
}

}  // namespace
}  // namespace cloud_service_test
