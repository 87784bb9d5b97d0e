#include "host/sdk/kovani/alert.h"

#include <gtest/gtest.h>

#include <vector>

namespace kovani {
namespace {

class AlertTest : public ::testing::Test {
 protected:
  void TearDown() override { ResetAlerts(); }

  static AlertInfo TwoButtons() {
    AlertInfo info;
    info.title = "Cancel?";
    info.buttons = {"Continue", "Discard"};
    return info;
  }
};

class RecordingPresenter : public AlertPresenter {
 public:
  void OnAlertOpened(int32_t id, const AlertInfo&) override { opened.push_back(id); }
  void OnAlertClosed(int32_t id) override { closed.push_back(id); }
  void OnToast(const Toast& toast) override { toasts.push_back(toast.text); }
  std::vector<int32_t> opened, closed;
  std::vector<std::string> toasts;
};

TEST_F(AlertTest, AnAnswerRunsItsCallbackOnceAndClosesTheAlert) {
  std::vector<int32_t> answers;
  const int32_t id = ShowAlert(TwoButtons(), [&](int32_t button) { answers.push_back(button); });
  EXPECT_NE(id, 0);
  EXPECT_TRUE(IsAlertOpen(id));
  EXPECT_FALSE(AnswerAlert(id, 2)) << "no third button";
  EXPECT_FALSE(AnswerAlert(id, -1));
  EXPECT_TRUE(AnswerAlert(id, 1));
  EXPECT_FALSE(AnswerAlert(id, 0)) << "already answered";
  EXPECT_EQ(answers, std::vector<int32_t>{1});
  EXPECT_FALSE(IsAlertOpen(id));
}

TEST_F(AlertTest, ADisposedAlertIsNeverAnswered) {
  bool answered = false;
  const int32_t id = ShowAlert(TwoButtons(), [&](int32_t) { answered = true; });
  DisposeAlert(id);
  EXPECT_FALSE(AnswerAlert(id, 0));
  EXPECT_FALSE(answered);
  EXPECT_TRUE(OpenAlerts().empty());
}

TEST_F(AlertTest, AnAnswerMayOpenTheNextAlert) {
  int32_t second = 0;
  const int32_t first = ShowAlert(TwoButtons(), [&](int32_t) { second = ShowAlert(TwoButtons(), nullptr); });
  ASSERT_TRUE(AnswerAlert(first, 0));
  ASSERT_EQ(OpenAlerts().size(), 1u);
  EXPECT_EQ(OpenAlerts()[0].first, second);
}

TEST_F(AlertTest, ThePresenterSeesEveryAlertAndToast) {
  RecordingPresenter presenter;
  SetAlertPresenter(&presenter);
  const int32_t answered = ShowAlert(TwoButtons(), nullptr);
  const int32_t disposed = ShowAlert(TwoButtons(), nullptr);
  AnswerAlert(answered, 0);
  DisposeAlert(disposed);
  ShowToast({"Your microphone is off", 0, 2000, 2});
  EXPECT_EQ(presenter.opened, (std::vector<int32_t>{answered, disposed}));
  EXPECT_EQ(presenter.closed, (std::vector<int32_t>{answered, disposed}));
  EXPECT_EQ(presenter.toasts, std::vector<std::string>{"Your microphone is off"});
  ASSERT_EQ(ShownToasts().size(), 1u);
  EXPECT_EQ(ShownToasts()[0].duration_ms, 2000);
}

}  // namespace
}  // namespace kovani
