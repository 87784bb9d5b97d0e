#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "objects/blob_directory.h"
#include "objects/blob_writer.h"
#include "objects/object_reader.h"

namespace qr_backend {

class Clock;
class Database;

// The ETag of an object made of parts with these MD5s (lower-case hex, in order): the hex MD5
// of the parts' binary MD5s one after another, then "-" and the number of parts.
std::string CompositeEtag(const std::vector<std::string>& part_md5s);

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
//
// An object is a list of segments: a PUT gives one, a completed multipart upload keeps its
// parts as they are. Completing an upload therefore moves rows, not bytes, and reads none: the
// object's ETag is then the composite of its parts' MD5s (CompositeEtag), as S3-compatible
// stores give it, so no byte is hashed twice.
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
  // Makes the listed parts (number, ETag) the object's segments and ends the upload; parts
  // that are not listed are dropped. The object's ETag is the composite of the listed parts'.
  StoreResult<StoredObject> CompleteUpload(
      const std::string& upload_id, const std::string& bucket, const std::string& key,
      const std::vector<std::pair<int64_t, std::string>>& parts);
  StoreError AbortUpload(const std::string& upload_id, const std::string& bucket,
                         const std::string& key);
  // Ends every unfinished upload of the object.
  bool AbortUploadsOf(const std::string& bucket, const std::string& key);

  // Files of replaced and deleted objects go in the background; returns once they are gone
  // (those an open reader still holds excepted).
  void WaitForRemovals() { blobs_.WaitForRemovals(); }

 private:
  struct UploadRow {
    std::string owner_uid;
    std::string content_type;
  };
  struct PartRow {
    int64_t number = 0;
    std::string blob;
    int64_t size = 0;
    std::string etag;
  };

  // Runs `body` in one transaction under the blob lock. On commit the files `body` listed as
  // obsolete are removed; otherwise the freshly `published` file (if any) is.
  StoreError Commit(const std::string& published,
                    const std::function<StoreError(std::vector<std::string>& obsolete)>& body);
  // Removes the object's rows, if any; its files are added to `obsolete`.
  bool DeleteObjectRows(const std::string& bucket, const std::string& key,
                        std::vector<std::string>& obsolete);
  // Replaces the object's rows with `object` made of `segments` (blob name, size) in order.
  bool WriteObjectRows(const StoredObject& object,
                       const std::vector<std::pair<std::string, int64_t>>& segments,
                       std::vector<std::string>& obsolete);
  bool DeleteUploadRows(const std::string& upload_id);
  std::optional<UploadRow> FindUpload(const std::string& upload_id, const std::string& bucket,
                                      const std::string& key) const;
  // The rows of the listed parts (number, ETag), in list order; nullopt when one is missing or
  // its ETag differs.
  static std::optional<std::vector<const PartRow*>> ListedParts(
      const std::vector<PartRow>& rows,
      const std::vector<std::pair<int64_t, std::string>>& parts);
  // Every part of the upload in number order; nullopt on a database failure.
  std::optional<std::vector<PartRow>> PartsOf(const std::string& upload_id) const;

  Database& db_;
  const Clock& clock_;
  // Mutable: opening pins files, which does not change what the store holds.
  mutable BlobDirectory blobs_;
  // Orders reading the rows and pinning their files against committing and removing them.
  mutable std::mutex blobs_mutex_;
};

}  // namespace qr_backend
