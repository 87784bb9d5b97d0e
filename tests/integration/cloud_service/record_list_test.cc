// The record lists, the single record, the meeting list, deletes and the rename with its review,
// through the cloud service against qr-backend.
#include <gtest/gtest.h>

#include <optional>
#include <set>

#include "cloud_service_fixture.h"
#include "host/app/host_app_model.h"
#include "host/framework/module/module_service.h"

namespace cloud_service_test {
namespace {

using quick_record::QuickRecordListResult;
using quick_record::RecordListReq;

class RecordListTest : public CloudServiceTest {
 protected:
  using ListCall = std::function<void(const RecordListReq&, const quick_record::QuickRecordServicePlugin::RecordListCallback&)>;

  QuickRecordListResult Page(const ListCall& call, const RecordListReq& req) {
    std::vector<QuickRecordListResult> results;
    call(req, [&](const QuickRecordListResult& result) { results.push_back(result); });
    EXPECT_TRUE(Wait([&] { return !results.empty(); })) << backend_->log();
    EXPECT_EQ(results.size(), 1u);
    return results.empty() ? QuickRecordListResult() : results[0];
  }
  // Walks a list page by page the way the home page does; the unified ids in order.
  std::vector<std::string> Walk(const ListCall& call, int32_t method, int64_t page_size, size_t* pages) {
    std::vector<std::string> ids;
    RecordListReq req{"", "", page_size, "walk", method, true};
    *pages = 0;
    for (;;) {
      const QuickRecordListResult page = Page(call, req);
      EXPECT_TRUE(page.success) << page.biz_code << " " << page.msg;
      if (!page.success) break;
      ++*pages;
      for (const auto& record : page.records) ids.push_back(record.uni_record_id);
      if (!page.page_info.has_more || *pages > 50) break;
      req.last_index = page.page_info.index;
      req.last_uni_record_id = page.records.empty() ? "" : page.records.back().uni_record_id;
      req.is_first_page = false;
    }
    return ids;
  }
  ListCall All() {
    return [this](const RecordListReq& req, const auto& cb) { plugin_->RequestAllRecordList(req, cb); };
  }
  ListCall Mine() {
    return [this](const RecordListReq& req, const auto& cb) { plugin_->RequestRecordList(req, cb); };
  }
  ListCall Recent() {
    return [this](const RecordListReq& req, const auto& cb) { plugin_->RequestRecentRecordList(req, cb); };
  }
};

TEST_F(RecordListTest, EveryListPagesThroughAllItsRecordsOnce) {
  const auto seeded = Seed("alice", 23);
  Seed("alice", 4, {{"record_type", "cloud_record"}});
  Seed("bob", 5);
  for (const auto& [name, call] : {std::pair<const char*, ListCall>{"all", All()}, {"mine", Mine()}}) {
    size_t pages = 0;
    const auto ids = Walk(call, 0, 10, &pages);
    EXPECT_EQ(ids.size(), 27u) << name;
    EXPECT_EQ(std::set<std::string>(ids.begin(), ids.end()).size(), ids.size()) << name;
    EXPECT_EQ(pages, 3u) << name;
  }
  size_t pages = 0;
  EXPECT_EQ(Walk(All(), 1, 10, &pages).size(), 4u);  // cloud recordings only
  EXPECT_EQ(Walk(Mine(), 2, 10, &pages).size(), 23u);  // quick recordings and uploads

  const auto first = Page(All(), RecordListReq{"", "", 5, "t-1", 0, true});
  EXPECT_EQ(first.trace_id, "t-1");
  EXPECT_FALSE(first.from_preload);
  EXPECT_EQ(first.page_info.size, "5");
  EXPECT_EQ(first.page_info.count, "27");
  ASSERT_EQ(first.records.size(), 5u);
  const auto& item = first.records[0];
  EXPECT_EQ(item.recorder_uid, "alice");
  EXPECT_EQ(item.record_state, "1");
  EXPECT_EQ(item.role_type, 1);
  EXPECT_TRUE(item.is_admin);
  EXPECT_TRUE(item.is_single);
  EXPECT_FALSE(item.jump_path.empty());
  EXPECT_GT(item.sort_num, 0);
  EXPECT_FALSE(seeded.empty());
}

TEST_F(RecordListTest, APreloadedFirstPageIsUsedOnceAndThenTheNetworkAnswers) {
  const auto ids = Seed("alice", 2);
  auto host_app = std::dynamic_pointer_cast<host::app::HostAppModel>(
      framework::module::GetAppModuleModel(host::app::kHostAppModelId));
  ASSERT_NE(host_app, nullptr);
  host::app::HostAppModel::PreloadedResponse preloaded;
  preloaded.body = R"({"code":0,"msg":"ok","nonce":"pre","data":{"records":[{"uni_record_id":"qr-preloaded"}],
                       "page_info":{"index":"","size":"1","count":"1","has_more":false}}})";
  host_app->InstallTabRecordPreload(quick_record::QuickRecordServicePlugin::kTableAll, preloaded);

  const auto first = Page(All(), RecordListReq{"", "", 20, "t-p", 0, true});
  EXPECT_TRUE(first.success);
  EXPECT_TRUE(first.from_preload);
  ASSERT_EQ(first.records.size(), 1u);
  EXPECT_EQ(first.records[0].uni_record_id, "qr-preloaded");

  const auto second = Page(All(), RecordListReq{"", "", 20, "t-n", 0, true});
  EXPECT_TRUE(second.success);
  EXPECT_FALSE(second.from_preload);
  EXPECT_EQ(second.records.size(), ids.size());

  // A meeting the host knows to have only local records is answered empty without a request.
  host_app->SetOnlyHasMeetingLocalRecord("m-local", true);
  std::vector<QuickRecordListResult> meeting;
  plugin_->RequestMeetingRecordList(false, {"m-local", "", "", "", 20, 0, "t-l"},
                                    [&](const QuickRecordListResult& r) { meeting.push_back(r); });
  ASSERT_TRUE(Wait([&] { return !meeting.empty(); }));
  EXPECT_TRUE(meeting[0].success);
  EXPECT_TRUE(meeting[0].records.empty());
}

TEST_F(RecordListTest, RecentListFollowsTheViews) {
  const auto ids = Seed("alice", 3);
  ASSERT_EQ(Admin().Call("POST", "/admin/views", {{"app_uid", "alice"}, {"uni_record_ids", {ids[2], ids[0]}}}).status,
            200);
  size_t pages = 0;
  EXPECT_EQ(Walk(Recent(), 0, 20, &pages), (std::vector<std::string>{ids[2], ids[0]}));

  std::optional<bool> deleted;
  plugin_->DeleteRecordHistory({ids[2], "", 2}, [&](bool ok, const std::string&) { deleted = ok; });
  ASSERT_TRUE(Wait([&] { return deleted.has_value(); }));
  EXPECT_TRUE(*deleted);
  EXPECT_EQ(Walk(Recent(), 0, 20, &pages), std::vector<std::string>{ids[0]});
}

TEST_F(RecordListTest, SingleRecordAndTheRecordsOfAMeeting) {
  const auto ids = Seed("alice", 3);
  std::vector<QuickRecordListResult> singles;
  plugin_->RequestSingleRecordList({ids[1], "t-2", ""}, [&](const QuickRecordListResult& r) { singles.push_back(r); });
  ASSERT_TRUE(Wait([&] { return !singles.empty(); }));
  ASSERT_TRUE(singles[0].success);
  ASSERT_EQ(singles[0].records.size(), 1u);
  EXPECT_EQ(singles[0].records[0].uni_record_id, ids[1]);
  EXPECT_EQ(singles[0].page_info.count, "1");

  plugin_->RequestSingleRecordList({"qr-none", "t-3", ""}, [&](const QuickRecordListResult& r) { singles.push_back(r); });
  ASSERT_TRUE(Wait([&] { return singles.size() == 2; }));
  EXPECT_FALSE(singles[1].success);
  EXPECT_EQ(singles[1].biz_code, 40400);

  for (const auto& id : {ids[0], ids[2]}) {
    ASSERT_EQ(Admin().Call("POST", "/admin/records/" + id + "/meeting", {{"meeting_id", "m-1"}, {"subject", "Sync"}}).status,
              200);
  }
  std::vector<QuickRecordListResult> meeting;
  // No preload model in this host: the use-preload flag falls back to the network.
  plugin_->RequestMeetingRecordList(true, {"m-1", "", "", "", 20, 0, "t-4"},
                                    [&](const QuickRecordListResult& r) { meeting.push_back(r); });
  ASSERT_TRUE(Wait([&] { return !meeting.empty(); }));
  ASSERT_TRUE(meeting[0].success);
  ASSERT_EQ(meeting[0].records.size(), 2u);
  EXPECT_EQ(meeting[0].records[0].meeting_info.subject, "Sync");
}

TEST_F(RecordListTest, HistoryListAndDeletingRecords) {
  const auto ids = Seed("alice", 25);
  std::vector<std::pair<std::string, size_t>> history;
  plugin_->RequestMyRecordHistoryList("", [&](bool ok, const std::string& next, const auto& records) {
    EXPECT_TRUE(ok);
    history.emplace_back(next, records.size());
  });
  ASSERT_TRUE(Wait([&] { return !history.empty(); }));
  EXPECT_EQ(history[0].second, 20u);
  EXPECT_FALSE(history[0].first.empty());
  plugin_->RequestMyRecordHistoryList(history[0].first, [&](bool, const std::string& next, const auto& records) {
    history.emplace_back(next, records.size());
  });
  ASSERT_TRUE(Wait([&] { return history.size() == 2; }));
  EXPECT_EQ(history[1].second, 5u);

  std::optional<int64_t> code;
  plugin_->DeleteRecords({ids[0], ids[1], "qr-none"}, [&](bool ok, const std::string&, int64_t c) {
    EXPECT_TRUE(ok);
    code = c;
  });
  ASSERT_TRUE(Wait([&] { return code.has_value(); }));
  EXPECT_EQ(*code, 0);
  EXPECT_TRUE(AdminRecord(ids[0]).is_null());
  size_t pages = 0;
  EXPECT_EQ(Walk(Mine(), 0, 100, &pages).size(), 23u);

  const auto bobs = Seed("bob", 1);
  code.reset();
  plugin_->DeleteRecords({bobs[0]}, [&](bool ok, const std::string&, int64_t c) {
    EXPECT_FALSE(ok);
    code = c;
  });
  ASSERT_TRUE(Wait([&] { return code.has_value(); }));
  EXPECT_EQ(*code, 40300);
}

TEST_F(RecordListTest, ARenameAnswersOnceItsReviewHasSettled) {
  const auto ids = Seed("alice", 1);
  std::vector<quick_record::UpdateRecordResp> renames;
  plugin_->UpdateRecordTitle({"Quarterly review", "", ids[0]},
                             [&](const quick_record::UpdateRecordResp& r) { renames.push_back(r); });
  // One pending answer, then the verdict: two checks 2 s apart.
  ASSERT_TRUE(Wait([&] { return !renames.empty(); }, 15000));
  ASSERT_EQ(renames.size(), 1u);
  EXPECT_TRUE(renames[0].success) << renames[0].message;
  EXPECT_EQ(AdminRecord(ids[0]).value("title", ""), "Quarterly review");

  plugin_->UpdateRecordTitle({"A forbidden title", "why", ids[0]},
                             [&](const quick_record::UpdateRecordResp& r) { renames.push_back(r); });
  ASSERT_TRUE(Wait([&] { return renames.size() == 2; }, 15000));
  EXPECT_FALSE(renames[1].success);
  EXPECT_FALSE(renames[1].message.empty());
  EXPECT_EQ(AdminRecord(ids[0]).value("title", ""), "Quarterly review");

  plugin_->UpdateRecordTitle({" ", "", ids[0]}, [&](const quick_record::UpdateRecordResp& r) { renames.push_back(r); });
  ASSERT_TRUE(Wait([&] { return renames.size() == 3; }));
  EXPECT_FALSE(renames[2].success);
  EXPECT_EQ(renames[2].code, 40000);
}

}  // namespace
}  // namespace cloud_service_test
