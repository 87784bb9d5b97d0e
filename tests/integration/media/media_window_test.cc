// Window capture: a window that is unmapped produces no frames, and the engine says so.

#include <algorithm>
#include <chrono>
#include <thread>

#include "host/base/threading/clock.h"
#include "recording_fixture.h"
#include "x_test_window.h"

namespace quickrec::testing {
namespace {

using namespace kvp::av;

bool HasWindowState(const EngineObserver& observer, uint64_t window, WindowState state) {
  const auto events = observer.device_events();
  return std::any_of(events.begin(), events.end(), [&](const VideoDeviceEvent& e) {
    return e.type == VideoDeviceEvent::Type::kWindowStateChanged && e.window_id == window && e.window_state == state;
  });
}

class MediaWindowTest : public RecordingFixture {
 protected:
  void SetUp() override {
    StartEngine();
    ASSERT_TRUE(window_.Open(xvfb_.name(), 100, 80, 640, 360));
  }
  size_t FrameCount() const { return observer_.frames().size(); }

  XTestWindow window_;
};

TEST_F(MediaWindowTest, UnmappedWindowProducesNoFramesUntilItIsMappedAgain) {
  ASSERT_EQ(kOk, engine_->GetVideoCapture()->AddVideoSource({VideoSourceKind::kWindow, "", window_.id()}));
  ASSERT_EQ(kOk, recorder()->EnableRecording(true, {}, files(), config_, false, kRecordModeScreen));
  ASSERT_TRUE(observer_.WaitFor([](const EngineObserver& o) { return o.frames().size() >= 15; }));

  window_.Unmap();
  ASSERT_TRUE(observer_.WaitFor([&](const EngineObserver& o) { return HasWindowState(o, window_.id(), WindowState::kMinimized); }));
  // Frames already in the pipeline when the window went away may still come; after that, none.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const size_t while_unmapped = FrameCount();
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  EXPECT_EQ(while_unmapped, FrameCount());

  window_.Map();
  ASSERT_TRUE(observer_.WaitFor([&](const EngineObserver& o) { return HasWindowState(o, window_.id(), WindowState::kRestored); }));
  EXPECT_TRUE(observer_.WaitFor([&](const EngineObserver& o) { return o.frames().size() >= while_unmapped + 15; }));
  ASSERT_EQ(kOk, recorder()->EnableRecording(false, {}, {}, config_, true, kRecordModeNone));
  ASSERT_EQ(kOk, recorder()->Finalize());

  // The stream has a hole where the window was away, and every frame on either side decodes.
  RawStreamReader video;
  ASSERT_TRUE(video.Open(files()[0]));
  int64_t largest_gap = 0;
  for (size_t i = 1; i < video.records().size(); ++i) {
    largest_gap = std::max(largest_gap, video.records()[i].pts_us - video.records()[i - 1].end_us());
  }
  EXPECT_GT(largest_gap, 1'000'000);
  EXPECT_EQ(static_cast<int64_t>(video.records().size()), ProbeH264(files()[0]).count);
  EXPECT_EQ(kWidth, ProbeH264(files()[0]).width) << "the window is scaled into the recording's size";
}

TEST_F(MediaWindowTest, WindowMovesAreReported) {
  ASSERT_EQ(kOk, engine_->GetVideoCapture()->AddVideoSource({VideoSourceKind::kWindow, "", window_.id()}));
  window_.Unmap();
  ASSERT_TRUE(observer_.WaitFor([&](const EngineObserver& o) { return HasWindowState(o, window_.id(), WindowState::kMinimized); }));
  window_.Map();
  ASSERT_TRUE(observer_.WaitFor([&](const EngineObserver& o) { return HasWindowState(o, window_.id(), WindowState::kRestored); }));
  const auto events = observer_.device_events();
  // Other device events (screens, cameras) carry a default window state too: match the type.
  const auto restored = std::find_if(events.rbegin(), events.rend(), [&](const VideoDeviceEvent& e) {
    return e.type == VideoDeviceEvent::Type::kWindowStateChanged && e.window_id == window_.id() &&
           e.window_state == WindowState::kRestored;
  });
  ASSERT_NE(restored, events.rend());
  EXPECT_EQ((Rect{100, 80, 640, 360}), restored->geometry);
}

TEST_F(MediaWindowTest, AWindowThatDoesNotExistIsNotCaptured) {
  EXPECT_EQ(kErrInvalidArgument, engine_->GetVideoCapture()->AddVideoSource({VideoSourceKind::kWindow, "", 0}));
  ASSERT_EQ(kOk, engine_->GetVideoCapture()->AddVideoSource({VideoSourceKind::kWindow, "", 0x7ffffff}));
  EXPECT_EQ(kErrCaptureOpen, engine_->GetVideoCapture()->BeginScreenCapture());
  EXPECT_EQ(kErrCaptureOpen, engine_->GetVideoCapture()->OpenPreviewCapture());
  ASSERT_EQ(kOk, engine_->GetVideoCapture()->RemoveVideoSource(VideoSourceKind::kWindow));
  EXPECT_EQ(kErrNoSource, engine_->GetVideoCapture()->OpenPreviewCapture());
}

}  // namespace
}  // namespace quickrec::testing
