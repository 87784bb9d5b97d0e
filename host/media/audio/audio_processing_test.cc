#include "host/media/audio/audio_processing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "host/media/media_errors.h"
#include "host/media/media_types.h"

namespace kvp::av {
namespace {

TEST(AudioProcessingTest, SwitchesAreStoredAndReportedBack) {
  AudioProcessing processing;
  int32_t value = -1;
  EXPECT_EQ(kOk, processing.Get(kAudioSuperWideband, &value));
  EXPECT_EQ(0, value);
  EXPECT_EQ(kOk, processing.Set(kAudioSuperWideband, 1));
  EXPECT_EQ(kOk, processing.Set(kAudioEnhancedPreprocess, 1));
  EXPECT_EQ(kOk, processing.Set(kAudioSendAttenuation, 12));
  EXPECT_EQ(kOk, processing.Get(kAudioSuperWideband, &value));
  EXPECT_EQ(1, value);
  EXPECT_EQ(kOk, processing.Get(kAudioSendAttenuation, &value));
  EXPECT_EQ(12, value);
}

TEST(AudioProcessingTest, UnknownSwitchesAndBadValuesAreRefused) {
  AudioProcessing processing;
  int32_t value = 0;
  EXPECT_EQ(kErrNotSupported, processing.Set(7, 1));
  EXPECT_EQ(kErrNotSupported, processing.Get(7, &value));
  EXPECT_EQ(kErrInvalidArgument, processing.Set(kAudioEnhancedPreprocess, 2));
  EXPECT_EQ(kErrInvalidArgument, processing.Set(kAudioSendAttenuation, -3));
  EXPECT_EQ(kOk, processing.Get(kAudioEnhancedPreprocess, &value));
  EXPECT_EQ(0, value);
}

TEST(AudioProcessingTest, AttenuationScalesTheSignal) {
  AudioProcessing processing;
  processing.Set(kAudioSendAttenuation, 20);
  std::vector<float> left(100, 0.5f), right(100, -0.5f);
  float* planes[2] = {left.data(), right.data()};
  processing.Process(planes, 2, 100);
  EXPECT_NEAR(0.05f, left[99], 1e-5);
  EXPECT_NEAR(-0.05f, right[0], 1e-5);
}

TEST(AudioProcessingTest, ZeroDbAndNoFilterLeaveTheSignalAlone) {
  AudioProcessing processing;
  std::vector<float> samples = {0.1f, -0.2f, 0.3f};
  float* planes[1] = {samples.data()};
  processing.Process(planes, 1, 3);
  EXPECT_EQ((std::vector<float>{0.1f, -0.2f, 0.3f}), samples);
}

TEST(AudioProcessingTest, HighPassRemovesDcAndKeepsSpeechBand) {
  AudioProcessing processing(48000);
  processing.Set(kAudioEnhancedPreprocess, 1);
  std::vector<float> dc(48000, 0.5f);
  std::vector<float> tone(48000);
  for (size_t i = 0; i < tone.size(); ++i) tone[i] = 0.5f * static_cast<float>(std::sin(2 * M_PI * 1000.0 * i / 48000));
  float* planes[2] = {dc.data(), tone.data()};
  processing.Process(planes, 2, 48000);
  EXPECT_NEAR(0.0f, dc.back(), 1e-3);
  float peak = 0;
  for (size_t i = 24000; i < tone.size(); ++i) peak = std::max(peak, std::fabs(tone[i]));
  EXPECT_GT(peak, 0.49f);
}

}  // namespace
}  // namespace kvp::av
