#include "storage/notice_store.h"

#include <gtest/gtest.h>

#include "testing/test_database.h"

namespace qr_backend {
namespace {

Notice MakeNotice(const std::string& to, const std::string& path, int type) {
  Notice n;
  n.app_uid = to;
  n.path = path;
  n.type = type;
  n.uni_record_id = "r1";
  n.author_uid = "bob";
  n.content = "nice";
  return n;
}

TEST(BackendNoticeStoreTest, APathIsLitWhileItHasUnreadNotices) {
  TestDatabase database;
  NoticeStore notices(database.db());
  EXPECT_FALSE(notices.Pending("alice", "p").is_show);
  ASSERT_TRUE(notices.Add(MakeNotice("alice", "p", kNoticeComment)));
  ASSERT_TRUE(notices.Add(MakeNotice("alice", "p", kNoticeReply)));
  ASSERT_TRUE(notices.Add(MakeNotice("alice", "other", kNoticeComment)));
  const RedDotState state = notices.Pending("alice", "p");
  EXPECT_TRUE(state.is_show);
  EXPECT_EQ(state.count, 2);
  EXPECT_EQ(state.type, kNoticeReply);  // the newest
  EXPECT_FALSE(notices.Pending("bob", "p").is_show);

  bool changed = false;
  ASSERT_TRUE(notices.ClearPath("alice", "p", &changed));
  EXPECT_TRUE(changed);
  EXPECT_FALSE(notices.Pending("alice", "p").is_show);
  EXPECT_TRUE(notices.Pending("alice", "other").is_show);
  ASSERT_TRUE(notices.ClearPath("alice", "p", &changed));
  EXPECT_FALSE(changed);
  // Read notices stay listed.
  EXPECT_EQ(notices.List("alice", 0, 10).size(), 3u);
}

TEST(BackendNoticeStoreTest, ListsNewestFirstBelowACursor) {
  TestDatabase database;
  NoticeStore notices(database.db());
  std::vector<int64_t> ids;
  for (int i = 0; i < 5; ++i) ids.push_back(*notices.Add(MakeNotice("alice", "p", kNoticeComment)));
  const auto first = notices.List("alice", 0, 2);
  ASSERT_EQ(first.size(), 2u);
  EXPECT_EQ(first[0].id, ids[4]);
  const auto next = notices.List("alice", first[1].id, 10);
  ASSERT_EQ(next.size(), 3u);
  EXPECT_EQ(next[0].id, ids[2]);
}

TEST(BackendNoticeStoreTest, CardDotsReportWhetherTheyChanged) {
  TestDatabase database;
  NoticeStore notices(database.db());
  bool changed = false;
  ASSERT_TRUE(notices.SetCardDot("alice", "r1", true, &changed));
  EXPECT_TRUE(changed);
  ASSERT_TRUE(notices.SetCardDot("alice", "r1", true, &changed));
  EXPECT_FALSE(changed);
  EXPECT_TRUE(notices.HasCardDot("alice", "r1"));
  EXPECT_FALSE(notices.HasCardDot("bob", "r1"));
  ASSERT_TRUE(notices.ForgetRecord("r1"));
  EXPECT_FALSE(notices.HasCardDot("alice", "r1"));
}

}  // namespace
}  // namespace qr_backend
