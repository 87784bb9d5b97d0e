#include "host/app/window_state_model.h"

#include <gtest/gtest.h>

#include <vector>

#include "host/base/threading/test_task_environment.h"
#include "host/media/testing/fake_media_engine.h"

namespace host::app {
namespace {

using base::variant::Variant;
using kvp::av::VideoDeviceEvent;
using kvp::av::WindowState;

class WindowStateModelTest : public ::testing::Test {
 protected:
  WindowStateModelTest() {
    model_->Init();
    model_->Subscribe(kWindowStateChangedEvent, framework::NewSubscriberId(),
                      [this](int32_t, const Variant& payload) { fired_.push_back(payload); });
  }
  ~WindowStateModelTest() override { model_->UnInit(); }

  void Emit(WindowState state) {
    VideoDeviceEvent event;
    event.type = VideoDeviceEvent::Type::kWindowStateChanged;
    event.window_id = 0x2a00007;
    event.window_state = state;
    event.geometry = {10, 20, 800, 600};
    engine_.EmitVideoDeviceEvent(event);
  }

  base::test::TestTaskEnvironment env_;
  kvp::av::testing::FakeMediaEngine engine_;
  std::shared_ptr<WindowStateModel> model_ = std::make_shared<WindowStateModel>();
  std::vector<Variant> fired_;
};

TEST_F(WindowStateModelTest, MinimizeAndRestoreFireEvent100WithTheState) {
  Emit(WindowState::kMinimized);
  Emit(WindowState::kRestored);
  EXPECT_TRUE(fired_.empty());
  env_.RunUntilIdle();
  ASSERT_EQ(2u, fired_.size());
  EXPECT_EQ(1, fired_[0].GetInt32("state"));
  EXPECT_EQ(0x2a00007u, fired_[0].GetUInt64("window_id"));
  EXPECT_EQ(2, fired_[1].GetInt32("state"));
  EXPECT_EQ(800, fired_[1].GetInt32("width"));
  EXPECT_EQ(20, fired_[1].GetInt32("y"));
}

TEST_F(WindowStateModelTest, TheLastStateCanBeAsked) {
  Variant state;
  ASSERT_TRUE(model_->Call(kWindowStateGet, Variant(), &state));
  EXPECT_EQ(0, state.GetInt32("state"));
  Emit(WindowState::kMinimized);
  ASSERT_TRUE(model_->Call(kWindowStateGet, Variant(), &state));
  EXPECT_EQ(1, state.GetInt32("state"));
}

TEST_F(WindowStateModelTest, OtherDeviceEventsAreNotWindowStates) {
  VideoDeviceEvent event;
  event.type = VideoDeviceEvent::Type::kCameraAdded;
  engine_.EmitVideoDeviceEvent(event);
  env_.RunUntilIdle();
  EXPECT_TRUE(fired_.empty());
}

}  // namespace
}  // namespace host::app
