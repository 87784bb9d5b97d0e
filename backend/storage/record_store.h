#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qr_backend {

class Database;
class SqlRow;

// Whether `record_type` is one of the kinds a record can be: "fast_record" (a quick recording),
// "cloud_record" (a meeting's cloud recording) or "user_upload" (an uploaded local file).
bool IsRecordKind(const std::string& record_type);

// "record_state" values as clients read them.
constexpr int kRecordStateDone = 1;
constexpr int kRecordStateInProgress = 2;

struct Record {
  std::string uni_record_id;
  std::string record_id;
  std::string file_id;
  std::string owner_uid;
  std::string title;
  int64_t title_version = 0;  // version of the review that set the title; 0 for the start title
  std::string record_type;    // "fast_record", "cloud_record" or "user_upload"
  int state = kRecordStateInProgress;
  std::string record_start_time;
  std::string creator_instance_id;
  std::string video_key;  // object keys in the bucket
  std::string cover_key;
  std::string cover_feature_id;
  int64_t file_size = 0;
  int64_t duration_ms = 0;
  std::string ext_info = "{}";  // JSON text as the client sent it
  std::string batch_id;
  bool batch_upload_notify = false;
  int64_t created_at = 0;  // seconds
  int64_t updated_at = 0;
  int64_t completed_at = 0;
  std::string file_type;  // of an uploaded local file
  int64_t speaker_nums = 0;
  int64_t switch_status = 0;
  std::string description;  // given with the accepted rename; the player page's minutes

  // The client's "record_start_time" when it is decimal (milliseconds), else the creation time.
  int64_t StartMillis() const;
};

struct RecordCompletion {
  int64_t file_size = 0;
  int64_t duration_ms = 0;
  std::string ext_info;
  std::string batch_id;
  bool batch_upload_notify = false;
  std::string file_type;
  int64_t speaker_nums = 0;
  int64_t switch_status = 0;
};

struct RecordUsage {
  std::string record_type;
  int64_t count = 0;
  int64_t bytes = 0;  // sizes of the stored objects of those records
};

// The record columns prefixed "r.", and a Record read from a row from column `first` on, for
// queries that join records with other tables.
std::string QualifiedRecordColumns();
Record RecordFromRow(const SqlRow& row, size_t first = 0);

class RecordStore {
 public:
  explicit RecordStore(Database& db) : db_(db) {}

  bool Insert(const Record& record);
  std::optional<Record> FindByRecordId(const std::string& record_id) const;
  std::optional<Record> FindByUni(const std::string& uni_record_id) const;

  // Stores the completion and sets the state to done. Returns false when nothing was stored.
  bool Complete(const std::string& uni_record_id, const RecordCompletion& completion, int64_t now);
  // Sets the title and description only when `version` is newer than the one that set the
  // current title, so a late verdict on an older rename cannot undo a newer one. True when the
  // title changed.
  bool ApplyTitle(const std::string& uni_record_id, const std::string& title,
                  const std::string& description, int64_t version, int64_t now);
  bool Delete(const std::string& uni_record_id);

  // How many of the owner's completed records carry the batch id.
  std::optional<int64_t> BatchSize(const std::string& owner_uid, const std::string& batch_id) const;
  // Notes that the client finished the batch; again is harmless.
  bool FinishBatch(const std::string& owner_uid, const std::string& batch_id, int64_t now);

  // Per record kind: how many records the owner has and the bytes of their objects in `bucket`.
  std::optional<std::vector<RecordUsage>> UsageOf(const std::string& owner_uid,
                                                  const std::string& bucket) const;

 private:
  std::optional<Record> FindOne(const std::string& sql, const std::string& value) const;

  Database& db_;
};

}  // namespace qr_backend
