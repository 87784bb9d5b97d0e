#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "host/base/variant/variant.h"

namespace quick_record {

// One encoder item of a preset, as the media engine takes it: "preset-internal" = "veryfast".
struct MediaPresetItem {
  std::string key;
  std::string type;  // "string", "int" or "double"
  base::variant::Variant value;
  bool operator==(const MediaPresetItem& other) const = default;
};

// A CPU-power entry: which preset a capture height and frame rate get, and the CPU power class
// ("level", "mix_level" with the camera mixed in) that the configuration gives that work.
struct CpuPowerEntry {
  uint32_t hd = 0;
  uint32_t fps = 0;
  uint32_t level = 0;
  uint32_t mix_level = 0;
  std::string config;
};

// The media configuration: a JSON file delivered as a host dynamic resource that maps capture
// height and frame rate to encoder presets and says when 2K may be offered. Parsed on first use
// and again after MarkUnparsed (a resource update or delete). A configuration that fails to parse
// leaves the previous one, or none, in force; the built-in profile names always answer.
//
// One per process (GetInstance); every operation may be called from any thread.
class QuickRecordMediaConfig {
 public:
  // The CPU architecture type this platform has; only "win", "mac_x86" and "mac_arm" know the
  // ultrafast rule.
  static constexpr char kPlatformArchType[] = "";

  static QuickRecordMediaConfig& GetInstance();
  explicit QuickRecordMediaConfig(std::string arch_type = kPlatformArchType);

  // Where the file is: `relative_path` under the dynamic resource directory `dynamic_dir`.
  // Marks the configuration unparsed.
  void SetLocation(const std::string& dynamic_dir, const std::string& relative_path);
  void MarkUnparsed();
  // Parses when the configuration is unparsed; true when a configuration is in force.
  bool CheckParseConfigIfNeed();

  // The encoder items of the preset for a capture of `height` at `fps`.
  std::vector<MediaPresetItem> QueryPreset(int32_t height, int32_t fps);
  // The preset name the query takes for (height, fps).
  std::string PresetName(int32_t height, int32_t fps);
  std::optional<CpuPowerEntry> FindCpuPower(int32_t height, int32_t fps);
  // Whether the quality menu may offer 2K on a CPU of this model and generation.
  bool ShouldShowResolution2K(const std::string& cpu_model, uint32_t generation);

  // The score the ultrafast thresholds are compared with: the CPU generation unless set.
  void SetCpuScore(double score);

  static std::string BuiltInProfileName(int32_t height, int32_t fps);
  // "360P" ... "1080P", "2K", "4K"; empty for other heights.
  static std::string ResolutionLabel(int32_t height);

 private:
  struct Parsed {
    uint32_t show_res_2k_threshold = 0;
    std::vector<std::string> show_res_2k_block_list;
    std::vector<std::string> show_res_2k_allow_list;
    std::vector<std::string> show_res_2k_cpu_filter;
    std::vector<CpuPowerEntry> cpu_power;
    std::vector<std::pair<std::string, std::vector<MediaPresetItem>>> presets;
  };

  bool CheckParseConfigIfNeedLocked();
  bool ParseFile(const std::string& path, Parsed* parsed) const;
  std::string PresetNameLocked(int32_t height, int32_t fps) const;
  bool UseUltrafast(int32_t height) const;
  double CpuScore() const;

  const std::string arch_type_;
  mutable std::mutex mutex_;
  std::string dynamic_dir_;
  std::string relative_path_;
  bool parse_tried_ = false;
  std::optional<Parsed> parsed_;
  std::optional<double> cpu_score_;
};

}  // namespace quick_record
