#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "objects/blob_writer.h"

namespace qr_backend {

class Clock;
class Database;

struct StoredObject {
  std::string bucket;
  std::string key;
  std::string owner_uid;
  int64_t size = 0;
  std::string etag;  // MD5 of the content, lower-case hex, no quotes
  std::string content_type;
};

// An open object: reading stays valid even when the object is replaced or deleted meanwhile.
class ObjectReader {
 public:
  ObjectReader(int fd, StoredObject info) : fd_(fd), info_(std::move(info)) {}
  ~ObjectReader();
  ObjectReader(const ObjectReader&) = delete;
  ObjectReader& operator=(const ObjectReader&) = delete;

  const StoredObject& info() const { return info_; }
  // Reads up to `size` bytes at `offset`; -1 on an I/O error.
  int64_t ReadAt(int64_t offset, char* out, size_t size) const;

 private:
  int fd_;
  StoredObject info_;
};

struct UploadedPart {
  int64_t part_number = 0;
  int64_t size = 0;
  std::string etag;
};

enum class StoreError {
  kNone,
  kNotFound,          // no such object
  kNoSuchUpload,      // unknown upload id, or one that belongs to another object
  kInvalidPart,       // a listed part is missing or its ETag differs
  kInvalidPartOrder,  // listed part numbers not strictly ascending, or none listed
  kStorage,           // disk or database failure
};

template <typename T>
struct StoreResult {
  StoreError error = StoreError::kNone;
  T value{};
  bool ok() const { return error == StoreError::kNone; }
};

// Objects and multipart uploads: content in files under the data directory, metadata in
// SQLite. A body is written to a temporary file, fsynced and renamed before its row is
// committed, so an object or part is visible only once fully written, and a crash at any point
// leaves at most an unreferenced file that Init() removes.
class ObjectStore {
 public:
  static constexpr int64_t kMaxPartNumber = 10000;

  ObjectStore(Database& db, const Clock& clock, std::string root);

  // Creates the directories, empties the temporary one and removes files no row refers to.
  bool Init(std::string* error);

  // A writer for a new body; nullptr when no file can be created.
  std::unique_ptr<BlobWriter> NewBlob();

  // Publishes a finished writer's file as the object, replacing an older one.
  StoreResult<StoredObject> PutObject(const std::string& bucket, const std::string& key,
                                      const std::string& owner_uid, const std::string& content_type,
                                      BlobWriter& blob);
  std::optional<StoredObject> Head(const std::string& bucket, const std::string& key) const;
  std::shared_ptr<ObjectReader> Open(const std::string& bucket, const std::string& key) const;
  bool Delete(const std::string& bucket, const std::string& key);

  StoreResult<std::string> CreateUpload(const std::string& bucket, const std::string& key,
                                        const std::string& owner_uid,
                                        const std::string& content_type);
  StoreResult<UploadedPart> PutPart(const std::string& upload_id, const std::string& bucket,
                                    const std::string& key, int64_t part_number, BlobWriter& blob);
  StoreResult<std::vector<UploadedPart>> ListParts(const std::string& upload_id,
                                                   const std::string& bucket,
                                                   const std::string& key) const;
  // Joins the listed parts (number, ETag) into the object and ends the upload; parts that are
  // not listed are dropped.
  StoreResult<StoredObject> CompleteUpload(
      const std::string& upload_id, const std::string& bucket, const std::string& key,
      const std::vector<std::pair<int64_t, std::string>>& parts);
  StoreError AbortUpload(const std::string& upload_id, const std::string& bucket,
                         const std::string& key);
  // Ends every unfinished upload of the object.
  bool AbortUploadsOf(const std::string& bucket, const std::string& key);

 private:
  struct UploadRow {
    std::string owner_uid;
    std::string content_type;
  };

  std::string BlobPath(const std::string& blob) const;
  // Renames the finished writer's file into the blob directory; returns the blob name.
  std::optional<std::string> Publish(BlobWriter& blob);
  void RemoveBlobs(const std::vector<std::string>& blobs);
  // Runs `body` in one transaction under the blob lock. On commit the files `body` listed as
  // obsolete are removed; otherwise the freshly `published` file (if any) is.
  StoreError Commit(const std::string& published,
                    const std::function<StoreError(std::vector<std::string>& obsolete)>& body);
  // Inserts or replaces the object's row; the file it replaces is added to `obsolete`.
  bool UpsertObjectRow(const StoredObject& object, const std::string& blob,
                       std::vector<std::string>& obsolete);
  bool DeleteUploadRows(const std::string& upload_id);
  std::optional<UploadRow> FindUpload(const std::string& upload_id, const std::string& bucket,
                                      const std::string& key) const;

  Database& db_;
  const Clock& clock_;
  std::string root_;
  // Orders opening a blob against replacing and unlinking it.
  mutable std::mutex blobs_mutex_;
};

}  // namespace qr_backend
