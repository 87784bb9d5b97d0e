// Paging of RecordListing: keyset over immutable keys, snapshots over moving ones.

#include "storage/record_listing.h"

#include <gtest/gtest.h>

#include <set>

#include "common/database.h"
#include "storage/record_store.h"
#include "storage/share_store.h"
#include "storage/view_store.h"
#include "testing/test_database.h"

namespace qr_backend {
namespace {

class BackendRecordListTest : public ::testing::Test {
 protected:
  void Add(const std::string& uni, const std::string& owner, int64_t time,
           const std::string& type = "fast_record") {
    Record r;
    r.uni_record_id = uni;
    r.record_id = "id-" + uni;
    r.file_id = "f-" + uni;
    r.owner_uid = owner;
    r.title = uni;
    r.record_type = type;
    r.created_at = r.updated_at = time;
    ASSERT_TRUE(records_.Insert(r));
  }

  // Every uni id of a list, page by page.
  std::vector<std::string> Walk(ListRequest request) {
    std::vector<std::string> seen;
    for (int guard = 0; guard < 1000; ++guard) {
      const auto page = listing_.Page(request, now_);
      EXPECT_TRUE(page);
      if (!page) break;
      for (const auto& item : page->items) seen.push_back(item.record.uni_record_id);
      if (!page->has_more) break;
      request.after = page->items.back().position;
    }
    return seen;
  }

  // A rename or completion: the record moves to the top of the list by update time.
  void Touch(const std::string& uni, int64_t time) {
    ASSERT_TRUE(database_.db().Exec("UPDATE records SET updated_at = ? WHERE uni_record_id = ?",
                                    {time, uni}));
  }

  TestDatabase database_;
  RecordStore records_{database_.db()};
  RecordListing listing_{database_.db()};
  int64_t now_ = 1'700'000'000;
};

TEST_F(BackendRecordListTest, PagesAreNewestFirstAndTiesBreakOnTheUniId) {
  Add("a", "alice", 10);
  Add("b", "alice", 20);
  Add("c", "alice", 20);
  Add("d", "alice", 5);
  Add("x", "bob", 30);
  ListRequest request;
  request.viewer_uid = "alice";
  request.limit = 2;
  const auto first = listing_.Page(request, now_);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->total, 4);
  EXPECT_TRUE(first->has_more);
  ASSERT_EQ(first->items.size(), 2u);
  EXPECT_EQ(first->items[0].record.uni_record_id, "c");
  EXPECT_EQ(first->items[1].record.uni_record_id, "b");
  EXPECT_EQ(Walk(request), (std::vector<std::string>{"c", "b", "a", "d"}));
}

TEST_F(BackendRecordListTest, InsertsAndDeletesBetweenPagesNeitherRepeatNorSkip) {
  for (int i = 0; i < 20; ++i) Add("r" + std::to_string(100 + i), "alice", 1000 + i / 3);
  ListRequest request;
  request.viewer_uid = "alice";
  request.limit = 4;
  std::vector<std::string> seen;
  std::set<std::string> deleted;
  int step = 0;
  for (;;) {
    const auto page = listing_.Page(request, now_);
    ASSERT_TRUE(page);
    for (const auto& item : page->items) seen.push_back(item.record.uni_record_id);
    if (!page->has_more) break;
    request.after = page->items.back().position;
    // Newer records arrive, and one not listed yet goes away.
    Add("new" + std::to_string(step), "alice", 2000 + step);
    const std::string victim = "r" + std::to_string(100 + step);
    if (std::find(seen.begin(), seen.end(), victim) == seen.end() && records_.Delete(victim)) {
      deleted.insert(victim);
    }
    ++step;
  }
  std::set<std::string> unique(seen.begin(), seen.end());
  EXPECT_EQ(unique.size(), seen.size()) << "a record repeated";
  for (int i = 0; i < 20; ++i) {
    const std::string uni = "r" + std::to_string(100 + i);
    EXPECT_EQ(unique.count(uni), deleted.count(uni) ? 0u : 1u) << uni;
  }
}

TEST_F(BackendRecordListTest, ScopesAndKinds) {
  Add("own-fast", "alice", 1);
  Add("own-cloud", "alice", 2, "cloud_record");
  Add("bobs", "bob", 3);
  Add("bobs-private", "bob", 4);
  ShareStore shares(database_.db());
  ASSERT_TRUE(shares.SetPermission("bobs", "alice", 1, 1));

  ListRequest all;
  all.scope = ListScope::kAll;
  all.viewer_uid = "alice";
  EXPECT_EQ(Walk(all), (std::vector<std::string>{"bobs", "own-cloud", "own-fast"}));
  all.kinds = {"cloud_record", "user_upload"};
  EXPECT_EQ(Walk(all), (std::vector<std::string>{"own-cloud"}));

  ViewStore views(database_.db());
  ASSERT_TRUE(views.Record("alice", "own-fast", 500));
  ASSERT_TRUE(views.Record("alice", "bobs", 400));
  ListRequest recent;
  recent.scope = ListScope::kRecent;
  recent.viewer_uid = "alice";
  EXPECT_EQ(Walk(recent), (std::vector<std::string>{"own-fast", "bobs"}));

  // Opens within one millisecond, and one whose clock reads earlier, still list newest first.
  ASSERT_TRUE(views.RecordNow("alice", "bobs", 700));
  ASSERT_TRUE(views.RecordNow("alice", "own-cloud", 700));
  ASSERT_TRUE(views.RecordNow("alice", "own-fast", 650));
  EXPECT_EQ(Walk(recent), (std::vector<std::string>{"own-fast", "own-cloud", "bobs"}));
  EXPECT_EQ(views.LastView("alice", "own-fast"), 702);
  ASSERT_TRUE(views.RecordNow("bob", "bobs", 10));
  EXPECT_EQ(views.LastView("bob", "bobs"), 10);
}

TEST_F(BackendRecordListTest, RecordsThatMoveBetweenPagesOfTheAllListNeitherRepeatNorSkip) {
  for (int i = 0; i < 40; ++i) Add("r" + std::to_string(100 + i), "alice", 1000 + i / 4);
  ListRequest request;
  request.scope = ListScope::kAll;
  request.viewer_uid = "alice";
  request.limit = 6;
  std::vector<std::string> seen;
  std::set<std::string> deleted;
  for (int step = 0;; ++step) {
    const auto page = listing_.Page(request, now_);
    ASSERT_TRUE(page);
    for (const auto& item : page->items) seen.push_back(item.record.uni_record_id);
    if (!page->has_more) break;
    request.after = page->items.back().position;
    // Between pages: one record not yet listed and one already listed are renamed (they jump
    // to the top), one not yet listed is deleted, and a new one arrives.
    Touch("r" + std::to_string(100 + step), 5000 + step);
    Touch(seen.front(), 6000 + step);
    const std::string victim = "r" + std::to_string(110 + step);
    if (std::find(seen.begin(), seen.end(), victim) == seen.end() && records_.Delete(victim)) {
      deleted.insert(victim);
    }
    Add("new" + std::to_string(step), "alice", 7000 + step);
  }
  std::set<std::string> unique(seen.begin(), seen.end());
  EXPECT_EQ(unique.size(), seen.size()) << "a record repeated";
  for (int i = 0; i < 40; ++i) {
    const std::string uni = "r" + std::to_string(100 + i);
    EXPECT_EQ(unique.count(uni), deleted.count(uni) ? 0u : 1u) << uni;
  }
  EXPECT_EQ(unique.count("new0"), 0u) << "a record added after the first page shows next time";
  request.after.reset();
  EXPECT_EQ(listing_.Page(request, now_)->items.front().record.uni_record_id.rfind("new", 0), 0u);
}

TEST_F(BackendRecordListTest, ASnapshotDropsWhatLeftTheListAndServesOnlyItsOwnList) {
  Add("own", "alice", 1);
  Add("bobs", "bob", 2);
  Add("bobs-2", "bob", 3);
  ShareStore shares(database_.db());
  ASSERT_TRUE(shares.SetPermission("bobs", "alice", 1, 1));
  ASSERT_TRUE(shares.SetPermission("bobs-2", "alice", 1, 1));
  ListRequest all;
  all.scope = ListScope::kAll;
  all.viewer_uid = "alice";
  all.limit = 1;
  const auto first = listing_.Page(all, now_);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->total, 3);
  ASSERT_NE(first->items[0].position.snapshot_id, 0);
  // The grant is taken back: the record leaves the rest of the walk and the count.
  ASSERT_TRUE(shares.SetPermission("bobs", "alice", 0, 2));
  all.after = first->items[0].position;
  const auto second = listing_.Page(all, now_);
  ASSERT_TRUE(second);
  EXPECT_EQ(second->total, 2);
  ASSERT_EQ(second->items.size(), 1u);
  EXPECT_EQ(second->items[0].record.uni_record_id, "own");
  EXPECT_FALSE(second->has_more);

  // Bob cannot page through alice's snapshot: his cursor walks his own list.
  ListRequest bobs = all;
  bobs.viewer_uid = "bob";
  const auto borrowed = listing_.Page(bobs, now_);
  ASSERT_TRUE(borrowed);
  for (const auto& item : borrowed->items) EXPECT_EQ(item.record.owner_uid, "bob");
}

TEST_F(BackendRecordListTest, AnExpiredSnapshotContinuesAfterItsRecordInTheLiveOrder) {
  for (int i = 0; i < 6; ++i) Add("r" + std::to_string(i), "alice", 100 + i);
  ListRequest all;
  all.scope = ListScope::kAll;
  all.viewer_uid = "alice";
  all.limit = 2;
  const auto first = listing_.Page(all, now_);
  ASSERT_TRUE(first);
  all.after = first->items.back().position;
  // Another listing an hour later prunes the first snapshot.
  ListRequest other = all;
  other.after.reset();
  ASSERT_TRUE(listing_.Page(other, now_ + RecordListing::kSnapshotSeconds + 1));
  const auto second = listing_.Page(all, now_ + RecordListing::kSnapshotSeconds + 1);
  ASSERT_TRUE(second);
  ASSERT_EQ(second->items.size(), 2u);
  EXPECT_EQ(second->items[0].record.uni_record_id, "r3");
  EXPECT_EQ(second->items[0].position.snapshot_id, 0);
  EXPECT_EQ(database_.db().Query("SELECT COUNT(*) FROM list_snapshots")->front().Int(0), 1);
}

}  // namespace
}  // namespace qr_backend
