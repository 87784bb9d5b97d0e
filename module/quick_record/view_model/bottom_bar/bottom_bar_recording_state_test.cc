#include "module/quick_record/view_model/bottom_bar/bottom_bar_recording_state.h"

#include <gtest/gtest.h>

#include <map>

#include "host/base/logging/logger.h"

namespace quick_record {
namespace {

using base::variant::Variant;
using State = BottomBarRecordingState;

class BottomBarRecordingStateTest : public ::testing::Test {
 protected:
  std::map<int32_t, Variant> last_;
  size_t published_ = 0;
  State state_{[this](int32_t property, Variant value) {
    last_[property] = std::move(value);
    ++published_;
  }};
};

TEST_F(BottomBarRecordingStateTest, DurationTextSwitchesToHoursAtOneHour) {
  state_.OnUpdateQuickRecordTotalTime(Variant(int64_t{3'599'999}));
  EXPECT_EQ(last_[State::kPropertyDuration].GetString("record_duration"), "59:59");
  EXPECT_FALSE(last_[State::kPropertyDuration].GetBool("over_one_hour", true));
  state_.OnUpdateQuickRecordTotalTime(Variant(int64_t{3'600'000}));
  EXPECT_EQ(last_[State::kPropertyDuration].GetString("record_duration"), "01:00:00");
  EXPECT_TRUE(last_[State::kPropertyDuration].GetBool("over_one_hour"));
  EXPECT_EQ(state_.elapsed_seconds(), 3600u);
  EXPECT_EQ(State::FormatDuration(0), "00:00");
  EXPECT_EQ(State::FormatDuration(61), "01:01");
  EXPECT_EQ(State::FormatDuration(36'000 + 62), "10:01:02");
}

TEST_F(BottomBarRecordingStateTest, ATimeThatIsNotAnIntegerIsLoggedAndIgnored) {
  base::logging::ScopedLogCapture log;
  state_.OnUpdateQuickRecordTotalTime(Variant(int64_t{5000}));
  const size_t published = published_;
  state_.OnUpdateQuickRecordTotalTime(Variant("12"));
  EXPECT_TRUE(log.Contains("param is not int, 12"));
  EXPECT_EQ(published_, published);
  EXPECT_EQ(state_.elapsed_seconds(), 5u);
}

TEST_F(BottomBarRecordingStateTest, AStartWithoutARecordIdKeepsTheOneHeardBefore) {
  state_.Started(Variant::MakeMap());
  EXPECT_TRUE(state_.recording_started());
  EXPECT_FALSE(last_[State::kPropertyHasRecordId].AsBool(true));
  state_.Started(Variant::MakeMap().Set("record_id", "rec-1"));
  state_.Started(Variant::MakeMap());
  EXPECT_EQ(state_.record_id(), "rec-1");
  EXPECT_TRUE(last_[State::kPropertyHasRecordId].AsBool());
  state_.Ended();
  EXPECT_FALSE(state_.recording_started());
  EXPECT_EQ(state_.record_id(), "rec-1") << "a cancel after the end still knows which record";
}

TEST_F(BottomBarRecordingStateTest, ARefusedResumeShowsThePauseWithoutChangingIt) {
  state_.RefuseResume();
  EXPECT_TRUE(last_[State::kPropertyPaused].AsBool());
  EXPECT_FALSE(state_.paused());
}

}  // namespace
}  // namespace quick_record
