#include "host/app/device_model.h"

#include <gtest/gtest.h>

#include <vector>

#include "host/base/threading/test_task_environment.h"
#include "host/media/testing/fake_media_engine.h"
#include "host/sdk/service/device_service.h"

namespace host::app {
namespace {

using base::variant::Variant;
using kvp::av::AudioDeviceEvent;
using kvp::av::DeviceInfo;
using kvp::av::VideoDeviceEvent;

class DeviceModelTest : public ::testing::Test {
 protected:
  DeviceModelTest() {
    engine_.screens = {{"DP-1", "DP-1", {0, 0, 2560, 1440}, true, false}, {"HDMI-1", "HDMI-1", {2560, 0, 1920, 1080}, false, false}};
    engine_.cameras = {{"/dev/video0", "USB camera", true, false}};
    engine_.microphones = {{"alsa_input.usb", "USB mic", false, false}, {"alsa_input.pci", "Built-in", true, false}};
    model_->Init();
    for (int32_t event : {kDeviceMicrophoneAddedEvent, kDeviceDefaultCameraChangedEvent, kDeviceScreensChangedEvent,
                          kDeviceDefaultMicrophoneChangedEvent, kDeviceListChangedEvent}) {
      model_->Subscribe(event, subscriber_, [this](int32_t id, const Variant& payload) { fired_.push_back({id, payload}); });
    }
  }
  ~DeviceModelTest() override { model_->UnInit(); }

  Variant Call(int32_t method) {
    Variant result;
    EXPECT_TRUE(model_->Call(method, Variant(), &result));
    return result;
  }

  base::test::TestTaskEnvironment env_;
  kvp::av::testing::FakeMediaEngine engine_;
  std::shared_ptr<DeviceModel> model_ = std::make_shared<DeviceModel>();
  framework::SubscriberId subscriber_ = framework::NewSubscriberId();
  std::vector<std::pair<int32_t, Variant>> fired_;
};

TEST_F(DeviceModelTest, Method27AnswersTheScreensWithIdGeometryAndName) {
  const Variant screens = Call(kDeviceGetScreens);
  ASSERT_TRUE(screens.IsArray());
  ASSERT_EQ(2u, screens.Size());
  EXPECT_EQ("DP-1", screens[0].GetString("monitor_uuid"));
  EXPECT_EQ("DP-1", screens[0].GetString("name"));
  EXPECT_TRUE(screens[0].GetBool("primary"));
  EXPECT_EQ(2560, screens[1].GetInt32("x"));
  EXPECT_EQ(1920, screens[1].GetInt32("width"));
  EXPECT_EQ(1080, screens[1].GetInt32("height"));
}

TEST_F(DeviceModelTest, CameraAndMicrophoneListsAndDefaults) {
  const Variant microphones = Call(kDeviceGetMicrophones);
  ASSERT_EQ(2u, microphones.Size());
  EXPECT_EQ("alsa_input.usb", microphones[0].GetString("device_id"));
  EXPECT_FALSE(microphones[0].GetBool("is_default"));
  EXPECT_EQ("Built-in", Call(kDeviceGetDefaultMicrophone).GetString("device_name"));
  EXPECT_EQ("/dev/video0", Call(kDeviceGetDefaultCamera).GetString("device_id"));
  engine_.cameras.clear();
  EXPECT_TRUE(Call(kDeviceGetDefaultCamera).IsNull());
  EXPECT_EQ(0u, Call(kDeviceGetCameras).Size());
}

TEST_F(DeviceModelTest, ScreenSetChangeFiresEvent17OnTheMainLooperWithTheNewScreens) {
  engine_.screens.pop_back();
  VideoDeviceEvent event;
  event.type = VideoDeviceEvent::Type::kScreensChanged;
  engine_.EmitVideoDeviceEvent(event);
  EXPECT_TRUE(fired_.empty());
  env_.RunUntilIdle();
  ASSERT_EQ(1u, fired_.size());
  EXPECT_EQ(kDeviceScreensChangedEvent, fired_[0].first);
  ASSERT_EQ(1u, fired_[0].second.Size());
  EXPECT_EQ("DP-1", fired_[0].second[0].GetString("monitor_uuid"));
}

TEST_F(DeviceModelTest, MicrophoneAddedFiresEvent1AndTheListChange) {
  engine_.EmitAudioDeviceEvent({AudioDeviceEvent::Type::kMicrophoneAdded, {"bt.headset", "Headset", false, false}, ""});
  env_.RunUntilIdle();
  ASSERT_EQ(2u, fired_.size());
  EXPECT_EQ(kDeviceMicrophoneAddedEvent, fired_[0].first);
  EXPECT_EQ("bt.headset", fired_[0].second.GetString("device_id"));
  EXPECT_EQ(kDeviceListChangedEvent, fired_[1].first);
  EXPECT_EQ("microphone", fired_[1].second.GetString("type"));
  EXPECT_EQ("added", fired_[1].second.GetString("change"));
}

TEST_F(DeviceModelTest, DefaultDeviceChangesFireEvents5And20) {
  VideoDeviceEvent camera;
  camera.type = VideoDeviceEvent::Type::kDefaultCameraChanged;
  camera.device = {"/dev/video2", "Built-in camera", true, false};
  camera.previous_id = "/dev/video0";
  engine_.EmitVideoDeviceEvent(camera);
  engine_.EmitAudioDeviceEvent(
      {AudioDeviceEvent::Type::kDefaultMicrophoneChanged, {"alsa_input.usb", "USB mic", true, false}, "alsa_input.pci"});
  env_.RunUntilIdle();
  ASSERT_EQ(2u, fired_.size());
  EXPECT_EQ(kDeviceDefaultCameraChangedEvent, fired_[0].first);
  EXPECT_EQ("/dev/video2", fired_[0].second.GetString("device_id"));
  EXPECT_EQ("/dev/video0", fired_[0].second.GetString("previous_id"));
  EXPECT_EQ(kDeviceDefaultMicrophoneChangedEvent, fired_[1].first);
  EXPECT_EQ("alsa_input.usb", fired_[1].second.GetString("device_id"));
  EXPECT_EQ("system", fired_[1].second.GetString("from"));
}

TEST_F(DeviceModelTest, CameraRemovalIsAListChange) {
  VideoDeviceEvent removed;
  removed.type = VideoDeviceEvent::Type::kCameraRemoved;
  removed.device = {"/dev/video0", "USB camera", true, false};
  engine_.EmitVideoDeviceEvent(removed);
  VideoDeviceEvent unrelated;
  unrelated.type = VideoDeviceEvent::Type::kCaptureActive;
  engine_.EmitVideoDeviceEvent(unrelated);
  env_.RunUntilIdle();
  ASSERT_EQ(1u, fired_.size());
  EXPECT_EQ("camera", fired_[0].second.GetString("type"));
  EXPECT_EQ("removed", fired_[0].second.GetString("change"));
}

TEST_F(DeviceModelTest, RecordingSwitchOfTheDeviceServiceIsReported) {
  auto service = kovanisdk::utils::service::GetDeviceService();
  service->SetRecordingSwitch(true);
  EXPECT_TRUE(Call(kDeviceGetInUseByRecording).GetBool("in_use"));
  service->SetRecordingSwitch(false);
  EXPECT_FALSE(Call(kDeviceGetInUseByRecording).GetBool("in_use"));
}

TEST_F(DeviceModelTest, UnInitStopsListeningAndPendingEventsOfAGoneModelAreDropped) {
  EXPECT_EQ(1u, engine_.video_device_listener_count());
  EXPECT_EQ(1u, engine_.audio_device_listener_count());
  VideoDeviceEvent event;
  event.type = VideoDeviceEvent::Type::kScreensChanged;
  engine_.EmitVideoDeviceEvent(event);
  model_->UnInit();
  EXPECT_EQ(0u, engine_.video_device_listener_count());
  EXPECT_EQ(0u, engine_.audio_device_listener_count());
  model_.reset();
  env_.RunUntilIdle();
  EXPECT_TRUE(fired_.empty());
  model_ = std::make_shared<DeviceModel>();
}

}  // namespace
}  // namespace host::app
