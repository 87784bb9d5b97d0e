#include "host/media/capture/source_planner.h"

#include <gtest/gtest.h>

namespace kvp::av {
namespace {

DeviceInventory TwoMonitorDesk() {
  DeviceInventory inventory;
  inventory.display = true;
  inventory.screens = {{"DP-1", "DP-1", {0, 0, 2560, 1440}, false, false},
                       {"HDMI-1", "HDMI-1", {2560, 0, 1920, 1080}, true, false}};
  inventory.cameras = {{"/dev/video0", "Front camera", false, false}, {"/dev/video2", "USB camera", true, false}};
  inventory.microphones = {{"alsa_input.usb", "USB mic", false, false}, {"alsa_input.pci", "Built-in", true, false}};
  inventory.audio_server = true;
  return inventory;
}

TEST(SourcePlannerTest, HeadlessMachineOffersTheSyntheticDevices) {
  const SourcePlanner planner(DeviceInventory{});
  ASSERT_EQ(1u, planner.Screens().size());
  EXPECT_EQ(kTestScreenId, planner.Screens()[0].monitor_uuid);
  EXPECT_EQ("Test screen", planner.Screens()[0].name);
  EXPECT_TRUE(planner.Screens()[0].synthetic);
  ASSERT_EQ(1u, planner.Cameras().size());
  EXPECT_EQ("Test camera", planner.Cameras()[0].name);
  ASSERT_EQ(1u, planner.Microphones().size());
  EXPECT_EQ("Test microphone", planner.Microphones()[0].name);
  EXPECT_TRUE(planner.Microphones()[0].is_default);
}

TEST(SourcePlannerTest, HeadlessScreenAndWindowBecomeTheMovingTestPattern) {
  const SourcePlanner planner(DeviceInventory{});
  const auto screen = planner.PlanScreen({VideoSourceKind::kScreen, "DP-1", 0}, {1280, 720, 15});
  ASSERT_TRUE(screen);
  EXPECT_EQ(ScreenPlan::Kind::kSynthetic, screen->kind);
  EXPECT_EQ("lavfi", screen->synthetic_input.format);
  EXPECT_EQ("testsrc2=size=1280x720:rate=15,format=yuv420p", screen->synthetic_input.url);
  EXPECT_EQ((Rect{0, 0, 1280, 720}), screen->screen.geometry);
  const auto window = planner.PlanScreen({VideoSourceKind::kWindow, "", 0x400001}, {});
  ASSERT_TRUE(window);
  EXPECT_EQ(ScreenPlan::Kind::kSynthetic, window->kind);
  EXPECT_EQ((Rect{0, 0, 1920, 1080}), window->screen.geometry);
}

TEST(SourcePlannerTest, MonitorIsFoundByIdElseThePrimaryOne) {
  const SourcePlanner planner(TwoMonitorDesk());
  const auto chosen = planner.PlanScreen({VideoSourceKind::kScreen, "DP-1", 0}, {});
  ASSERT_TRUE(chosen);
  EXPECT_EQ(ScreenPlan::Kind::kMonitor, chosen->kind);
  EXPECT_EQ("DP-1", chosen->screen.monitor_uuid);
  EXPECT_EQ("HDMI-1", planner.PlanScreen({VideoSourceKind::kScreen, "", 0}, {})->screen.monitor_uuid);
  EXPECT_EQ("HDMI-1", planner.PlanScreen({VideoSourceKind::kScreen, "gone", 0}, {})->screen.monitor_uuid);
}

TEST(SourcePlannerTest, WindowNeedsAnId) {
  const SourcePlanner planner(TwoMonitorDesk());
  EXPECT_FALSE(planner.PlanScreen({VideoSourceKind::kWindow, "", 0}, {}));
  const auto window = planner.PlanScreen({VideoSourceKind::kWindow, "", 0x2a00007}, {});
  ASSERT_TRUE(window);
  EXPECT_EQ(ScreenPlan::Kind::kWindow, window->kind);
  EXPECT_EQ(0x2a00007u, window->window_id);
  EXPECT_FALSE(planner.PlanScreen({VideoSourceKind::kCamera, "", 0}, {}));
}

TEST(SourcePlannerTest, CameraByIdElseTheDefaultAtTheRequestedSize) {
  const SourcePlanner planner(TwoMonitorDesk());
  const auto front = planner.PlanCamera("/dev/video0", {1280, 720, 15});
  EXPECT_EQ("video4linux2", front.format);
  EXPECT_EQ("/dev/video0", front.url);
  EXPECT_EQ("1280x720", front.options.at("video_size"));
  EXPECT_EQ("15", front.options.at("framerate"));
  EXPECT_FALSE(front.synthetic);
  EXPECT_EQ("/dev/video2", planner.PlanCamera("", {}).url);
  EXPECT_EQ("/dev/video2", planner.PlanCamera("/dev/video9", {}).url);
  EXPECT_EQ("960x540", planner.PlanCamera("", {}).options.at("video_size"));
}

TEST(SourcePlannerTest, NoCameraGivesTheTestCamera) {
  auto inventory = TwoMonitorDesk();
  inventory.cameras.clear();
  const auto plan = SourcePlanner(inventory).PlanCamera(kTestCameraId, {640, 360, 30});
  EXPECT_TRUE(plan.synthetic);
  EXPECT_EQ("lavfi", plan.format);
  EXPECT_EQ("testsrc=size=640x360:rate=30,format=yuv420p", plan.url);
}

TEST(SourcePlannerTest, MicrophoneAndLoopbackUseTheAudioServer) {
  const SourcePlanner planner(TwoMonitorDesk());
  const auto usb = planner.PlanAudio({AudioSourceKind::kMicrophone, "alsa_input.usb"});
  EXPECT_EQ("pulse", usb.format);
  EXPECT_EQ("alsa_input.usb", usb.url);
  EXPECT_EQ("48000", usb.options.at("sample_rate"));
  EXPECT_EQ("alsa_input.pci", planner.PlanAudio({AudioSourceKind::kMicrophone, ""}).url);
  const auto loopback = planner.PlanAudio({AudioSourceKind::kLoopback, kLoopbackDeviceId});
  EXPECT_EQ("pulse", loopback.format);
  EXPECT_EQ("@DEFAULT_MONITOR@", loopback.url);
}

TEST(SourcePlannerTest, WithoutAudioServerTheMicIsAToneAndTheLoopbackSilence) {
  auto inventory = TwoMonitorDesk();
  inventory.audio_server = false;
  const SourcePlanner planner(inventory);
  EXPECT_EQ("Test microphone", planner.Microphones()[0].name);
  const auto microphone = planner.PlanAudio({AudioSourceKind::kMicrophone, "alsa_input.usb"});
  EXPECT_TRUE(microphone.synthetic);
  EXPECT_EQ(0u, microphone.url.rfind("sine=frequency=440", 0));
  const auto loopback = planner.PlanAudio({AudioSourceKind::kLoopback, kLoopbackDeviceId});
  EXPECT_TRUE(loopback.synthetic);
  EXPECT_EQ("anullsrc=r=48000:cl=stereo", loopback.url);
}

}  // namespace
}  // namespace kvp::av
