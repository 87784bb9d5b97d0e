#include "host/sdk/service/device_service.h"

#include <gtest/gtest.h>

#include <optional>

#include "host/base/threading/test_task_environment.h"
#include "host/media/media_types.h"
#include "host/media/testing/fake_media_engine.h"

namespace kovanisdk::utils::service {
namespace {

class Answer : public IGetVirtualAudioDeviceIdDelegate {
 public:
  void OnGetVirtualAudioDeviceId(const std::string& device_id) override { id = device_id; }
  std::optional<std::string> id;
};

class DeviceServiceTest : public ::testing::Test {
 protected:
  base::test::TestTaskEnvironment env_;
  kvp::av::testing::FakeMediaEngine engine_;
  std::shared_ptr<Answer> answer_ = std::make_shared<Answer>();
};

TEST_F(DeviceServiceTest, VirtualAudioDeviceIsTheLoopbackWhenSystemSoundCanBeCaptured) {
  engine_.loopback_available = true;
  GetDeviceService()->GetVirtualAudioDeviceId(answer_);
  EXPECT_FALSE(answer_->id) << "the answer comes later, on the looper";
  env_.RunUntilIdle();
  EXPECT_EQ(std::string(kvp::av::kLoopbackDeviceId), answer_->id);
}

TEST_F(DeviceServiceTest, NoVirtualAudioDeviceWithoutAnAudioServer) {
  GetDeviceService()->GetVirtualAudioDeviceId(answer_);
  env_.RunUntilIdle();
  EXPECT_EQ(std::string(), answer_->id);
}

TEST_F(DeviceServiceTest, AnswerToAGoneDelegateIsDropped) {
  std::weak_ptr<Answer> weak = answer_;
  GetDeviceService()->GetVirtualAudioDeviceId(answer_);
  answer_.reset();
  env_.RunUntilIdle();
  EXPECT_TRUE(weak.expired());
}

TEST_F(DeviceServiceTest, RecordingSwitchIsKept) {
  auto service = GetDeviceService();
  EXPECT_EQ(service, GetDeviceService());
  service->SetRecordingSwitch(true);
  EXPECT_TRUE(service->recording_switch());
  service->SetRecordingSwitch(false);
  EXPECT_FALSE(service->recording_switch());
}

}  // namespace
}  // namespace kovanisdk::utils::service
