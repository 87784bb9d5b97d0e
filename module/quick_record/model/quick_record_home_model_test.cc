#include "module/quick_record/model/quick_record_home_model.h"

#include <gtest/gtest.h>

#include <vector>

namespace quick_record {
namespace {

using base::variant::Variant;
using Model = QuickRecordHomeModel;

class QuickRecordHomeModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int32_t event : {Model::kEventNewRecordPageOpened, Model::kEventNewRecordPageClosed}) {
      model_->Subscribe(event, 1, [this](int32_t id, const Variant& payload) {
        // What a subscriber reads while the event is delivered.
        Variant state;
        model_->Call(Model::kInvokeGetNewRecordPageState, Variant(), &state);
        events_.push_back({id, payload, state.GetBool("is_new_record_page")});
      });
    }
  }
  bool PageOpen() {
    Variant state;
    EXPECT_TRUE(model_->Call(Model::kInvokeGetNewRecordPageState, Variant(), &state));
    return state.GetBool("is_new_record_page", true);
  }

  struct Seen {
    int32_t id;
    Variant payload;
    bool open_during_event;
  };
  std::shared_ptr<Model> model_ = std::make_shared<Model>();
  std::vector<Seen> events_;
};

TEST_F(QuickRecordHomeModelTest, ThePageIsClosedUntilItOpens) {
  EXPECT_FALSE(PageOpen());
  EXPECT_TRUE(events_.empty());
}

TEST_F(QuickRecordHomeModelTest, OpenAndCloseAreAnnouncedWithTheNewStateInPlace) {
  ASSERT_TRUE(model_->Call(Model::kInvokeOpenNewRecordPage, Variant(), nullptr));
  EXPECT_TRUE(PageOpen());
  Variant why = Variant::MakeMap();
  why.Set("reason", "user");
  ASSERT_TRUE(model_->Call(Model::kInvokeCloseNewRecordPage, why, nullptr));
  EXPECT_FALSE(PageOpen());
  ASSERT_EQ(events_.size(), 2u);
  EXPECT_EQ(events_[0].id, Model::kEventNewRecordPageOpened);
  EXPECT_TRUE(events_[0].open_during_event);
  EXPECT_EQ(events_[1].id, Model::kEventNewRecordPageClosed);
  EXPECT_EQ(events_[1].payload.GetString("reason"), "user") << "the caller's payload is passed on";
  EXPECT_FALSE(events_[1].open_during_event);
}

TEST_F(QuickRecordHomeModelTest, OtherCallsAreNotHandled) {
  Variant result;
  EXPECT_FALSE(model_->Call(Model::kInvokeOpenNewRecordPage + 1, Variant(), &result));
  EXPECT_FALSE(PageOpen());
}

}  // namespace
}  // namespace quick_record
