#include "api/title_review_settler.h"

#include <gtest/gtest.h>

#include "push/push_hub.h"
#include "testing/test_api_context.h"

namespace qr_backend {
namespace {

class BackendTitleReviewSettlerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    t_.AddUser("owner");
    t_.AddRecord("r1", "owner");
    std::string error;
    ASSERT_TRUE(t_.runtime.Update({{"censor_review_polls", 1},
                                   {"censor_review_seconds", 10},
                                   {"censor_block_words", {"forbidden"}}},
                                  &error))
        << error;
  }

  TitleReview Rename(const std::string& title) {
    auto review = t_.reviews.Open("r1", "owner", title, "about " + title, t_.clock.NowSeconds());
    EXPECT_TRUE(review);
    return review.value_or(TitleReview{});
  }
  std::string Title() { return t_.records.FindByUni("r1")->title; }
  // The msg_type of every cmd 4 the owner was sent.
  std::vector<int> RecordPushes() {
    std::vector<int> types;
    for (const PushEvent& event : t_.push.Wait("owner", 0, std::chrono::milliseconds(0))) {
      if (event.cmd == kPushRecordChanged) {
        types.push_back(nlohmann::json::parse(event.content).value("msg_type", 0));
      }
    }
    return types;
  }

  TestApiContext t_;
  TitleReviewSettler settler_{t_.context};
};

TEST_F(BackendTitleReviewSettlerTest, ARenameWhosePollerStoppedIsAppliedWhenItsTimeIsUp) {
  const TitleReview review = Rename("New name");
  ASSERT_EQ(settler_.Poll(review)->status, kReviewPending);  // the client polls once, then stops
  t_.clock.Advance(9);
  EXPECT_EQ(settler_.SettleDue(), 0);
  EXPECT_EQ(Title(), "Title of r1");
  t_.clock.Advance(1);
  EXPECT_EQ(settler_.SettleDue(), 1);
  EXPECT_EQ(Title(), "New name");
  EXPECT_EQ(t_.records.FindByUni("r1")->description, "about New name");
  EXPECT_EQ(t_.reviews.Find(review.fire_id)->status, kReviewAccepted);
  EXPECT_EQ(RecordPushes(), std::vector<int>{kRecordRenamed});
  // Settled once: neither the timer nor a late poll decides again.
  EXPECT_EQ(settler_.SettleDue(), 0);
  const auto late = settler_.Poll(*t_.reviews.Find(review.fire_id));
  ASSERT_TRUE(late);
  EXPECT_EQ(late->status, kReviewAccepted);
  EXPECT_EQ(RecordPushes().size(), 1u);
}

TEST_F(BackendTitleReviewSettlerTest, ABlockedTitleIsRefusedByTimeToo) {
  const TitleReview review = Rename("Forbidden talk");
  t_.clock.Advance(10);
  EXPECT_EQ(settler_.SettleDue(), 1);
  EXPECT_EQ(t_.reviews.Find(review.fire_id)->status, kReviewRejected);
  EXPECT_EQ(Title(), "Title of r1");
  EXPECT_TRUE(RecordPushes().empty());
}

TEST_F(BackendTitleReviewSettlerTest, PollsSettleBeforeTheTimeAndAPollAfterItSettlesAtOnce) {
  TitleReview review = Rename("Polled");
  review = *settler_.Poll(review);
  EXPECT_EQ(review.status, kReviewPending);
  review = *settler_.Poll(review);
  EXPECT_EQ(review.status, kReviewAccepted);
  EXPECT_EQ(Title(), "Polled");

  // censor_review_polls is high, but the time is up at the first poll.
  std::string error;
  ASSERT_TRUE(t_.runtime.Update({{"censor_review_polls", 100}}, &error)) << error;
  const TitleReview slow = Rename("Slow");
  t_.clock.Advance(10);
  EXPECT_EQ(settler_.Poll(slow)->status, kReviewAccepted);
  EXPECT_EQ(Title(), "Slow");
}

TEST_F(BackendTitleReviewSettlerTest, AnOlderRenameSettledLaterDoesNotUndoANewerOne) {
  const TitleReview older = Rename("Older");
  TitleReview newer = Rename("Newer");
  newer = *settler_.Poll(*settler_.Poll(newer));
  ASSERT_EQ(newer.status, kReviewAccepted);
  t_.clock.Advance(10);
  EXPECT_EQ(settler_.SettleDue(), 1);
  EXPECT_EQ(t_.reviews.Find(older.fire_id)->status, kReviewAccepted);
  EXPECT_EQ(Title(), "Newer");
}

}  // namespace
}  // namespace qr_backend
