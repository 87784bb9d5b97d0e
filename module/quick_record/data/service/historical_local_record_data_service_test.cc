#include "module/quick_record/data/service/historical_local_record_data_service.h"

#include <gtest/gtest.h>

#include "host/app/meeting_history.h"
#include "host/base/json/json_value.h"
#include "host/base/logging/logger.h"
#include "host/media/stream/raw_stream_writer.h"
#include "host/util/crypto.h"
#include "module/quick_record/data/service/local_record_service_test_fixture.h"

namespace quick_record {
namespace {

using host::app::MeetingHistory;
using testing::kAppId;
using testing::kAppUid;

class HistoricalLocalRecordDataServiceTest : public testing::LocalRecordServiceTest {
 protected:
  void SetUp() override { history_file_ = MeetingHistory::Open(dir_.path() + "/"); }

  static MeetingHistory::Meeting Meeting(const std::string& id, const std::string& uid = kAppUid) {
    return {kAppId, uid, id, "p-" + id, "code-" + id, "Subject " + id, 1000};
  }

  // A raw local meeting recording of 640x360 and two seconds, as the meeting left it.
  std::string WriteRawRecording(const std::string& name) {
    const std::string path = dir_.Child(name + ".kovtv");
    kvp::av::RawStreamWriter writer;
    EXPECT_EQ(kvp::av::kOk, writer.Open(path, kvp::av::RawIndexHeader::Video(640, 360, 15)).code);
    const std::vector<uint8_t> bytes(64, 1);
    for (int i = 0; i < 30; ++i) writer.Write(bytes.data(), bytes.size(), int64_t{i} * 66'666, 66'666, 0);
    return path;
  }

  std::vector<LocalRecordDataInfo> MeetingRows() {
    DbQueryLocalRecordDatasReq request;
    request.app_id = kAppId;
    request.app_uid = kAppUid;
    request.meeting_id = "m1";
    request.period_id = "p-m1";
    request.begin_time_to = INT64_MAX;
    return std::get<0>(
               Run<DbQueryLocalRecordDatasResp>([&](auto done) { service_->QueryLocalRecordDatas(request, done); }))
        .items;
  }

  std::unique_ptr<MeetingHistory> history_file_;
};

TEST_F(HistoricalLocalRecordDataServiceTest, MigratesTheUsersMeetingRecordingsOnceAndMarksTheSync) {
  ASSERT_TRUE(history_file_);
  const std::string raw = WriteRawRecording("double_click_to_convert_a");
  ASSERT_TRUE(history_file_->AddLocalRecording(Meeting("m1"), raw, 1700000000));
  ASSERT_TRUE(history_file_->AddLocalRecording(Meeting("m1"), "/gone/meeting_b.mp4", 1700000100));
  ASSERT_TRUE(history_file_->AddLocalRecording(Meeting("m3", "bob"), "/x/meeting_c.mp4", 5));
  ASSERT_TRUE(history_file_->database()->Execute(
      "INSERT INTO historical_meetings_new(app_id, app_uid, meeting_id, period_id) VALUES (?, ?, 'm2', 'p')",
      {base::variant::Variant(kAppId), base::variant::Variant(kAppUid)}));
  OpenServices();

  base::logging::ScopedLogCapture logs;
  auto [read_and_saved, marked] = Run<bool, bool>([&](auto done) { service_->SyncHistoricalLocalRecordData(done); });
  EXPECT_TRUE(read_and_saved);
  EXPECT_TRUE(marked);
  EXPECT_TRUE(logs.Contains("analysis success , local_record_infos.size() = 2"));
  EXPECT_TRUE(logs.Contains("lrKP:SyncHistoricalLocalRecordData: success result:"));
  EXPECT_TRUE(logs.Contains("SyncHistoricalLocalRecordData Cost Time: "));

  auto rows = MeetingRows();
  ASSERT_EQ(rows.size(), 2u);
  const auto& analysed = rows[0].local_file_path == raw ? rows[0] : rows[1];
  const auto& missing = rows[0].local_file_path == raw ? rows[1] : rows[0];
  EXPECT_EQ(analysed.instance_id, util::crypto::Md5(raw));
  EXPECT_EQ(analysed.data_type, kLocalDataTypeMeetingRecord);
  EXPECT_EQ(analysed.meeting_code, "code-m1");
  EXPECT_EQ(analysed.start_record_time, 1700000000);
  EXPECT_EQ(analysed.width, 640);
  EXPECT_EQ(analysed.height, 360);
  EXPECT_GT(analysed.video_length, 1500);
  EXPECT_EQ(missing.local_file_path, "/gone/meeting_b.mp4");
  EXPECT_EQ(missing.width, 0);
  EXPECT_EQ(missing.cover_path, "/gone/meeting_b.jpg");

  QuerySyncStatusInfo status;
  status.app_id = kAppId;
  status.app_uid = kAppUid;
  auto [sync] = Run<QuerySyncStatusInfoResp>([&](auto done) { service_->QuerySyncStatus(status, done); });
  EXPECT_TRUE(sync.is_sync_success);
  EXPECT_EQ(sync.sync_version, LocalRecordDataService::kSyncVersion);

  // A second migration saves no duplicates and keeps the first values.
  ASSERT_TRUE(history_file_->AddLocalRecording(Meeting("m1"), raw, 1800000000));
  auto [again, marked_again] = Run<bool, bool>([&](auto done) { service_->SyncHistoricalLocalRecordData(done); });
  EXPECT_TRUE(again && marked_again);
  rows = MeetingRows();
  ASSERT_EQ(rows.size(), 2u);
  for (const auto& row : rows) EXPECT_NE(row.start_record_time, 1800000000);

  auto [same] = Run<RequestCallbackState>([&](auto done) { service_->IsSameQuantity(done); });
  EXPECT_EQ(same, RequestCallbackState::kSame);
  ASSERT_TRUE(history_file_->AddLocalRecording(Meeting("m4"), "/x/meeting_d.mp4", 9));
  auto [different] = Run<RequestCallbackState>([&](auto done) { service_->IsSameQuantity(done); });
  EXPECT_EQ(different, RequestCallbackState::kDifferent);
}

TEST_F(HistoricalLocalRecordDataServiceTest, WithoutAHistoryTheMigrationSavesNothingAndSucceeds) {
  history_file_.reset();
  util::file::ScopedTempDir empty;
  history_ = std::make_shared<HistoricalLocalRecordDataService>(empty.path(), &env_.worker_looper());
  service_ = std::make_shared<LocalRecordDataService>(dir_.path(), &env_.worker_looper(), history_);
  base::logging::ScopedLogCapture logs;
  auto [saved, marked] = Run<bool, bool>([&](auto done) { service_->SyncHistoricalLocalRecordData(done); });
  EXPECT_TRUE(saved && marked);
  EXPECT_TRUE(logs.Contains("Not exist history db, will create it."));
  EXPECT_TRUE(logs.Contains("hlrKP: table = historical_meetings_new, db list = ["));
}

TEST_F(HistoricalLocalRecordDataServiceTest, ListsDetailsCountsAndRemovesRecordFiles) {
  ASSERT_TRUE(history_file_->AddLocalRecording(Meeting("m1"), "/r/meeting_1.mp4", 1));
  ASSERT_TRUE(history_file_->AddLocalRecording(Meeting("m1"), "/r/meeting_2.mp4", 2));
  auto later = Meeting("m2");
  later.meeting_join_time = 2000;
  ASSERT_TRUE(history_file_->AddLocalRecording(later, "/r/meeting_3.mp4", 3));
  OpenServices();

  PluginGetHistoricalLocalRecordListReq list;
  list.app_id = kAppId;
  list.app_uid = kAppUid;
  list.page_size = 1;
  auto [ok, meetings] = Run<bool, std::vector<PluginHistoryLocalRecordInfo>>(
      [&](auto done) { history_->GetDBHistoricalLocalRecordListData(list, done); });
  EXPECT_TRUE(ok);
  ASSERT_EQ(meetings.size(), 2u);  // the page and the row that says more exist
  EXPECT_EQ(meetings[0].meeting_id, "m2");

  GetLocalReocrdQuantityInfo count;
  count.app_id = kAppId;
  count.app_uid = kAppUid;
  auto [num] = Run<PluginGetLocalReocrdQuantityResp>(
      [&](auto done) { history_->GetHistoricalMeetingLocalRecordQuantity(count, done); });
  EXPECT_EQ(num.quantity, 2);

  PluginLocalRecordReqInfo remove;
  remove.app_id = kAppId;
  remove.app_uid = kAppUid;
  remove.meeting_id = "m1";
  remove.period_id = "p-m1";
  remove.local_file_path = "/r/meeting_1.mp4";
  EXPECT_TRUE(std::get<0>(Run<bool>([&](auto done) { history_->DeleteDBHistoricalLocalRecordInfo(remove, done); })));
  PluginQueryHistoricalLocalRecordDetailsReqInfo details;
  details.app_id = kAppId;
  details.app_uid = kAppUid;
  details.meeting_id = "m1";
  details.period_id = "p-m1";
  auto [found, files] = Run<bool, PluginQueryHistoricalLocalRecordDetailsRespInfo>(
      [&](auto done) { history_->GetLocalRecordInfoFromHistoricalMeetingDb(details, done); });
  EXPECT_TRUE(found);
  const auto json = base::json::JsonValue::Parse(files.meeting_screen_record_files);
  EXPECT_FALSE(json.Contain("/r/meeting_1.mp4"));
  EXPECT_EQ(json["/r/meeting_2.mp4"].AsString(), "2");

  DbQueryLocalRecordDatasReq datas;
  datas.app_id = kAppId;
  datas.app_uid = kAppUid;
  datas.meeting_id = "m1";
  datas.period_id = "p-m1";
  auto [records] =
      Run<DbQueryLocalRecordDatasResp>([&](auto done) { history_->QueryHistoricalLocalRecordDatas(datas, done); });
  ASSERT_EQ(records.items.size(), 1u);
  EXPECT_EQ(records.items[0].local_file_path, "/r/meeting_2.mp4");

  ASSERT_TRUE(history_file_->database()->Execute(
      "UPDATE historical_meetings_new SET meeting_screen_record_files = 'not json' WHERE meeting_id = 'm2'"));
  remove.meeting_id = "m2";
  remove.period_id = "p-m2";
  base::logging::ScopedLogCapture logs;
  EXPECT_FALSE(
      std::get<0>(Run<bool>([&](auto done) { history_->BatchDeleteDBHistoricalLocalRecordInfo({remove}, done); })));
  EXPECT_TRUE(logs.Contains("lrKP: invalid json string."));
}

TEST_F(HistoricalLocalRecordDataServiceTest, OnlyUserVersionOneHundredCountsAsMigrated) {
  ASSERT_TRUE(history_file_->database()->SetUserVersion(99));
  OpenServices();
  EXPECT_FALSE(std::get<0>(Run<bool>([&](auto done) { history_->IsMigrateSuccess(done); })));
  ASSERT_TRUE(history_file_->database()->SetUserVersion(100));
  base::logging::ScopedLogCapture logs;
  EXPECT_TRUE(std::get<0>(Run<bool>([&](auto done) { history_->IsMigrateSuccess(done); })));
  EXPECT_TRUE(logs.Contains("hmKP:GetMigrateState: migrate_state:100"));
}

TEST_F(HistoricalLocalRecordDataServiceTest, TheOlderHistoryFileWhenPresentHoldsTheMigrateState) {
  ASSERT_TRUE(history_file_->database()->SetUserVersion(100));
  auto old_file =
      base::database::OpenOrCreateDatabase(MeetingHistory::DatabaseFile(dir_.path() + "/", "historical_meetings"));
  ASSERT_TRUE(old_file && old_file->SetUserVersion(99));
  OpenServices();
  auto [state] = Run<uint32_t>([&](auto done) { history_->GetMigrateState(done); });
  EXPECT_EQ(state, 99u);
}

}  // namespace
}  // namespace quick_record
