#include "transcoder/upload_state.h"

#include "host/base/logging/logger.h"
#include "host/util/crypto.h"
#include "host/util/file.h"

namespace qr_transcoder {

using base::json::JsonValue;

uint64_t UploadState::uploaded_bytes() const {
  uint64_t total = 0;
  for (const auto& part : parts) total += part.size;
  return total;
}

JsonValue UploadState::ToJson() const {
  JsonValue json = JsonValue::Object();
  json.SetJsonObject("version", kVersion);
  json.SetJsonObject("instance_id", instance_id);
  json.SetJsonObject("task", task.IsObject() ? task : JsonValue::Object());
  json.SetJsonObject("object_url", object_url);
  json.SetJsonObject("upload_id", upload_id);
  json.SetJsonObject("part_size", part_size);
  JsonValue list = JsonValue::Array();
  for (const auto& part : parts) {
    JsonValue entry = JsonValue::Object();
    entry.SetJsonObject("number", part.number);
    entry.SetJsonObject("etag", part.etag);
    entry.SetJsonObject("size", part.size);
    list.AddaJsonObject(entry);
  }
  json.SetJsonObject("parts", list);
  json.SetJsonObject("muxed_bytes", muxed_bytes);
  json.SetJsonObject("record_complete", record_complete);
  json.SetJsonObject("upload_complete", upload_complete);
  return json;
}

std::optional<UploadState> UploadState::FromJson(const JsonValue& json) {
  if (!json.IsObject() || json["version"].AsInteger() != kVersion || !json["instance_id"].IsString() ||
      !json["task"].IsObject() || !json["parts"].IsArray() || !json["part_size"].IsInteger()) {
    return std::nullopt;
  }
  UploadState state;
  state.instance_id = json["instance_id"].AsString();
  state.task = json["task"];
  state.object_url = json["object_url"].AsString();
  state.upload_id = json["upload_id"].AsString();
  state.part_size = json["part_size"].AsUnsigned();
  state.muxed_bytes = json["muxed_bytes"].AsUnsigned();
  state.record_complete = json["record_complete"].AsBoolean();
  state.upload_complete = json["upload_complete"].AsBoolean();
  bool ordered = true;
  json["parts"].ForEachElement([&](size_t i, const JsonValue& part) {
    CosPart p{static_cast<int>(part["number"].AsInteger()), part["etag"].AsString(), part["size"].AsUnsigned()};
    // Parts are kept as the gap-free run 1..n that the upload's offsets are computed from.
    ordered = ordered && p.number == static_cast<int>(i) + 1 && p.etag.size() == 32 && p.size > 0;
    state.parts.push_back(p);
  });
  if (!ordered || state.part_size == 0) return std::nullopt;
  return state;
}

std::string UploadStateFile::LocalPathFor(const std::string& state_dir, const std::string& instance_id) {
  return state_dir + "/" + util::crypto::Md5(instance_id) + ".upload";
}

bool UploadStateFile::Save(const std::string& path, const UploadState& state) {
  if (util::file::MakePath(util::file::DirName(path)) &&
      util::file::WriteFileAtomically(path, state.ToJson().ToStyledString())) {
    return true;
  }
  KLOG(1) << "cannot write upload state " << path;
  return false;
}

std::optional<UploadState> UploadStateFile::Load(const std::string& path) {
  std::string text;
  if (!util::file::ReadFileToString(path, &text)) return std::nullopt;
  auto state = UploadState::FromJson(JsonValue::Parse(text));
  if (!state) KLOG(3) << "upload state " << path << " is not usable, ignored";
  return state;
}

void UploadStateFile::Remove(const std::string& path) { util::file::Remove(path); }

int UploadStateFile::RemoveAbandonedLocal(const std::string& state_dir, std::filesystem::file_time_type now) {
  namespace fs = std::filesystem;
  std::error_code error;
  int removed = 0;
  for (const auto& entry : fs::directory_iterator(state_dir, error)) {
    if (entry.path().extension() != ".upload" || !entry.is_regular_file(error)) continue;
    const auto written = entry.last_write_time(error);
    if (error || now - written < kAbandonedAfter) continue;
    if (fs::remove(entry.path(), error)) ++removed;
  }
  if (removed > 0) KLOG(6) << "removed " << removed << " abandoned local upload states from " << state_dir;
  return removed;
}

}  // namespace qr_transcoder
