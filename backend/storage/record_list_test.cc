// Keyset paging of RecordStore::List.

#include <gtest/gtest.h>

#include <set>

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
      const auto page = records_.List(request);
      EXPECT_TRUE(page);
      if (!page) break;
      for (const auto& item : page->items) seen.push_back(item.record.uni_record_id);
      if (!page->has_more) break;
      request.after = page->items.back().position;
    }
    return seen;
  }

  TestDatabase database_;
  RecordStore records_{database_.db()};
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
  const auto first = records_.List(request);
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
    const auto page = records_.List(request);
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
}

}  // namespace
}  // namespace qr_backend
