#include "storage/runtime_settings.h"

#include <algorithm>
#include <cctype>
#include <set>

#include "common/field_reader.h"
#include "common/log.h"
#include "storage/settings_store.h"

namespace qr_backend {

namespace {

constexpr char kSettingName[] = "runtime_settings";

std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

bool MergeUploadLimits(const nlohmann::json& json, UploadLimits& limits) {
  static const std::set<std::string> kKeys = {"video_formats",
                                              "audio_formats",
                                              "file_size_limit_gb",
                                              "file_duration_limit_ms",
                                              "batch_file_count_limit",
                                              "batch_file_total_limit",
                                              "switch_lock",
                                              "switch_status"};
  FieldReader fields(json);
  if (json.is_object()) {
    for (const auto& [key, value] : json.items()) {
      if (!kKeys.count(key)) fields.Fail("unknown key " + key);
    }
  }
  UploadLimits merged;
  merged.video_formats = fields.Text("video_formats", false, limits.video_formats);
  merged.audio_formats = fields.Text("audio_formats", false, limits.audio_formats);
  merged.file_size_limit_gb =
      fields.Integer("file_size_limit_gb", false, limits.file_size_limit_gb);
  merged.file_duration_limit_ms =
      fields.Integer("file_duration_limit_ms", false, limits.file_duration_limit_ms);
  merged.batch_file_count_limit =
      fields.Integer("batch_file_count_limit", false, limits.batch_file_count_limit);
  merged.batch_file_total_limit =
      fields.Integer("batch_file_total_limit", false, limits.batch_file_total_limit);
  merged.switch_lock = fields.Integer("switch_lock", false, limits.switch_lock);
  merged.switch_status = fields.Integer("switch_status", false, limits.switch_status);
  if (!fields.ok()) return false;
  limits = std::move(merged);
  return true;
}

}  // namespace

bool CensorPolicy::Blocks(std::string_view text) const {
  const std::string haystack = Lower(text);
  return std::any_of(block_words.begin(), block_words.end(), [&](const std::string& word) {
    return !word.empty() && haystack.find(Lower(word)) != std::string::npos;
  });
}

void to_json(nlohmann::json& json, const RuntimeValues& values) {
  const UploadLimits& limits = values.upload_limits;
  json = {{"default_quota_bytes", values.default_quota_bytes},
          {"censor_block_words", values.censor.block_words},
          {"censor_review_polls", values.censor.review_polls},
          {"censor_review_seconds", values.censor.review_seconds},
          {"upload_limits",
           {{"video_formats", limits.video_formats},
            {"audio_formats", limits.audio_formats},
            {"file_size_limit_gb", limits.file_size_limit_gb},
            {"file_duration_limit_ms", limits.file_duration_limit_ms},
            {"batch_file_count_limit", limits.batch_file_count_limit},
            {"batch_file_total_limit", limits.batch_file_total_limit},
            {"switch_lock", limits.switch_lock},
            {"switch_status", limits.switch_status}}}};
}

bool MergeRuntimeValues(const nlohmann::json& json, RuntimeValues& values) {
  if (!json.is_object()) return false;
  for (const auto& [key, value] : json.items()) {
    if (key != "default_quota_bytes" && key != "censor_block_words" &&
        key != "censor_review_polls" && key != "censor_review_seconds" && key != "upload_limits") {
      return false;
    }
  }
  RuntimeValues merged = values;
  if (auto it = json.find("default_quota_bytes"); it != json.end()) {
    if (!it->is_number_integer() || it->get<int64_t>() < 0) return false;
    merged.default_quota_bytes = it->get<int64_t>();
  }
  if (auto it = json.find("censor_block_words"); it != json.end()) {
    if (!it->is_array()) return false;
    merged.censor.block_words.clear();
    for (const auto& word : *it) {
      if (!word.is_string()) return false;
      merged.censor.block_words.push_back(word.get<std::string>());
    }
  }
  if (auto it = json.find("censor_review_polls"); it != json.end()) {
    if (!it->is_number_integer() || it->get<int64_t>() < 0) return false;
    merged.censor.review_polls = it->get<int64_t>();
  }
  if (auto it = json.find("censor_review_seconds"); it != json.end()) {
    if (!it->is_number_integer() || it->get<int64_t>() < 0) return false;
    merged.censor.review_seconds = it->get<int64_t>();
  }
  if (auto it = json.find("upload_limits"); it != json.end()) {
    if (!MergeUploadLimits(*it, merged.upload_limits)) return false;
  }
  values = std::move(merged);
  return true;
}

RuntimeSettings::RuntimeSettings(SettingsStore& store, RuntimeValues defaults)
    : store_(store), values_(std::move(defaults)) {
  if (auto stored = store_.Get(kSettingName)) {
    auto json = nlohmann::json::parse(*stored, nullptr, false);
    if (MergeRuntimeValues(json, values_)) {
      overrides_ = std::move(json);
    } else {
      LogWarning("ignoring unreadable runtime settings");
    }
  }
}

RuntimeValues RuntimeSettings::Get() const {
  std::lock_guard lock(mutex_);
  return values_;
}

bool RuntimeSettings::Update(const nlohmann::json& change, std::string* error) {
  std::lock_guard lock(mutex_);
  RuntimeValues next = values_;
  if (!MergeRuntimeValues(change, next)) {
    *error =
        "expected an object of default_quota_bytes (integer >= 0), censor_block_words "
        "(array of strings), censor_review_polls and censor_review_seconds (integers >= 0) "
        "and upload_limits "
        "(object)";
    return false;
  }
  nlohmann::json overrides = overrides_;
  overrides.merge_patch(change);  // a partial "upload_limits" keeps the keys set before
  if (!store_.Set(kSettingName, overrides.dump())) {
    *error = "cannot store the settings";
    return false;
  }
  overrides_ = std::move(overrides);
  values_ = std::move(next);
  return true;
}

}  // namespace qr_backend
