#include "storage/record_store.h"

#include <gtest/gtest.h>

#include "storage/title_review_store.h"
#include "testing/test_database.h"

namespace qr_backend {
namespace {

Record MakeRecord(const std::string& uni, const std::string& owner, const std::string& type) {
  Record r;
  r.uni_record_id = uni;
  r.record_id = "id-" + uni;
  r.file_id = "f-" + uni;
  r.owner_uid = owner;
  r.title = "t";
  r.record_type = type;
  r.video_key = "records/" + uni + "/video.mp4";
  r.cover_key = "records/" + uni + "/cover.jpg";
  return r;
}

TEST(BackendRecordStoreTest, AnOlderReviewCannotUndoANewerTitle) {
  TestDatabase database;
  RecordStore records(database.db());
  ASSERT_TRUE(records.Insert(MakeRecord("r1", "alice", "fast_record")));
  EXPECT_TRUE(records.ApplyTitle("r1", "second", "notes 2", 2, 10));
  EXPECT_FALSE(records.ApplyTitle("r1", "first", "notes 1", 1, 11));
  EXPECT_FALSE(records.ApplyTitle("r1", "again", "", 2, 12));
  EXPECT_EQ(records.FindByUni("r1")->title, "second");
  EXPECT_EQ(records.FindByUni("r1")->description, "notes 2");
}

TEST(BackendRecordStoreTest, CompletionStoresItsFieldsAndTheDoneState) {
  TestDatabase database;
  RecordStore records(database.db());
  ASSERT_TRUE(records.Insert(MakeRecord("r1", "alice", "fast_record")));
  ASSERT_TRUE(
      records.Complete("r1", {42, 5000, R"({"record_mode":"1"})", "b1", true, "", 0, 0}, 99));
  const Record r = *records.FindByRecordId("id-r1");
  EXPECT_EQ(r.state, kRecordStateDone);
  EXPECT_EQ(r.file_size, 42);
  EXPECT_EQ(r.duration_ms, 5000);
  EXPECT_EQ(r.batch_id, "b1");
  EXPECT_TRUE(r.batch_upload_notify);
  EXPECT_EQ(r.completed_at, 99);
  EXPECT_FALSE(records.Complete("missing", {}, 99));
}

TEST(BackendRecordStoreTest, UsageCountsRecordsAndTheirObjectsPerKind) {
  TestDatabase database;
  RecordStore records(database.db());
  ASSERT_TRUE(records.Insert(MakeRecord("r1", "alice", "fast_record")));
  ASSERT_TRUE(records.Insert(MakeRecord("r2", "alice", "fast_record")));
  ASSERT_TRUE(records.Insert(MakeRecord("r3", "alice", "cloud_record")));
  ASSERT_TRUE(records.Insert(MakeRecord("r4", "bob", "fast_record")));
  for (const auto& [key, size] :
       std::vector<std::pair<std::string, int64_t>>{{"records/r1/video.mp4", 100},
                                                    {"records/r1/cover.jpg", 7},
                                                    {"records/r3/video.mp4", 50},
                                                    {"records/r4/video.mp4", 1000}}) {
    ASSERT_TRUE(database.db().Exec(
        "INSERT INTO objects(bucket, object_key, owner_uid, size, etag, content_type, "
        "updated_at) VALUES('b', ?, 'x', ?, '', '', 0)",
        {key, size}));
  }
  const auto usage = records.UsageOf("alice", "b");
  ASSERT_TRUE(usage);
  ASSERT_EQ(usage->size(), 2u);
  for (const RecordUsage& kind : *usage) {
    if (kind.record_type == "fast_record") {
      EXPECT_EQ(kind.count, 2);
      EXPECT_EQ(kind.bytes, 107);
    } else {
      EXPECT_EQ(kind.record_type, "cloud_record");
      EXPECT_EQ(kind.count, 1);
      EXPECT_EQ(kind.bytes, 50);
    }
  }
  EXPECT_EQ(records.UsageOf("alice", "other-bucket")->at(0).bytes, 0);
}

TEST(BackendTitleReviewStoreTest, VersionsCountPerRecord) {
  TestDatabase database;
  TitleReviewStore reviews(database.db());
  const auto a1 = reviews.Open("r1", "alice", "one", "", 1);
  const auto a2 = reviews.Open("r1", "alice", "two", "d", 2);
  const auto b1 = reviews.Open("r2", "alice", "x", "", 3);
  ASSERT_TRUE(a1 && a2 && b1);
  EXPECT_EQ(a1->version, 1);
  EXPECT_EQ(a2->version, 2);
  EXPECT_EQ(b1->version, 1);
  EXPECT_NE(a1->fire_id, a2->fire_id);
  ASSERT_TRUE(reviews.Update(a2->fire_id, 3, kReviewAccepted));
  EXPECT_EQ(reviews.Find(a2->fire_id)->status, kReviewAccepted);
  EXPECT_EQ(reviews.Find(a2->fire_id)->polls, 3);
  ASSERT_TRUE(reviews.DeleteForRecord("r1"));
  EXPECT_FALSE(reviews.Find(a1->fire_id));
  EXPECT_TRUE(reviews.Find(b1->fire_id));
}

}  // namespace
}  // namespace qr_backend
