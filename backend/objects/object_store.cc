#include "objects/object_store.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <set>

#include "common/clock.h"
#include "common/crypto.h"
#include "common/database.h"
#include "common/file_util.h"
#include "common/log.h"

namespace qr_backend {

namespace fs = std::filesystem;

namespace {

// Clients may send an ETag with or without its quotes, in either case.
std::string NormalizeEtag(std::string etag) {
  if (etag.size() >= 2 && etag.front() == '"' && etag.back() == '"') {
    etag = etag.substr(1, etag.size() - 2);
  }
  std::transform(etag.begin(), etag.end(), etag.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return etag;
}

struct PartRow {
  std::string blob;
  std::string etag;
  int64_t size = 0;
};

}  // namespace

ObjectReader::~ObjectReader() { ::close(fd_); }

int64_t ObjectReader::ReadAt(int64_t offset, char* out, size_t size) const {
  for (;;) {
    const ssize_t n = ::pread(fd_, out, size, offset);
    if (n < 0 && errno == EINTR) continue;
    return n;
  }
}

ObjectStore::ObjectStore(Database& db, const Clock& clock, std::string root)
    : db_(db), clock_(clock), root_(std::move(root)) {}

std::string ObjectStore::BlobPath(const std::string& blob) const {
  return root_ + "/blobs/" + blob.substr(0, 2) + "/" + blob;
}

bool ObjectStore::Init(std::string* error) {
  std::error_code ec;
  fs::create_directories(root_ + "/blobs", ec);
  fs::remove_all(root_ + "/tmp", ec);
  fs::create_directories(root_ + "/tmp", ec);
  if (ec) {
    *error = "cannot prepare " + root_ + ": " + ec.message();
    return false;
  }
  auto rows = db_.Query("SELECT blob FROM objects UNION SELECT blob FROM upload_parts");
  if (!rows) {
    *error = "cannot read the object index";
    return false;
  }
  std::set<std::string> referenced;
  for (const SqlRow& row : *rows) referenced.insert(row.Text(0));
  size_t removed = 0;
  for (const auto& entry : fs::recursive_directory_iterator(root_ + "/blobs", ec)) {
    if (entry.is_regular_file() && !referenced.count(entry.path().filename().string())) {
      fs::remove(entry.path(), ec);
      ++removed;
    }
  }
  if (removed > 0) LogInfo("removed " + std::to_string(removed) + " unreferenced object files");
  return true;
}

std::unique_ptr<BlobWriter> ObjectStore::NewBlob() {
  auto writer = std::make_unique<BlobWriter>(root_ + "/tmp/" + RandomHex(12));
  if (!writer->ok()) {
    LogWarning("cannot create a file under " + root_ + "/tmp");
    return nullptr;
  }
  return writer;
}

std::optional<std::string> ObjectStore::Publish(BlobWriter& blob) {
  if (!blob.Finish()) return std::nullopt;
  const std::string name = RandomHex(12);
  const std::string path = BlobPath(name);
  const std::string directory = fs::path(path).parent_path().string();
  std::error_code ec;
  fs::create_directories(directory, ec);
  if (ec || ::rename(blob.temp_path().c_str(), path.c_str()) != 0) {
    LogWarning("cannot publish " + blob.temp_path());
    return std::nullopt;
  }
  blob.Release();
  SyncDirectory(directory);
  return name;
}

void ObjectStore::RemoveBlobs(const std::vector<std::string>& blobs) {
  for (const std::string& blob : blobs) ::unlink(BlobPath(blob).c_str());
}

bool ObjectStore::UpsertObjectRow(const StoredObject& object, const std::string& blob,
                                  std::vector<std::string>& obsolete) {
  auto rows = db_.Query("SELECT blob FROM objects WHERE bucket = ? AND object_key = ?",
                        {object.bucket, object.key});
  if (!rows) return false;
  if (!rows->empty()) obsolete.push_back(rows->front().Text(0));
  return db_
      .Exec(
          "INSERT INTO objects(bucket, object_key, owner_uid, size, etag, content_type, blob, "
          "updated_at) VALUES(?, ?, ?, ?, ?, ?, ?, ?) "
          "ON CONFLICT(bucket, object_key) DO UPDATE SET owner_uid = excluded.owner_uid, "
          "size = excluded.size, etag = excluded.etag, content_type = excluded.content_type, "
          "blob = excluded.blob, updated_at = excluded.updated_at",
          {object.bucket, object.key, object.owner_uid, object.size, object.etag,
           object.content_type, blob, clock_.NowSeconds()})
      .ok;
}

StoreError ObjectStore::Commit(const std::string& published,
                               const std::function<StoreError(std::vector<std::string>&)>& body) {
  StoreError error = StoreError::kStorage;
  std::vector<std::string> obsolete;
  std::lock_guard lock(blobs_mutex_);
  const bool ok = db_.Transaction([&] {
    error = body(obsolete);
    return error == StoreError::kNone;
  });
  if (ok) {
    RemoveBlobs(obsolete);
    return StoreError::kNone;
  }
  if (!published.empty()) RemoveBlobs({published});
  return error == StoreError::kNone ? StoreError::kStorage : error;
}

StoreResult<StoredObject> ObjectStore::PutObject(const std::string& bucket, const std::string& key,
                                                 const std::string& owner_uid,
                                                 const std::string& content_type,
                                                 BlobWriter& blob) {
  const auto name = Publish(blob);
  if (!name) return {StoreError::kStorage, {}};
  StoredObject object{bucket, key, owner_uid, blob.size(), blob.md5_hex(), content_type};
  const StoreError error = Commit(*name, [&](std::vector<std::string>& obsolete) {
    return UpsertObjectRow(object, *name, obsolete) ? StoreError::kNone : StoreError::kStorage;
  });
  return {error, std::move(object)};
}

std::optional<StoredObject> ObjectStore::Head(const std::string& bucket,
                                              const std::string& key) const {
  auto rows = db_.Query(
      "SELECT owner_uid, size, etag, content_type FROM objects WHERE bucket = ? AND object_key = ?",
      {bucket, key});
  if (!rows || rows->empty()) return std::nullopt;
  const SqlRow& row = rows->front();
  return StoredObject{bucket, key, row.Text(0), row.Int(1), row.Text(2), row.Text(3)};
}

std::shared_ptr<ObjectReader> ObjectStore::Open(const std::string& bucket,
                                                const std::string& key) const {
  std::lock_guard lock(blobs_mutex_);
  auto rows = db_.Query(
      "SELECT owner_uid, size, etag, content_type, blob FROM objects "
      "WHERE bucket = ? AND object_key = ?",
      {bucket, key});
  if (!rows || rows->empty()) return nullptr;
  const SqlRow& row = rows->front();
  const int fd = ::open(BlobPath(row.Text(4)).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    LogWarning("object file missing for " + bucket + "/" + key);
    return nullptr;
  }
  return std::make_shared<ObjectReader>(
      fd, StoredObject{bucket, key, row.Text(0), row.Int(1), row.Text(2), row.Text(3)});
}

bool ObjectStore::Delete(const std::string& bucket, const std::string& key) {
  return Commit({}, [&](std::vector<std::string>& obsolete) {
           auto rows = db_.Query("SELECT blob FROM objects WHERE bucket = ? AND object_key = ?",
                                 {bucket, key});
           if (!rows) return StoreError::kStorage;
           if (!rows->empty()) obsolete.push_back(rows->front().Text(0));
           return db_.Exec("DELETE FROM objects WHERE bucket = ? AND object_key = ?", {bucket, key})
                      ? StoreError::kNone
                      : StoreError::kStorage;
         }) == StoreError::kNone;
}

StoreResult<std::string> ObjectStore::CreateUpload(const std::string& bucket,
                                                   const std::string& key,
                                                   const std::string& owner_uid,
                                                   const std::string& content_type) {
  const std::string upload_id = RandomHex(16);
  if (!db_.Exec("INSERT INTO uploads(upload_id, bucket, object_key, owner_uid, content_type, "
                "created_at) VALUES(?, ?, ?, ?, ?, ?)",
                {upload_id, bucket, key, owner_uid, content_type, clock_.NowSeconds()})) {
    return {StoreError::kStorage, {}};
  }
  return {StoreError::kNone, upload_id};
}

std::optional<ObjectStore::UploadRow> ObjectStore::FindUpload(const std::string& upload_id,
                                                              const std::string& bucket,
                                                              const std::string& key) const {
  auto rows = db_.Query(
      "SELECT owner_uid, content_type FROM uploads "
      "WHERE upload_id = ? AND bucket = ? AND object_key = ?",
      {upload_id, bucket, key});
  if (!rows || rows->empty()) return std::nullopt;
  return UploadRow{rows->front().Text(0), rows->front().Text(1)};
}

StoreResult<UploadedPart> ObjectStore::PutPart(const std::string& upload_id,
                                               const std::string& bucket, const std::string& key,
                                               int64_t part_number, BlobWriter& blob) {
  const auto name = Publish(blob);
  if (!name) return {StoreError::kStorage, {}};
  UploadedPart part{part_number, blob.size(), blob.md5_hex()};
  const StoreError error = Commit(*name, [&](std::vector<std::string>& obsolete) {
    if (!FindUpload(upload_id, bucket, key)) return StoreError::kNoSuchUpload;
    auto rows = db_.Query("SELECT blob FROM upload_parts WHERE upload_id = ? AND part_number = ?",
                          {upload_id, part_number});
    if (!rows) return StoreError::kStorage;
    if (!rows->empty()) obsolete.push_back(rows->front().Text(0));
    return db_.Exec(
               "INSERT INTO upload_parts(upload_id, part_number, size, etag, blob) "
               "VALUES(?, ?, ?, ?, ?) ON CONFLICT(upload_id, part_number) DO UPDATE SET "
               "size = excluded.size, etag = excluded.etag, blob = excluded.blob",
               {upload_id, part_number, part.size, part.etag, *name})
               ? StoreError::kNone
               : StoreError::kStorage;
  });
  return {error, std::move(part)};
}

StoreResult<std::vector<UploadedPart>> ObjectStore::ListParts(const std::string& upload_id,
                                                              const std::string& bucket,
                                                              const std::string& key) const {
  if (!FindUpload(upload_id, bucket, key)) return {StoreError::kNoSuchUpload, {}};
  auto rows = db_.Query(
      "SELECT part_number, size, etag FROM upload_parts WHERE upload_id = ? "
      "ORDER BY part_number",
      {upload_id});
  if (!rows) return {StoreError::kStorage, {}};
  std::vector<UploadedPart> parts;
  for (const SqlRow& row : *rows) parts.push_back({row.Int(0), row.Int(1), row.Text(2)});
  return {StoreError::kNone, std::move(parts)};
}

StoreResult<StoredObject> ObjectStore::CompleteUpload(
    const std::string& upload_id, const std::string& bucket, const std::string& key,
    const std::vector<std::pair<int64_t, std::string>>& parts) {
  if (parts.empty()) return {StoreError::kInvalidPartOrder, {}};
  for (size_t i = 1; i < parts.size(); ++i) {
    if (parts[i].first <= parts[i - 1].first) return {StoreError::kInvalidPartOrder, {}};
  }

  // Open every listed part first, so a part replaced while we copy cannot vanish under us.
  std::vector<std::unique_ptr<ObjectReader>> sources;
  std::optional<UploadRow> upload;
  {
    std::lock_guard lock(blobs_mutex_);
    upload = FindUpload(upload_id, bucket, key);
    if (!upload) return {StoreError::kNoSuchUpload, {}};
    for (const auto& [number, etag] : parts) {
      auto rows = db_.Query(
          "SELECT blob, etag, size FROM upload_parts WHERE upload_id = ? AND part_number = ?",
          {upload_id, number});
      if (!rows) return {StoreError::kStorage, {}};
      if (rows->empty() || rows->front().Text(1) != NormalizeEtag(etag)) {
        return {StoreError::kInvalidPart, {}};
      }
      const int fd = ::open(BlobPath(rows->front().Text(0)).c_str(), O_RDONLY | O_CLOEXEC);
      if (fd < 0) return {StoreError::kStorage, {}};
      StoredObject info;
      info.size = rows->front().Int(2);
      info.etag = rows->front().Text(1);
      sources.push_back(std::make_unique<ObjectReader>(fd, std::move(info)));
    }
  }

  auto blob = NewBlob();
  if (!blob) return {StoreError::kStorage, {}};
  std::vector<char> buffer(1 << 20);
  for (const auto& source : sources) {
    for (int64_t offset = 0; offset < source->info().size;) {
      const int64_t n = source->ReadAt(offset, buffer.data(), buffer.size());
      if (n <= 0 || !blob->Append(buffer.data(), static_cast<size_t>(n))) {
        return {StoreError::kStorage, {}};
      }
      offset += n;
    }
  }
  const auto name = Publish(*blob);
  if (!name) return {StoreError::kStorage, {}};

  StoredObject object{
      bucket, key, upload->owner_uid, blob->size(), blob->md5_hex(), upload->content_type};
  const StoreError error = Commit(*name, [&](std::vector<std::string>& obsolete) {
    // The upload may have been aborted, or a listed part replaced, while we copied.
    if (!FindUpload(upload_id, bucket, key)) return StoreError::kNoSuchUpload;
    auto rows = db_.Query("SELECT part_number, etag, blob FROM upload_parts WHERE upload_id = ?",
                          {upload_id});
    if (!rows) return StoreError::kStorage;
    for (const auto& [number, etag] : parts) {
      const auto it = std::find_if(rows->begin(), rows->end(),
                                   [&](const SqlRow& row) { return row.Int(0) == number; });
      if (it == rows->end() || it->Text(1) != NormalizeEtag(etag)) return StoreError::kInvalidPart;
    }
    for (const SqlRow& row : *rows) obsolete.push_back(row.Text(2));
    return DeleteUploadRows(upload_id) && UpsertObjectRow(object, *name, obsolete)
               ? StoreError::kNone
               : StoreError::kStorage;
  });
  return {error, std::move(object)};
}

bool ObjectStore::DeleteUploadRows(const std::string& upload_id) {
  return db_.Exec("DELETE FROM upload_parts WHERE upload_id = ?", {upload_id}).ok &&
         db_.Exec("DELETE FROM uploads WHERE upload_id = ?", {upload_id}).ok;
}

StoreError ObjectStore::AbortUpload(const std::string& upload_id, const std::string& bucket,
                                    const std::string& key) {
  return Commit({}, [&](std::vector<std::string>& obsolete) {
    if (!FindUpload(upload_id, bucket, key)) return StoreError::kNoSuchUpload;
    auto rows = db_.Query("SELECT blob FROM upload_parts WHERE upload_id = ?", {upload_id});
    if (!rows) return StoreError::kStorage;
    for (const SqlRow& row : *rows) obsolete.push_back(row.Text(0));
    return DeleteUploadRows(upload_id) ? StoreError::kNone : StoreError::kStorage;
  });
}

bool ObjectStore::AbortUploadsOf(const std::string& bucket, const std::string& key) {
  auto rows =
      db_.Query("SELECT upload_id FROM uploads WHERE bucket = ? AND object_key = ?", {bucket, key});
  if (!rows) return false;
  bool ok = true;
  for (const SqlRow& row : *rows) {
    const StoreError error = AbortUpload(row.Text(0), bucket, key);
    ok = ok && (error == StoreError::kNone || error == StoreError::kNoSuchUpload);
  }
  return ok;
}

}  // namespace qr_backend
