#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace qr_backend {

class SettingsStore;

struct CensorPolicy {
  std::vector<std::string> block_words;  // matched case-insensitively anywhere in the text
  int64_t review_polls = 1;              // status requests answered "pending" before the verdict
  int64_t review_seconds = 10;           // a review's verdict is due this long after the rename

  bool Blocks(std::string_view text) const;
};

// What the local-upload limits query answers.
struct UploadLimits {
  std::string video_formats = "mov,avi,wmv,ogg,mp4,mpeg,3gp,flv,m4v";
  std::string audio_formats = "wma,wav,mp3,aac,m4a,aiff,ogg,amr";
  int64_t file_size_limit_gb = 4;
  int64_t file_duration_limit_ms = 28800000;
  int64_t batch_file_count_limit = 100;
  int64_t batch_file_total_limit = 200;
  int64_t switch_lock = 0;
  int64_t switch_status = 1;
};

// What the admin API may change while the server runs. The configuration file gives the
// defaults; each key the admin API set is stored and wins over the file from then on, across
// restarts.
struct RuntimeValues {
  int64_t default_quota_bytes = 0;
  CensorPolicy censor;
  UploadLimits upload_limits;
};

void to_json(nlohmann::json& json, const RuntimeValues& values);
// Reads the keys present in `json` over `values`; false (values untouched) on an unknown key
// or a wrong type.
bool MergeRuntimeValues(const nlohmann::json& json, RuntimeValues& values);

class RuntimeSettings {
 public:
  RuntimeSettings(SettingsStore& store, RuntimeValues defaults);

  RuntimeValues Get() const;
  // Applies a partial JSON object (the keys of to_json) and stores the result.
  bool Update(const nlohmann::json& change, std::string* error);

 private:
  SettingsStore& store_;
  mutable std::mutex mutex_;
  RuntimeValues values_;
  nlohmann::json overrides_ = nlohmann::json::object();  // the keys the admin API set
};

}  // namespace qr_backend
