#include "host/media/encoding/encoder_settings.h"

#include <gtest/gtest.h>

#include "host/base/logging/logger.h"

namespace kvp::av {
namespace {

TEST(EncoderSettingsTest, DefaultsAreLowLatencyVeryfastAtCrf23) {
  const auto options = EncoderSettings::FromItems({}).ToCodecOptions(30);
  EXPECT_EQ("veryfast", options.at("preset"));
  EXPECT_EQ("zerolatency", options.at("tune"));
  EXPECT_EQ(23.0, std::stod(options.at("crf")));
  EXPECT_EQ("60", options.at("g"));
  EXPECT_EQ("0", options.at("bf"));
  EXPECT_EQ("1", options.at("forced-idr"));
  EXPECT_FALSE(options.contains("b"));
  EXPECT_FALSE(options.contains("x264-params"));
  EXPECT_EQ("30", EncoderSettings::FromItems({}).ToCodecOptions(15).at("g"));
}

TEST(EncoderSettingsTest, UltrafastPresetItemsMapOntoLibx264) {
  const auto settings = EncoderSettings::FromItems({{"preset-internal", "ultrafast"}, {"crf", 30}, {"cabac", 0}});
  const auto options = settings.ToCodecOptions(30);
  EXPECT_EQ("ultrafast", options.at("preset"));
  EXPECT_EQ(30.0, std::stod(options.at("crf")));
  EXPECT_EQ("cabac=0", options.at("x264-params"));
}

TEST(EncoderSettingsTest, NumbersMayComeAsTextOrDouble) {
  const auto settings = EncoderSettings::FromItems({{"crf", "28"}, {"keyint", 90.0}, {"ref", "3"}, {"cabac", "1"}});
  const auto options = settings.ToCodecOptions(30);
  EXPECT_EQ(28.0, std::stod(options.at("crf")));
  EXPECT_EQ("90", options.at("g"));
  EXPECT_EQ("cabac=1:ref=3", options.at("x264-params"));
}

TEST(EncoderSettingsTest, BitrateReplacesCrf) {
  const auto options = EncoderSettings::FromItems({{"bitrate", 2500}, {"threads", 2}}).ToCodecOptions(30);
  EXPECT_EQ("2500000", options.at("b"));
  EXPECT_EQ("2", options.at("threads"));
  EXPECT_FALSE(options.contains("crf"));
}

TEST(EncoderSettingsTest, UnknownKeysAndBadValuesAreLoggedAndIgnored) {
  base::logging::ScopedLogCapture logs;
  const auto settings = EncoderSettings::FromItems({{"preset-internal", "warp"},
                                                    {"crf", 77},
                                                    {"cabac", 2},
                                                    {"crf", "fast"},
                                                    {"bframes", 3},
                                                    {"deblock", "1:1"}});
  const auto defaults = EncoderSettings::FromItems({}).ToCodecOptions(30);
  EXPECT_EQ(defaults, settings.ToCodecOptions(30));
  EXPECT_TRUE(logs.Contains("encoder config item ignored: preset-internal=warp"));
  EXPECT_TRUE(logs.Contains("encoder config item ignored: crf=77"));
  EXPECT_TRUE(logs.Contains("encoder config item ignored: bframes=3"));
  EXPECT_TRUE(logs.Contains("encoder config item ignored: deblock=1:1"));
}

TEST(EncoderSettingsTest, AnotherCodecProviderKeepsLibx264) {
  base::logging::ScopedLogCapture logs;
  const auto settings = EncoderSettings::FromItems({{"codec-provider", "r264encoder"}, {"crf", 26}});
  EXPECT_EQ(26.0, settings.crf);
  EXPECT_TRUE(logs.Contains("encoder config item ignored: codec-provider=r264encoder"));
  base::logging::ScopedLogCapture quiet;
  EncoderSettings::FromItems({{"codec-provider", "libx264"}});
  EXPECT_FALSE(quiet.Contains("ignored"));
}

TEST(EncoderSettingsTest, OnlyPresetsWithDuplicatedReferencesMayReorderThem) {
  // Patch frames rely on libx264 never reordering its list; "faster" and below do not weigh
  // fades with duplicated references.
  for (const char* preset : {"ultrafast", "superfast", "veryfast", "faster"}) {
    EXPECT_FALSE(EncoderSettings::FromItems({{"preset-internal", preset}}).MayReorderReferences()) << preset;
  }
  for (const char* preset : {"fast", "medium", "placebo"}) {
    EXPECT_TRUE(EncoderSettings::FromItems({{"preset-internal", preset}}).MayReorderReferences()) << preset;
  }
  EXPECT_FALSE(EncoderSettings::FromItems({}).MayReorderReferences());
}

}  // namespace
}  // namespace kvp::av
