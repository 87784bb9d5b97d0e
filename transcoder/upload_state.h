#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "host/base/json/json_value.h"
#include "transcoder/cos_client.h"

namespace qr_transcoder {

// What an interrupted recording upload needs to go on after the process or the machine died:
// the task as it was given, the multipart upload and the parts the store acknowledged. Kept in
// "<output>.upload" beside the MP4 and replaced atomically (write, fsync, rename) after every
// change, so a crash leaves the previous or the new state, never a mixture.
struct UploadState {
  static constexpr int kVersion = 1;

  std::string instance_id;
  base::json::JsonValue task;  // the fields of "quick_record:start_transcode"
  std::string object_url;      // the object the upload belongs to
  std::string upload_id;
  uint64_t part_size = 0;
  std::vector<CosPart> parts;  // acknowledged, numbers 1..n in order
  uint64_t muxed_bytes = 0;
  bool record_complete = false;
  bool upload_complete = false;

  uint64_t uploaded_bytes() const;
  base::json::JsonValue ToJson() const;
  // nullopt for text that is not a state of this version (torn, foreign, from the future).
  static std::optional<UploadState> FromJson(const base::json::JsonValue& json);
};

class UploadStateFile {
 public:
  static std::string PathFor(const std::string& output_file) { return output_file + ".upload"; }
  // A local upload's state lives in the process's state directory, not beside the user's file
  // (which may sit anywhere, read-only too); named by the MD5 of the instance, which the module
  // keeps for the task across restarts.
  static std::string LocalPathFor(const std::string& state_dir, const std::string& instance_id);

  static bool Save(const std::string& path, const UploadState& state);
  // nullopt when there is no file or it does not hold a valid state (logged).
  static std::optional<UploadState> Load(const std::string& path);
  static void Remove(const std::string& path);
  // A local upload the user never resumed or cancelled leaves its state behind. One untouched for
  // `kAbandonedAfter` is removed: a later resume then starts the upload over, which costs time
  // but loses nothing, while the directory no longer grows with every file ever picked. Returns
  // how many were removed.
  static constexpr std::chrono::hours kAbandonedAfter{24 * 30};
  static int RemoveAbandonedLocal(const std::string& state_dir, std::filesystem::file_time_type now);
};

}  // namespace qr_transcoder
