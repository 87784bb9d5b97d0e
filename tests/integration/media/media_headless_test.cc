// The engine on a machine without a display: the synthetic test screen, camera and microphone,
// and the media file reader on a container made by ffmpeg.

#include <algorithm>

#include "host/media/stream/muxer_media_info.h"
#include "recording_fixture.h"

namespace quickrec::testing {
namespace {

using namespace kvp::av;

class MediaHeadlessTest : public RecordingFixture {
 protected:
  void SetUp() override { StartEngine(true); }
};

TEST_F(MediaHeadlessTest, DevicesAreTheSyntheticStandIns) {
  const auto screens = engine_->GetDevices()->Screens();
  ASSERT_EQ(1u, screens.size());
  EXPECT_EQ(kTestScreenId, screens[0].monitor_uuid);
  EXPECT_EQ("Test screen", screens[0].name);
  EXPECT_EQ("Test camera", engine_->GetDevices()->Cameras().front().name);
  // An audio server may run on the machine; without one the stand-in is there.
  const auto microphones = engine_->GetDevices()->Microphones();
  ASSERT_FALSE(microphones.empty());
  EXPECT_EQ(engine_->GetDevices()->LoopbackAvailable(), !microphones.front().synthetic);
}

TEST_F(MediaHeadlessTest, TheTestScreenIsRecorded) {
  engine_->GetVideoCapture()->AddVideoSource({VideoSourceKind::kScreen, "", 0});
  ASSERT_EQ(kOk, engine_->GetVideoCapture()->BeginScreenCapture());
  const int64_t recorded = RecordFor(2000, kRecordModeScreen);
  ASSERT_EQ(kOk, recorder()->Finalize());
  ExpectStreamsMatch(recorded);
  const auto events = observer_.device_events();
  EXPECT_TRUE(std::any_of(events.begin(), events.end(), [](const VideoDeviceEvent& e) {
    return e.type == VideoDeviceEvent::Type::kCaptureActive && e.source == VideoSourceKind::kScreen;
  }));
}

TEST_F(MediaHeadlessTest, MediaInfoOfAnMp4) {
  const std::string mp4 = dir_.Child("clip.mp4");
  RunCommand("ffmpeg -v error -f lavfi -i testsrc2=size=320x240:rate=25 -f lavfi -i sine=r=44100 -t 2 "
             "-c:v libx264 -c:a aac -shortest -y '" + mp4 + "' 2>&1");
  muxer_param* info = muxer_media_info(mp4.c_str());
  ASSERT_NE(nullptr, info);
  EXPECT_NEAR(2000, muxer_param_get_int32(info, "duration", 0), 100);
  EXPECT_EQ(320, muxer_param_get_int32(muxer_param_dict_get(info, "video"), "width", 0));
  EXPECT_EQ(240, muxer_param_get_int32(muxer_param_dict_get(info, "video"), "height", 0));
  EXPECT_EQ(44100, muxer_param_get_int32(muxer_param_dict_get(info, "audio"), "sample_rate", 0));
  muxer_param_free(info);
}

}  // namespace
}  // namespace quickrec::testing
