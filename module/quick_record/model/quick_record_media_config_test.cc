#include "module/quick_record/model/quick_record_media_config.h"

#include <gtest/gtest.h>

#include "host/app/host_application.h"
#include "host/base/analytics/analytics.h"
#include "host/base/logging/logger.h"
#include "host/base/threading/test_task_environment.h"
#include "host/util/file.h"
#include "host/util/scoped_temp_dir.h"

namespace quick_record {
namespace {

using base::variant::Variant;

constexpr char kConfig[] = R"({
  "show_res_2k_threshold": 10,
  "show_res_2k_blockList": ["i7-10750H"],
  "show_res_2k_allowList": ["i5-8250U"],
  "show_res_2k_cpu_filter": ["Intel"],
  "preset_config": {
    "": {
      "cpu_power": [
        {"hd": 1080, "fps": 30, "level": 2, "mix_level": 3, "config": "fast-1080"},
        {"hd": 1080, "fps": 30, "level": 9, "mix_level": 9, "config": "ignored-twin"}
      ],
      "presets": [
        {"name": "fast-1080", "values": [
          {"config_key": "preset-internal", "value": "veryfast", "type": "string"},
          {"config_key": "crf", "value": "25", "type": "int"},
          {"config_key": "aq", "value": 1.5, "type": "double"},
          {"config_key": "weird", "value": 1, "type": "bool"}
        ]},
        {"name": "archive-playing-2k", "values": [{"config_key": "crf", "value": 27, "type": "int"}]}
      ]
    },
    "win": {
      "cpu_power": [],
      "presets": [{"name": "archive-playing-2k", "values": [{"config_key": "crf", "value": 20, "type": "int"}]}]
    }
  }
})";

class QuickRecordMediaConfigTest : public ::testing::Test {
 protected:
  void Write(const std::string& name, const std::string& text) {
    ASSERT_TRUE(util::file::WriteFileAtomically(dir_.path() + "/" + name, text));
  }
  void SetAbility(const std::string& key, Variant value) {
    host::app::HostConfig config;
    Variant ability = Variant::MakeMap();
    ability.Set(key, std::move(value));
    config.sections.Set("quick_record_ability", std::move(ability));
    app_.ApplyConfig(std::move(config));
  }

  base::test::TestTaskEnvironment env_;
  host::app::HostApplication app_;
  util::file::ScopedTempDir dir_;
  QuickRecordMediaConfig config_;
};

TEST_F(QuickRecordMediaConfigTest, BuiltInProfilesFollowHeightAndRate) {
  EXPECT_EQ(QuickRecordMediaConfig::BuiltInProfileName(1440, 30), "archive-playing-2k");
  EXPECT_EQ(QuickRecordMediaConfig::BuiltInProfileName(1080, 30), "archive-playing");
  EXPECT_EQ(QuickRecordMediaConfig::BuiltInProfileName(2160, 60), "archive-playing-4k-60fps");
  EXPECT_EQ(QuickRecordMediaConfig::BuiltInProfileName(2160, 30), "archive-playing-4k");
  EXPECT_EQ(QuickRecordMediaConfig::BuiltInProfileName(1440, 60), "archive-playing-4k");
  EXPECT_EQ(QuickRecordMediaConfig::BuiltInProfileName(1080, 60), "archive-playing-2k");
  EXPECT_EQ(QuickRecordMediaConfig::BuiltInProfileName(2160, 15), "archive-playing-2k");
  EXPECT_EQ(QuickRecordMediaConfig::BuiltInProfileName(720, 60), "archive-playing");
}

TEST_F(QuickRecordMediaConfigTest, ResolutionLabels) {
  const std::pair<int32_t, const char*> labels[] = {{360, "360P"}, {480, "480P"}, {720, "720P"},
                                                    {1080, "1080P"}, {1440, "2K"},  {2160, "4K"}};
  for (const auto& [height, label] : labels) EXPECT_EQ(QuickRecordMediaConfig::ResolutionLabel(height), label);
  EXPECT_EQ(QuickRecordMediaConfig::ResolutionLabel(900), "");
}

TEST_F(QuickRecordMediaConfigTest, NumbersNoItemCanHoldAreLeftOut) {
  // Seen while writing the media_config fuzz target: 1e300 as an "int" was converted to int64_t
  // without a range check, which is undefined behaviour.
  Write("media.json", R"({"preset_config": {"": {
    "cpu_power": [{"hd": 1080, "fps": 30, "config": "p"}],
    "presets": [{"name": "p", "values": [
      {"config_key": "huge", "value": 1e300, "type": "int"},
      {"config_key": "huge-text", "value": "-1e19", "type": "int"},
      {"config_key": "nan", "value": "nan", "type": "double"},
      {"config_key": "inf", "value": "inf", "type": "int"},
      {"config_key": "edge", "value": -9223372036854775808, "type": "int"},
      {"config_key": "big-double", "value": 1e300, "type": "double"}]}]}}})");
  config_.SetLocation(dir_.path(), "media.json");
  base::logging::ScopedLogCapture log;
  const auto items = config_.QueryPreset(1080, 30);
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].key, "edge");
  EXPECT_EQ(items[0].value.AsInt64(), INT64_MIN);
  EXPECT_EQ(items[1].key, "big-double");
  EXPECT_DOUBLE_EQ(items[1].value.AsDouble(), 1e300);
  EXPECT_TRUE(log.Contains("preset value is not a number: huge"));
  EXPECT_TRUE(log.Contains("preset value is not a number: nan"));
}

TEST_F(QuickRecordMediaConfigTest, AnEntryOfTheCaptureChoosesThePresetAndOnlyTheFirstTwinCounts) {
  Write("media.json", kConfig);
  config_.SetLocation(dir_.path(), "media.json");
  base::logging::ScopedLogCapture log;
  const auto items = config_.QueryPreset(1080, 30);
  ASSERT_EQ(items.size(), 3u) << "the item of an unknown type is left out";
  EXPECT_EQ(items[0], (MediaPresetItem{"preset-internal", "string", Variant("veryfast")}));
  EXPECT_EQ(items[1].key, "crf");
  EXPECT_EQ(items[1].value.AsInt64(), 25);
  EXPECT_DOUBLE_EQ(items[2].value.AsDouble(), 1.5);
  EXPECT_TRUE(log.Contains("not support type"));
  EXPECT_TRUE(log.Contains("new_configs size 1"));
  EXPECT_EQ(config_.FindCpuPower(1080, 30)->level, 2u);
  EXPECT_EQ(config_.FindCpuPower(1080, 30)->mix_level, 3u);
  // Without an entry the built-in name is looked up among the presets.
  EXPECT_EQ(config_.PresetName(1440, 30), "archive-playing-2k");
  EXPECT_EQ(config_.QueryPreset(1440, 30)[0].value.AsInt64(), 27);
  EXPECT_TRUE(config_.QueryPreset(720, 30).empty());
}

TEST_F(QuickRecordMediaConfigTest, EveryFailureKeepsThePreviousConfiguration) {
  Write("media.json", kConfig);
  config_.SetLocation(dir_.path(), "media.json");
  ASSERT_EQ(config_.PresetName(1080, 30), "fast-1080");
  const std::pair<std::string, const char*> failures[] = {
      {"", "relative path is empty"},
      {"missing.json", "can't find config file"},
      {"bad.json", "parse json config failed."},
      {"array.json", "json_root is not obj."},
      {"dir", "open file failed"},
  };
  Write("bad.json", "{\"preset_config\": ");
  Write("array.json", "[1, 2]");
  ASSERT_TRUE(util::file::MakePath(dir_.path() + "/dir"));
  for (const auto& [relative, message] : failures) {
    base::logging::ScopedLogCapture log;
    config_.SetLocation(dir_.path(), relative);
    EXPECT_EQ(config_.PresetName(1080, 30), "fast-1080") << relative;
    EXPECT_TRUE(log.Contains(message)) << relative;
    EXPECT_TRUE(log.Contains("config_path ")) << relative;
  }
}

TEST_F(QuickRecordMediaConfigTest, WithoutAnyConfigurationTheBuiltInNamesAnswer) {
  config_.SetLocation(dir_.path(), "missing.json");
  EXPECT_FALSE(config_.CheckParseConfigIfNeed());
  EXPECT_EQ(config_.PresetName(2160, 60), "archive-playing-4k-60fps");
  EXPECT_TRUE(config_.QueryPreset(2160, 60).empty());
  EXPECT_FALSE(config_.FindCpuPower(1080, 30));
}

TEST_F(QuickRecordMediaConfigTest, AMissingArchitectureKeepsTheTwoKKeys) {
  Write("media.json", R"({"show_res_2k_threshold": 8, "preset_config": {"win": {}}})");
  config_.SetLocation(dir_.path(), "media.json");
  base::logging::ScopedLogCapture log;
  EXPECT_TRUE(config_.ShouldShowResolution2K("Intel(R) Core(TM) i5-8250U", 8));
  EXPECT_TRUE(log.Contains("can't find cpu arch config "));
  EXPECT_FALSE(config_.ShouldShowResolution2K("Intel(R) Core(TM) i5-7200U", 7));
}

TEST_F(QuickRecordMediaConfigTest, TwoKIsOfferedByTheListsThenTheThreshold) {
  Write("media.json", kConfig);
  config_.SetLocation(dir_.path(), "media.json");
  EXPECT_FALSE(config_.ShouldShowResolution2K("Intel(R) Core(TM) i7-10750H", 10)) << "blocked";
  EXPECT_TRUE(config_.ShouldShowResolution2K("Intel(R) Core(TM) i5-8250U", 8)) << "allowed";
  EXPECT_TRUE(config_.ShouldShowResolution2K("11th Gen Intel(R) Core(TM) i5-1135G7", 11));
  EXPECT_FALSE(config_.ShouldShowResolution2K("Intel(R) Core(TM) i5-9400", 9));
  EXPECT_FALSE(config_.ShouldShowResolution2K("AMD Ryzen 7 7840U", 7)) << "outside the CPU filter";
}

TEST_F(QuickRecordMediaConfigTest, UltrafastIsNeverTakenOnThisPlatform) {
  Write("media.json", kConfig);
  config_.SetLocation(dir_.path(), "media.json");
  config_.SetCpuScore(0);
  base::logging::ScopedLogCapture log;
  const auto items = config_.QueryPreset(1440, 30);
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].value.AsInt64(), 27);
  EXPECT_TRUE(log.Contains("use_ultrafast 0"));
}

TEST_F(QuickRecordMediaConfigTest, UltrafastForcesItsItemsOnWeakMachinesOfTheKnownTypes) {
  Write("media.json", kConfig);
  QuickRecordMediaConfig win("win");
  win.SetLocation(dir_.path(), "media.json");
  win.SetCpuScore(7);
  auto items = win.QueryPreset(1440, 30);
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0], (MediaPresetItem{"crf", "int", Variant(int64_t{30})}));
  EXPECT_EQ(items[1], (MediaPresetItem{"preset-internal", "string", Variant("ultrafast")}));
  EXPECT_EQ(items[2], (MediaPresetItem{"cabac", "int", Variant(int64_t{0})}));
  EXPECT_EQ(win.QueryPreset(1080, 30).size(), 0u) << "1080 lines never take the rule";

  win.SetCpuScore(8);
  EXPECT_EQ(win.QueryPreset(1440, 30).size(), 1u);
  Variant rule = Variant::MakeMap();
  rule.Set("win", 9);
  SetAbility("quick_record_vorta_ultrafast", rule);
  EXPECT_EQ(win.QueryPreset(1440, 30).size(), 3u) << "the host raised the threshold";
  rule.Set("enable", false);
  SetAbility("quick_record_vorta_ultrafast", rule);
  EXPECT_EQ(win.QueryPreset(1440, 30).size(), 1u);
}

TEST_F(QuickRecordMediaConfigTest, TheEncoderProviderSwitchAddsItsItemAndIsReported) {
  Write("media.json", kConfig);
  config_.SetLocation(dir_.path(), "media.json");
  base::analytics::ScopedEventCapture events;
  SetAbility("quick_record_codec_r264_switch", Variant::FromJson(R"({"use_r264": true})"));
  auto items = config_.QueryPreset(1080, 30);
  EXPECT_EQ(items.back(), (MediaPresetItem{"codec-provider", "string", Variant("r264encoder")}));
  SetAbility("quick_record_codec_r264_switch", "{\"use_r264\": false}");
  items = config_.QueryPreset(1080, 30);
  EXPECT_EQ(items.size(), 3u);
  const auto reports = events.sink().EventsNamed("e#meetlog_vorta_report");
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[0].properties.at("use_r264"), "1");
  EXPECT_EQ(reports[1].properties.at("use_r264"), "0");
  EXPECT_EQ(reports[1].properties.at("preset"), "fast-1080");
}

TEST_F(QuickRecordMediaConfigTest, AMarkedConfigurationIsParsedAgainOnTheNextQuery) {
  Write("media.json", kConfig);
  config_.SetLocation(dir_.path(), "media.json");
  ASSERT_EQ(config_.PresetName(1080, 30), "fast-1080");
  Write("media.json", R"({"preset_config": {"": {"cpu_power": [{"hd": 1080, "fps": 30, "config": "other"}]}}})");
  EXPECT_EQ(config_.PresetName(1080, 30), "fast-1080") << "parsed once";
  config_.MarkUnparsed();
  EXPECT_EQ(config_.PresetName(1080, 30), "other");
}

}  // namespace
}  // namespace quick_record
