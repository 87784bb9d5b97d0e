#include "module/quick_record/data/service/local_record_data_service.h"

#include <gtest/gtest.h>

#include "host/base/database/sqlite_database.h"
#include "host/base/logging/logger.h"
#include "module/quick_record/data/db/local_record_data_db_schema.h"
#include "module/quick_record/data/service/local_record_service_test_fixture.h"

namespace quick_record {
namespace {

using testing::kAppId;
using testing::kAppUid;
using Rows = std::vector<LocalRecordDataInfo>;

class LocalRecordDataServiceTest : public testing::LocalRecordServiceTest {
 protected:
  void SetUp() override { OpenServices(); }

  template <typename Req>
  static Req Owned() {
    Req request;
    request.app_id = kAppId;
    request.app_uid = kAppUid;
    return request;
  }

  static std::vector<std::string> Ids(const Rows& rows) {
    std::vector<std::string> ids;
    for (const auto& row : rows) ids.push_back(row.instance_id);
    return ids;
  }

  Rows ByInstanceIds(const std::vector<std::string>& ids) {
    auto request = Owned<QueryLocalRecordDataListByInstanceIdsReq>();
    request.instance_ids = ids;
    auto [ok, rows] =
        Run<bool, Rows>([&](auto done) { service_->GetDBLocalRecordListDataByInstanceIds(request, done); });
    EXPECT_TRUE(ok);
    return rows;
  }

  DbQueryLocalRecordRedDotNumResp RedDotNum() {
    return std::get<0>(Run<DbQueryLocalRecordRedDotNumResp>(
        [&](auto done) { service_->QueryLocalRecordRedDotNum(Owned<DbOperateCommonReq>(), done); }));
  }

  std::vector<LocalRecordRedDotData> RedDots() {
    auto [ok, dots] = Run<bool, std::vector<LocalRecordRedDotData>>(
        [&](auto done) { service_->QueryLocalRecordRedDotDataList(Owned<DbQueryLocalRecordRedDotDatasReq>(), done); });
    EXPECT_TRUE(ok);
    return dots;
  }

  std::shared_ptr<base::database::SQLiteDatabase> OpenFile() {
    return base::database::SQLiteDatabase::Open(dir_.Child(local_record_db::DatabaseFileName()), false);
  }
};

TEST_F(LocalRecordDataServiceTest, SavingTheSameKeyTwiceKeepsTheFirstRow) {
  auto first = Record("i1", 100);
  first.record_title = "first";
  first.is_window_capture = true;
  auto second = Record("i1", 200);
  second.record_title = "second";
  EXPECT_TRUE(Save({first}));
  EXPECT_TRUE(Save({second}));
  const Rows rows = ByInstanceIds({"i1"});
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].record_title, "first");
  EXPECT_EQ(rows[0].start_record_time, 100);
  EXPECT_TRUE(rows[0].is_window_capture);
  EXPECT_EQ(rows[0].local_file_path, "/rec/i1.mp4");
}

TEST_F(LocalRecordDataServiceTest, SaveThroughTheDelegateAndEmptyKeysAreSkipped) {
  struct Delegate : ISaveOrUpdateLocalDataListDelegate {
    void OnSaveOrUpdateLocalDataResult(bool success) override { results.push_back(success); }
    std::vector<bool> results;
  } delegate;
  service_->SaveOrUpdateLocalData(Record("i1", 1), &delegate);
  auto keyless = Record("", 2);
  service_->SaveOrUpdateLocalData(keyless, &delegate);
  keyless = Record("i2", 2);
  keyless.app_uid.clear();
  base::logging::ScopedLogCapture logs;
  service_->SaveOrUpdateLocalData(keyless, &delegate);
  env_.RunUntilIdle();
  EXPECT_EQ(delegate.results, (std::vector<bool>{true, false, false}));
  EXPECT_TRUE(logs.Contains("lrKP:  MainKey is empty, not to execute sql."));
  EXPECT_EQ(Ids(ByInstanceIds({"i1", "i2", ""})), std::vector<std::string>{"i1"});
}

TEST_F(LocalRecordDataServiceTest, APageOfTwentyAsksForTwentyOneRowsAndTellsWhetherMoreExist) {
  std::vector<PluginSaveOrUpdateLocalDataReqInfo> infos;
  for (int i = 0; i < 21; ++i) infos.push_back(Record("i" + std::to_string(i), 1000 + i));
  infos.push_back(Record("meeting", 5000, kLocalDataTypeMeetingRecord));
  ASSERT_TRUE(Save(infos));

  auto request = Owned<PluginGetLocalRecordDataListReq>();
  request.page_size = 20;
  auto [page] =
      Run<PluginGetLocalRecordDataListResp>([&](auto done) { service_->GetDBLocalRecordListData(request, done); });
  ASSERT_TRUE(page.success);
  EXPECT_TRUE(page.has_more);
  ASSERT_EQ(page.items.size(), 20u);
  EXPECT_EQ(page.items.front().instance_id, "i20");  // newest start first
  EXPECT_EQ(page.items.back().instance_id, "i1");

  request.offset = 20;
  auto [last] =
      Run<PluginGetLocalRecordDataListResp>([&](auto done) { service_->GetDBLocalRecordListData(request, done); });
  EXPECT_FALSE(last.has_more);
  EXPECT_EQ(Ids(last.items), std::vector<std::string>{"i0"});

  // The (bool, rows) form hands the extra row to the caller.
  request.offset = 0;
  request.time = 2000;
  auto [ok, rows] = Run<bool, Rows>([&](auto done) { service_->GetDBLocalRecordListDataByStartTime(request, done); });
  EXPECT_TRUE(ok);
  EXPECT_EQ(rows.size(), 21u);
}

TEST_F(LocalRecordDataServiceTest, StartTimePagesGoOlderOrNewerAndFilterByType) {
  ASSERT_TRUE(Save({Record("q1", 100), Record("q2", 200), Record("q3", 300), Record("m1", 250, 0)}));
  auto request = Owned<PluginGetLocalRecordDataListReq>();
  request.time = 300;
  auto [ok, older] = Run<bool, Rows>([&](auto done) { service_->GetDBLocalRecordListDataByStartTime(request, done); });
  EXPECT_EQ(Ids(older), (std::vector<std::string>{"q2", "q1"}));
  request.data_type = kLocalDataTypeBoth;
  auto [ok2, both] = Run<bool, Rows>([&](auto done) { service_->GetDBLocalRecordListDataByStartTime(request, done); });
  EXPECT_EQ(Ids(both), (std::vector<std::string>{"m1", "q2", "q1"}));
  request.is_newer = true;
  request.time = 150;
  auto [ok3, newer] = Run<bool, Rows>([&](auto done) { service_->GetDBLocalRecordListDataByStartTime(request, done); });
  EXPECT_EQ(Ids(newer), (std::vector<std::string>{"q3", "m1", "q2"}));
}

TEST_F(LocalRecordDataServiceTest, UpdateTimeOrdersByTheLaterOfVisitAndFinish) {
  auto finished = Record("finished", 1);
  finished.finished_time = 500;
  finished.last_visited_time = 100;
  auto visited = Record("visited", 2);
  visited.last_visited_time = 400;
  auto seen_after_finish = Record("seen", 3);
  seen_after_finish.finished_time = 50;
  seen_after_finish.last_visited_time = 60;
  auto untouched = Record("untouched", 4);
  auto future = Record("future", 5);
  future.finished_time = 900;
  ASSERT_TRUE(Save({finished, visited, seen_after_finish, untouched, future}));
  auto request = Owned<PluginGetLocalRecordDataListReq>();
  request.time = 800;
  auto [ok, rows] = Run<bool, Rows>([&](auto done) { service_->GetDBLocalRecordListDataByUpdateTime(request, done); });
  EXPECT_TRUE(ok);
  EXPECT_EQ(Ids(rows), (std::vector<std::string>{"finished", "visited", "seen"}));
  request.is_newer = true;
  request.time = 450;
  auto [ok2, newer] =
      Run<bool, Rows>([&](auto done) { service_->GetDBLocalRecordListDataByUpdateTime(request, done); });
  EXPECT_EQ(Ids(newer), (std::vector<std::string>{"future", "finished"}));
}

TEST_F(LocalRecordDataServiceTest, VisitedTimeListsOnlyRowsWithAVideoMd5) {
  auto a = Record("a", 1);
  a.last_visited_time = 10;
  a.video_md5 = "md5a";
  auto b = Record("b", 2);
  b.last_visited_time = 20;
  b.video_md5 = "md5b";
  auto no_md5 = Record("c", 3);
  no_md5.last_visited_time = 15;
  ASSERT_TRUE(Save({a, b, no_md5}));
  auto request = Owned<PluginGetRecentLocalRecordDataListReq>();
  request.time = 100;
  auto [ok, rows] = Run<bool, Rows>([&](auto done) { service_->GetDBLocalRecordListDataByVisitedTime(request, done); });
  EXPECT_EQ(Ids(rows), (std::vector<std::string>{"b", "a"}));
}

TEST_F(LocalRecordDataServiceTest, UpdatesNamedColumnsAndRefusesUnknownOnes) {
  ASSERT_TRUE(Save({Record("i1", 1), Record("i2", 2)}));
  auto update = Owned<SaveOrUpdateLocalDataColumnReqInfo>();
  update.instance_id = "i1";
  update.columns = {{"upload_status", base::variant::Variant(2)},
                    {"record_id", base::variant::Variant("cloud-1")},
                    {"is_record_complete", base::variant::Variant(true)}};
  auto [done] = Run<PluginSaveOrUpdateLocalDataListResp>([&](auto cb) { service_->UpdateColumnData(update, cb); });
  EXPECT_TRUE(done.success);
  const Rows rows = ByInstanceIds({"i1", "i2"});
  ASSERT_EQ(rows.size(), 2u);
  const auto& i1 = rows[0].instance_id == "i1" ? rows[0] : rows[1];
  const auto& i2 = rows[0].instance_id == "i1" ? rows[1] : rows[0];
  EXPECT_EQ(i1.upload_status, 2);
  EXPECT_EQ(i1.record_id, "cloud-1");
  EXPECT_TRUE(i1.is_record_complete);
  EXPECT_EQ(i2.upload_status, 0);

  base::logging::ScopedLogCapture logs;
  update.columns = {{"upload_status", base::variant::Variant(1.5)}};
  EXPECT_FALSE(std::get<0>(Run<PluginSaveOrUpdateLocalDataListResp>([&](auto cb) {
                 service_->UpdateColumnData(update, cb);
               })).success);
  update.columns = {{"upload_status = 9, record_title", base::variant::Variant("x")}};
  EXPECT_FALSE(std::get<0>(Run<PluginSaveOrUpdateLocalDataListResp>([&](auto cb) {
                 service_->UpdateColumnData(update, cb);
               })).success);
  EXPECT_EQ(logs.Count("Invalid type"), 2u);
  EXPECT_EQ(ByInstanceIds({"i1"})[0].upload_status, 2);
}

TEST_F(LocalRecordDataServiceTest, DeletesByInstanceRecordOrMeetingKeyOneAndInBatches) {
  auto with_ids = [](std::string instance, std::string record, std::string meeting, std::string period) {
    auto info = Record(instance, 1);
    info.record_id = record;
    info.meeting_id = meeting;
    info.period_id = period;
    return info;
  };
  ASSERT_TRUE(Save({with_ids("a", "ra", "m1", "p1"), with_ids("b", "rb", "m1", "p1"), with_ids("c", "rc", "m2", "p1"),
                    with_ids("d", "rd", "m2", "p2"), with_ids("e", "re", "m3", "p1")}));
  auto by = [&](int32_t kind, std::string value, std::string period = "") {
    auto request = Owned<PluginDeleteLocalDataReq>();
    request.key_kind = kind;
    request.instance_id = request.record_id = request.meeting_id = value;
    request.period_id = period;
    return request;
  };
  base::logging::ScopedLogCapture logs;
  EXPECT_TRUE(std::get<0>(
      Run<bool>([&](auto done) { service_->DeleteLocalDataByKeyId(by(kLocalRecordKeyInstanceId, "a"), done); })));
  EXPECT_TRUE(logs.Contains("DeleteLocalRecordDataByKeyIdHandler success"));
  EXPECT_TRUE(std::get<0>(
      Run<bool>([&](auto done) { service_->DeleteLocalDataByKeyId(by(kLocalRecordKeyRecordId, "rb"), done); })));
  EXPECT_TRUE(std::get<0>(
      Run<bool>([&](auto done) { service_->DeleteLocalDataByKeyId(by(kLocalRecordKeyMeetingId, "m2", "p1"), done); })));
  EXPECT_FALSE(std::get<0>(
      Run<bool>([&](auto done) { service_->DeleteLocalDataByKeyId(by(kLocalRecordKeyInstanceId, ""), done); })));
  EXPECT_TRUE(logs.Contains("DeleteLocalRecordDataByKeyIdHandler fail"));
  EXPECT_EQ(Ids(ByInstanceIds({"a", "b", "c", "d", "e"})), (std::vector<std::string>{"d", "e"}));

  EXPECT_TRUE(std::get<0>(Run<bool>([&](auto done) {
    service_->BatchDeleteLocalDataByKeyId({by(kLocalRecordKeyInstanceId, "d"), by(kLocalRecordKeyRecordId, "re")},
                                          done);
  })));
  EXPECT_TRUE(logs.Contains("BatchDeleteLocalRecordDataByKeyIdHandler success!"));
  EXPECT_TRUE(ByInstanceIds({"d", "e"}).empty());
}

TEST_F(LocalRecordDataServiceTest, PathsByMeetingRecordIdAndKey) {
  auto a = Record("a", 1);
  a.meeting_id = "m1";
  a.record_id = "ra";
  auto b = Record("b", 2);
  b.meeting_id = "m1";
  b.record_id = "rb";
  auto other_owner = Record("c", 3);
  other_owner.app_uid = "bob";
  other_owner.meeting_id = "m1";
  ASSERT_TRUE(Save({a, b, other_owner}));

  auto meeting = Owned<PluginQueryLocalDataPathsReq>();
  meeting.meeting_id = "m1";
  auto [ok, paths] = Run<bool, std::vector<std::string>>(
      [&](auto done) { service_->QueryLocalRecordDataPathsByMeetingId(meeting, done); });
  EXPECT_TRUE(ok);
  EXPECT_EQ(paths.size(), 2u);

  auto records = Owned<PluginQueryLocalDataPathsByRecordIdReq>();
  records.record_ids = {"rb", "missing"};
  auto [ok2, by_record] = Run<bool, std::map<std::string, std::string>>(
      [&](auto done) { service_->QueryLocalRecordDataPathsByRecordId(records, done); });
  EXPECT_EQ(by_record, (std::map<std::string, std::string>{{"rb", "/rec/b.mp4"}}));

  auto keys = Owned<PluginQueryLocalDataPathsByKeyIdReq>();
  keys.key_kind = kLocalRecordKeyInstanceId;
  keys.keys = {"a", "c"};
  auto [ok3, by_key] = Run<bool, std::map<std::string, std::string>>(
      [&](auto done) { service_->QueryLocalRecordDataPathsByKeyId(keys, done); });
  EXPECT_EQ(by_key, (std::map<std::string, std::string>{{"a", "/rec/a.mp4"}}));
}

TEST_F(LocalRecordDataServiceTest, MeetingLookupListAndQuantity) {
  auto in_meeting = [](std::string instance, int64_t start, std::string meeting, std::string period, std::string md5) {
    auto info = Record(instance, start, kLocalDataTypeMeetingRecord);
    info.meeting_id = meeting;
    info.period_id = period;
    info.video_md5 = md5;
    return info;
  };
  ASSERT_TRUE(Save({in_meeting("a", 10, "m1", "p1", "x"), in_meeting("b", 30, "m1", "p1", ""),
                    in_meeting("c", 20, "m1", "p2", ""), in_meeting("d", 40, "m2", "p1", "y"), Record("q", 50)}));
  auto lookup = Owned<GetMeetingIdReqInfo>();
  lookup.instance_id = "b";
  auto [meeting] = Run<GetMeetingIdResp>([&](auto done) { service_->GetMeeingId(lookup, done); });
  EXPECT_TRUE(meeting.success);
  EXPECT_EQ(meeting.meeting_id, "m1");
  EXPECT_EQ(meeting.period_id, "p1");

  auto [ok, list] =
      Run<bool, Rows>([&](auto done) { service_->GetMeetingLocalRecordListFromInstanceid(lookup, done); });
  EXPECT_TRUE(ok);
  EXPECT_EQ(Ids(list), (std::vector<std::string>{"b", "a"}));
  lookup.instance_id = "nobody";
  auto [none] = Run<GetMeetingIdResp>([&](auto done) { service_->GetMeeingId(lookup, done); });
  EXPECT_FALSE(none.success);
  auto [ok2, empty] =
      Run<bool, Rows>([&](auto done) { service_->GetMeetingLocalRecordListFromInstanceid(lookup, done); });
  EXPECT_FALSE(ok2);
  EXPECT_TRUE(empty.empty());

  auto quantity = Owned<GetLocalReocrdQuantityInfo>();
  auto [all] = Run<PluginGetLocalReocrdQuantityResp>(
      [&](auto done) { service_->GetMeetingLocalRecordQuantity(quantity, done); });
  EXPECT_TRUE(all.success);
  EXPECT_EQ(all.quantity, 3);  // (m1,p1), (m1,p2), (m2,p1)
  quantity.only_with_video_md5 = true;
  auto [with_md5] = Run<PluginGetLocalReocrdQuantityResp>(
      [&](auto done) { service_->GetMeetingLocalRecordQuantity(quantity, done); });
  EXPECT_EQ(with_md5.quantity, 2);

  auto datas = Owned<DbQueryLocalRecordDatasReq>();
  datas.meeting_id = "m1";
  datas.period_id = "p1";
  datas.begin_time_from = 10;
  datas.begin_time_to = 29;
  auto [found] = Run<DbQueryLocalRecordDatasResp>([&](auto done) { service_->QueryLocalRecordDatas(datas, done); });
  EXPECT_TRUE(found.success);
  EXPECT_EQ(Ids(found.items), std::vector<std::string>{"a"});
  base::logging::ScopedLogCapture logs;
  datas.meeting_id.clear();
  auto [empty_meeting] =
      Run<DbQueryLocalRecordDatasResp>([&](auto done) { service_->QueryLocalRecordDatas(datas, done); });
  EXPECT_TRUE(empty_meeting.success && empty_meeting.items.empty());
  EXPECT_TRUE(logs.Contains("Empty meeting id, return directly."));
  datas.condition_type = kLocalRecordConditionNone;
  auto [invalid] = Run<DbQueryLocalRecordDatasResp>([&](auto done) { service_->QueryLocalRecordDatas(datas, done); });
  EXPECT_FALSE(invalid.success);
  EXPECT_TRUE(logs.Contains("Invalid condition type."));
}

TEST_F(LocalRecordDataServiceTest, InstanceIdListsAndRedPointFlags) {
  ASSERT_TRUE(Save({Record("a", 1), Record("b", 2), Record("c", 3)}));
  base::logging::ScopedLogCapture logs;
  EXPECT_TRUE(ByInstanceIds({}).empty());
  EXPECT_TRUE(logs.Contains("lrKP: empty instance_ids, return directly."));
  QueryLocalRecordDataListByInstanceIdsReq ownerless;
  ownerless.instance_ids = {"a"};
  auto [ok, rows] =
      Run<bool, Rows>([&](auto done) { service_->GetDBLocalRecordListDataByInstanceIds(ownerless, done); });
  EXPECT_FALSE(ok);
  EXPECT_TRUE(logs.Contains("lrKP: empty app_id and app_uid"));

  auto flags = Owned<UpdateMultiLocalRecordDataShowRedPointReq>();
  flags.instance_ids = {"a", "c"};
  flags.show_red_point = true;
  EXPECT_TRUE(
      std::get<0>(Run<bool>([&](auto done) { service_->UpdateMultiLocalRecordDataShowRedPoint(flags, done); })));
  int shown = 0;
  for (const auto& row : ByInstanceIds({"a", "b", "c"})) shown += row.show_red_point ? 1 : 0;
  EXPECT_EQ(shown, 2);
}

TEST_F(LocalRecordDataServiceTest, SyncStatusIsOneRowPerOwner) {
  auto query = Owned<QuerySyncStatusInfo>();
  auto [before] = Run<QuerySyncStatusInfoResp>([&](auto done) { service_->QuerySyncStatus(query, done); });
  EXPECT_TRUE(before.success);
  EXPECT_FALSE(before.has_record);
  auto update = Owned<UpdateSyncStatusInfo>();
  update.is_sync_success = false;
  update.sync_version = 1;
  Run<bool, bool>([&](auto done) { service_->UpdateSyncStatus(update, done); });
  update.is_sync_success = true;
  update.sync_version = 106;
  auto [ok, synced] = Run<bool, bool>([&](auto done) { service_->UpdateSyncStatus(update, done); });
  EXPECT_TRUE(ok && synced);
  auto [after] = Run<QuerySyncStatusInfoResp>([&](auto done) { service_->QuerySyncStatus(query, done); });
  EXPECT_TRUE(after.has_record && after.is_sync_success);
  EXPECT_EQ(after.sync_version, 106);
  auto count = OpenFile()->Compile("SELECT COUNT(*) FROM sync_record");
  ASSERT_EQ(count->Step(), base::database::SQLiteStatement::StepResult::kRow);
  EXPECT_EQ(count->ColumnInt64(0), 1);
}

TEST_F(LocalRecordDataServiceTest, RedDotSavedTwiceKeepsTheSecondEntryAndCountsByStateAndType) {
  EXPECT_EQ(RedDotNum().success, true);
  EXPECT_EQ(RedDotNum().local_record_handling_cnt + RedDotNum().quick_record_handling_cnt +
                RedDotNum().local_record_finished_cnt,
            0);
  auto dot = [](std::string instance, std::string meeting, int64_t type, int64_t state) {
    LocalRecordRedDotData entry;
    entry.app_id = kAppId;
    entry.app_uid = kAppUid;
    entry.instance_id = instance;
    entry.meeting_id = meeting;
    entry.period_id = "p";
    entry.data_type = type;
    entry.state = state;
    return entry;
  };
  EXPECT_TRUE(std::get<0>(Run<bool>([&](auto done) {
    service_->SaveOrUpdateLocalRecordRedDotData({dot("a", "m1", 0, kRedDotStateHandling)}, done);
  })));
  EXPECT_TRUE(std::get<0>(Run<bool>([&](auto done) {
    service_->SaveOrUpdateLocalRecordRedDotData(
        {dot("a", "m2", 1, kRedDotStateFinished), dot("b", "m", 1, kRedDotStateHandling),
         dot("c", "m", 0, kRedDotStateHandling), dot("d", "m", 0, kRedDotStateFinished),
         dot("e", "m", 0, kRedDotStateIdle)},
        done);
  })));
  const auto dots = RedDots();
  ASSERT_EQ(dots.size(), 5u);
  EXPECT_EQ(dots[0].instance_id, "a");
  EXPECT_EQ(dots[0].meeting_id, "m2");
  EXPECT_EQ(dots[0].data_type, 1);
  EXPECT_EQ(dots[0].state, kRedDotStateFinished);
  const auto counts = RedDotNum();
  EXPECT_EQ(counts.local_record_handling_cnt, 1);  // c
  EXPECT_EQ(counts.quick_record_handling_cnt, 1);  // b
  EXPECT_EQ(counts.local_record_finished_cnt, 1);  // d (a is a finished quick recording)

  auto filtered = Owned<DbQueryLocalRecordRedDotDatasReq>();
  filtered.data_type = kLocalDataTypeMeetingRecord;
  filtered.states = {kRedDotStateHandling, kRedDotStateIdle};
  auto [ok, some] = Run<bool, std::vector<LocalRecordRedDotData>>(
      [&](auto done) { service_->QueryLocalRecordRedDotDataList(filtered, done); });
  ASSERT_EQ(some.size(), 2u);
  EXPECT_EQ(some[0].instance_id, "c");
  EXPECT_EQ(some[1].instance_id, "e");

  EXPECT_TRUE(std::get<0>(
      Run<bool>([&](auto done) { service_->DeleteAllFinishedLocalRecordRedDot(Owned<DbOperateCommonReq>(), done); })));
  EXPECT_EQ(RedDots().size(), 3u);
  auto by_meeting = Owned<DbDeleteLocalRecordRedDotReq>();
  by_meeting.by_meeting = true;
  by_meeting.meeting_id = "m";
  by_meeting.period_id = "p";
  base::logging::ScopedLogCapture logs;
  EXPECT_TRUE(std::get<0>(Run<bool>([&](auto done) { service_->DeleteLocalRecordRedDotData(by_meeting, done); })));
  EXPECT_TRUE(logs.Contains("lrrdKP: delete red dot success."));
  EXPECT_TRUE(RedDots().empty());
}

TEST_F(LocalRecordDataServiceTest, UploadStatusDrivesTheRedDotOfTheRecording) {
  auto info = Record("up", 1);
  info.meeting_id = "m9";
  info.period_id = "p9";
  ASSERT_TRUE(Save({info}));
  EXPECT_TRUE(
      std::get<0>(Run<bool>([&](auto done) { service_->HandleLocalRecordRedDotDataByUploadStatus("up", 1, done); })));
  auto dots = RedDots();
  ASSERT_EQ(dots.size(), 1u);
  EXPECT_EQ(dots[0].state, kRedDotStateHandling);
  EXPECT_EQ(dots[0].meeting_id, "m9");
  EXPECT_EQ(dots[0].data_type, kLocalDataTypeQuickRecord);

  EXPECT_TRUE(
      std::get<0>(Run<bool>([&](auto done) { service_->HandleLocalRecordRedDotDataByUploadStatus("up", 3, done); })));
  ASSERT_EQ(RedDots().size(), 1u);
  EXPECT_EQ(RedDots()[0].state, kRedDotStateIdle);

  int calls = 0;
  service_->HandleLocalRecordRedDotDataByUploadStatus("up", 7, [&](bool) { ++calls; });
  env_.RunUntilIdle();
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(RedDots().size(), 1u);

  EXPECT_TRUE(
      std::get<0>(Run<bool>([&](auto done) { service_->HandleLocalRecordRedDotDataByUploadStatus("up", 2, done); })));
  EXPECT_TRUE(RedDots().empty());

  base::logging::ScopedLogCapture logs;
  EXPECT_TRUE(std::get<0>(
      Run<bool>([&](auto done) { service_->HandleLocalRecordRedDotDataByUploadStatus("unknown", 1, done); })));
  EXPECT_TRUE(logs.Contains("can not find meeting_id"));
  EXPECT_TRUE(logs.Contains("finished update local record red dot state, instance_id: unknown"));
}

// Ids that would break SQL built by pasting text: each is stored, found and deleted as it is, and
// no other row changes.
TEST_F(LocalRecordDataServiceTest, OddIdsAreBoundNeverPastedIntoSql) {
  const std::vector<std::string> odd = {"it's \"quoted\"",
                                        "'); DROP TABLE local_record_data; --",
                                        std::string("nul\0byte", 8),
                                        std::string(100 * 1024, 'x'),
                                        "a', 'b",
                                        "%_*"};
  std::vector<PluginSaveOrUpdateLocalDataReqInfo> infos{Record("bystander", 1)};
  for (size_t i = 0; i < odd.size(); ++i) {
    auto info = Record(odd[i], 10 + static_cast<int64_t>(i));
    info.record_id = odd[i];
    info.local_file_path = "/rec/" + std::to_string(i);
    infos.push_back(info);
  }
  ASSERT_TRUE(Save(infos));
  // The NUL id is different from its prefix.
  EXPECT_TRUE(ByInstanceIds({"nul"}).empty());
  const Rows found = ByInstanceIds(odd);
  ASSERT_EQ(found.size(), odd.size());
  for (const auto& row : found) EXPECT_NE(std::find(odd.begin(), odd.end(), row.instance_id), odd.end());

  auto by_record = Owned<PluginQueryLocalDataPathsByRecordIdReq>();
  by_record.record_ids = odd;
  auto [ok, paths] = Run<bool, std::map<std::string, std::string>>(
      [&](auto done) { service_->QueryLocalRecordDataPathsByRecordId(by_record, done); });
  ASSERT_EQ(paths.size(), odd.size());
  EXPECT_EQ(paths[std::string("nul\0byte", 8)], "/rec/2");

  for (const auto& id : odd) {
    auto request = Owned<PluginDeleteLocalDataReq>();
    request.instance_id = id;
    EXPECT_TRUE(std::get<0>(Run<bool>([&](auto done) { service_->DeleteLocalDataByKeyId(request, done); })));
    EXPECT_TRUE(ByInstanceIds({id}).empty());
  }
  const Rows left = ByInstanceIds({"bystander"});
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(left[0].record_title, "title bystander");
  auto db = OpenFile();
  EXPECT_TRUE(db->TableExists("local_record_data"));
  auto count = db->Compile("SELECT COUNT(*) FROM local_record_data");
  ASSERT_EQ(count->Step(), base::database::SQLiteStatement::StepResult::kRow);
  EXPECT_EQ(count->ColumnInt64(0), 1);
}

TEST_F(LocalRecordDataServiceTest, LongIdListsAreSplitAcrossStatements) {
  std::vector<PluginSaveOrUpdateLocalDataReqInfo> infos;
  std::vector<std::string> ids;
  for (int i = 0; i < 1200; ++i) {
    ids.push_back("id" + std::to_string(i));
    infos.push_back(Record(ids.back(), i));
  }
  ASSERT_TRUE(Save(infos));
  EXPECT_EQ(ByInstanceIds(ids).size(), 1200u);
}

TEST_F(LocalRecordDataServiceTest, EveryCallIsAnsweredOnTheCallersLooperAfterRunningOnTheWorker) {
  base::threading::Looper* answered_on = nullptr;
  bool answered = false;
  service_->DeleteAllFinishedLocalRecordRedDot(Owned<DbOperateCommonReq>(), [&](bool) {
    answered = true;
    answered_on = base::threading::LooperThread::CurrentLooper();
  });
  EXPECT_FALSE(answered);  // never inside the call
  env_.RunUntilIdle();
  EXPECT_TRUE(answered);
  EXPECT_EQ(answered_on, &env_.main_looper());
}

}  // namespace
}  // namespace quick_record
