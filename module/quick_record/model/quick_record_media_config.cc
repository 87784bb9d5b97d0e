#include "module/quick_record/model/quick_record_media_config.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "host/base/analytics/analytics.h"
#include "host/base/json/json_value.h"
#include "host/base/logging/logger.h"
#include "host/util/deviceinfo.h"
#include "host/util/file.h"
#include "module/quick_record/model/ability_config.h"
#include "module/quick_record/model/cpu_generation_parser.h"

namespace quick_record {
namespace {

using base::json::JsonValue;
using base::variant::Variant;

constexpr char kUltrafastKey[] = "quick_record_vorta_ultrafast";
constexpr char kR264SwitchKey[] = "quick_record_codec_r264_switch";

// Machines scoring below these get the ultrafast items on captures above 1080 lines. The score is
// the CPU generation: older generations cannot encode such captures in time with a slower preset.
double DefaultUltrafastThreshold(const std::string& arch_type) {
  if (arch_type == "win" || arch_type == "mac_x86") return 8;
  return 0;  // mac_arm: every generation keeps up
}

std::vector<std::string> StringList(const JsonValue& list) {
  std::vector<std::string> out;
  list.ForEachElement([&](size_t, const JsonValue& v) { out.push_back(v.AsString()); });
  return out;
}

// A finite number that may come as text ("nan" and "inf" are text strtod takes, not numbers).
std::optional<double> Number(const JsonValue& value) {
  if (value.IsNumeric()) return std::isfinite(value.AsReal()) ? std::optional(value.AsReal()) : std::nullopt;
  if (!value.IsString()) return std::nullopt;
  const std::string text = value.AsString();
  char* end = nullptr;
  const double number = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !std::isfinite(number)) return std::nullopt;
  return number;
}

// Converting a double outside int64_t's range is undefined, so such a value is no integer.
bool FitsInt64(double number) { return number >= -0x1p63 && number < 0x1p63; }

std::vector<CpuPowerEntry> ParseCpuPower(const JsonValue& list) {
  std::vector<CpuPowerEntry> entries;
  list.ForEachElement([&](size_t, const JsonValue& item) {
    CpuPowerEntry entry{static_cast<uint32_t>(item["hd"].AsUnsigned()), static_cast<uint32_t>(item["fps"].AsUnsigned()),
                        static_cast<uint32_t>(item["level"].AsUnsigned()),
                        static_cast<uint32_t>(item["mix_level"].AsUnsigned()), item["config"].AsString()};
    const bool taken = std::any_of(entries.begin(), entries.end(),
                                   [&](const CpuPowerEntry& e) { return e.hd == entry.hd && e.fps == entry.fps; });
    if (!taken) entries.push_back(std::move(entry));
  });
  KLOG(6) << "new_configs size " << entries.size();
  return entries;
}

std::vector<MediaPresetItem> ParsePreset(const JsonValue& values) {
  std::vector<MediaPresetItem> items;
  values.ForEachElement([&](size_t, const JsonValue& item) {
    MediaPresetItem parsed{item["config_key"].AsString(), item["type"].AsString(), Variant()};
    const JsonValue& value = item["value"];
    if (parsed.type == "string") {
      parsed.value = value.IsString() ? value.AsString() : value.ToCompactString();
    } else if (parsed.type == "int" || parsed.type == "double") {
      const auto number = Number(value);
      if (!number || (parsed.type == "int" && !FitsInt64(*number))) {
        KLOG(3) << "preset value is not a number: " << parsed.key;
        return;
      }
      parsed.value = parsed.type == "int" ? Variant(static_cast<int64_t>(*number)) : Variant(*number);
    } else {
      KLOG(3) << "not support type " << parsed.type << " of " << parsed.key;
      return;
    }
    items.push_back(std::move(parsed));
  });
  return items;
}

void SetItem(std::vector<MediaPresetItem>* items, const std::string& key, const std::string& type, Variant value) {
  auto it = std::find_if(items->begin(), items->end(), [&](const MediaPresetItem& item) { return item.key == key; });
  if (it == items->end()) {
    items->push_back({key, type, std::move(value)});
  } else {
    *it = {key, type, std::move(value)};
  }
}

}  // namespace

QuickRecordMediaConfig& QuickRecordMediaConfig::GetInstance() {
  static QuickRecordMediaConfig config;
  return config;
}

QuickRecordMediaConfig::QuickRecordMediaConfig(std::string arch_type) : arch_type_(std::move(arch_type)) {}

void QuickRecordMediaConfig::SetLocation(const std::string& dynamic_dir, const std::string& relative_path) {
  std::lock_guard lock(mutex_);
  dynamic_dir_ = dynamic_dir;
  relative_path_ = relative_path;
  parse_tried_ = false;
}

void QuickRecordMediaConfig::MarkUnparsed() {
  std::lock_guard lock(mutex_);
  parse_tried_ = false;
}

bool QuickRecordMediaConfig::CheckParseConfigIfNeed() {
  std::lock_guard lock(mutex_);
  return CheckParseConfigIfNeedLocked();
}

bool QuickRecordMediaConfig::CheckParseConfigIfNeedLocked() {
  if (parse_tried_) return parsed_.has_value();
  parse_tried_ = true;
  std::string path = dynamic_dir_;
  if (relative_path_.empty()) {
    KLOG(3) << "relative path is empty";
  } else {
    if (!path.empty() && path.back() != '/') path += '/';
    path += relative_path_;
  }
  KLOG(6) << "config_path " << path;
  Parsed parsed;
  if (ParseFile(path, &parsed)) parsed_ = std::move(parsed);
  return parsed_.has_value();
}

bool QuickRecordMediaConfig::ParseFile(const std::string& path, Parsed* parsed) const {
  if (path.empty() || !util::file::IsFileExist(path)) {
    KLOG(1) << "can't find config file";
    return false;
  }
  std::string text;
  if (!util::file::ReadFileToString(path, &text)) {
    KLOG(1) << "open file failed";
    return false;
  }
  const JsonValue root = JsonValue::Parse(text);
  if (!root.IsValid()) {
    KLOG(1) << "parse json config failed.";
    return false;
  }
  if (!root.IsObject()) {
    KLOG(1) << "json_root is not obj.";
    return false;
  }
  parsed->show_res_2k_threshold = static_cast<uint32_t>(root["show_res_2k_threshold"].AsUnsigned());
  parsed->show_res_2k_block_list = StringList(root["show_res_2k_blockList"]);
  parsed->show_res_2k_allow_list = StringList(root["show_res_2k_allowList"]);
  parsed->show_res_2k_cpu_filter = StringList(root["show_res_2k_cpu_filter"]);
  const JsonValue presets = root["preset_config"];
  if (!presets.Contain(arch_type_)) {
    KLOG(3) << "can't find cpu arch config " << arch_type_;
    return true;  // the 2K keys still count
  }
  const JsonValue arch = presets[arch_type_];
  parsed->cpu_power = ParseCpuPower(arch["cpu_power"]);
  arch["presets"].ForEachElement([&](size_t, const JsonValue& preset) {
    parsed->presets.emplace_back(preset["name"].AsString(), ParsePreset(preset["values"]));
  });
  return true;
}

std::string QuickRecordMediaConfig::BuiltInProfileName(int32_t height, int32_t fps) {
  if (height >= 2160 && fps >= 60) return "archive-playing-4k-60fps";
  if ((height >= 2160 && fps >= 30) || (height >= 1440 && fps >= 60)) return "archive-playing-4k";
  if ((height >= 1080 && fps >= 60) || height >= 1440) return "archive-playing-2k";
  return "archive-playing";
}

std::string QuickRecordMediaConfig::ResolutionLabel(int32_t height) {
  switch (height) {
    case 360: return "360P";
    case 480: return "480P";
    case 720: return "720P";
    case 1080: return "1080P";
    case 1440: return "2K";
    case 2160: return "4K";
    default: return {};
  }
}

std::optional<CpuPowerEntry> QuickRecordMediaConfig::FindCpuPower(int32_t height, int32_t fps) {
  std::lock_guard lock(mutex_);
  if (!CheckParseConfigIfNeedLocked()) return std::nullopt;
  for (const auto& entry : parsed_->cpu_power) {
    if (static_cast<int64_t>(entry.hd) == height && static_cast<int64_t>(entry.fps) == fps) return entry;
  }
  return std::nullopt;
}

std::string QuickRecordMediaConfig::PresetName(int32_t height, int32_t fps) {
  std::lock_guard lock(mutex_);
  CheckParseConfigIfNeedLocked();
  return PresetNameLocked(height, fps);
}

std::string QuickRecordMediaConfig::PresetNameLocked(int32_t height, int32_t fps) const {
  if (parsed_) {
    for (const auto& entry : parsed_->cpu_power) {
      if (static_cast<int64_t>(entry.hd) == height && static_cast<int64_t>(entry.fps) == fps) return entry.config;
    }
  }
  return BuiltInProfileName(height, fps);
}

std::vector<MediaPresetItem> QuickRecordMediaConfig::QueryPreset(int32_t height, int32_t fps) {
  std::vector<MediaPresetItem> items;
  std::string name;
  {
    std::lock_guard lock(mutex_);
    CheckParseConfigIfNeedLocked();
    name = PresetNameLocked(height, fps);
    if (parsed_) {
      for (const auto& [preset, values] : parsed_->presets) {
        if (preset == name) items = values;
      }
    }
  }
  const bool ultrafast = UseUltrafast(height);
  KLOG(6) << "use_ultrafast " << ultrafast;
  if (ultrafast) {
    SetItem(&items, "preset-internal", "string", "ultrafast");
    SetItem(&items, "crf", "int", int64_t{30});
    SetItem(&items, "cabac", "int", int64_t{0});
  }
  const bool use_r264 = ReadAbilityMap(kR264SwitchKey).GetBool("use_r264");
  KLOG(6) << "r264_switch " << use_r264;
  if (use_r264) SetItem(&items, "codec-provider", "string", "r264encoder");
  base::analytics::LogEventWithProperties("e#meetlog_vorta_report", {{"use_r264", use_r264 ? "1" : "0"},
                                                                     {"preset", name},
                                                                     {"height", std::to_string(height)},
                                                                     {"fps", std::to_string(fps)}});
  return items;
}

bool QuickRecordMediaConfig::UseUltrafast(int32_t height) const {
  if (height <= 1080) return false;
  if (arch_type_ != "win" && arch_type_ != "mac_x86" && arch_type_ != "mac_arm") return false;
  const Variant rule = ReadAbilityMap(kUltrafastKey);
  if (!rule.GetBool("enable", true)) return false;
  const double threshold = rule.GetDouble(arch_type_, DefaultUltrafastThreshold(arch_type_));
  return CpuScore() < threshold;
}

void QuickRecordMediaConfig::SetCpuScore(double score) {
  std::lock_guard lock(mutex_);
  cpu_score_ = score;
}

double QuickRecordMediaConfig::CpuScore() const {
  {
    std::lock_guard lock(mutex_);
    if (cpu_score_) return *cpu_score_;
  }
  return CpuGenerationParser::Parse(util::deviceinfo::GetCPUModelName());
}

bool QuickRecordMediaConfig::ShouldShowResolution2K(const std::string& cpu_model, uint32_t generation) {
  std::lock_guard lock(mutex_);
  if (!CheckParseConfigIfNeedLocked()) return false;
  auto mentions = [&](const std::vector<std::string>& list) {
    return std::any_of(list.begin(), list.end(),
                       [&](const std::string& part) { return !part.empty() && cpu_model.find(part) != std::string::npos; });
  };
  if (mentions(parsed_->show_res_2k_block_list)) return false;
  if (mentions(parsed_->show_res_2k_allow_list)) return true;
  // The threshold grades only the vendors the filter names (every vendor without a filter).
  if (!parsed_->show_res_2k_cpu_filter.empty() && !mentions(parsed_->show_res_2k_cpu_filter)) return false;
  return parsed_->show_res_2k_threshold > 0 && generation >= parsed_->show_res_2k_threshold;
}

}  // namespace quick_record
