#include "objects/object_store.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <set>

#include "common/clock.h"
#include "common/crypto.h"
#include "common/database.h"
#include "common/log.h"

namespace qr_backend {

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

}  // namespace

std::string CompositeEtag(const std::vector<std::string>& part_md5s) {
  std::string digests;
  for (const std::string& md5 : part_md5s) digests += FromHex(md5).value_or(std::string(16, '\0'));
  return Md5Hex(digests) + "-" + std::to_string(part_md5s.size());
}

ObjectStore::ObjectStore(Database& db, const Clock& clock, std::string root)
    : db_(db), clock_(clock), blobs_(std::move(root)) {}

bool ObjectStore::Init(std::string* error) {
  if (!blobs_.Prepare(error)) return false;
  auto rows = db_.Query("SELECT blob FROM object_segments UNION SELECT blob FROM upload_parts");
  if (!rows) {
    *error = "cannot read the object index";
    return false;
  }
  std::set<std::string> referenced;
  for (const SqlRow& row : *rows) referenced.insert(row.Text(0));
  const size_t removed = blobs_.Sweep(referenced);
  if (removed > 0) LogInfo("removed " + std::to_string(removed) + " unreferenced object files");
  return true;
}

std::unique_ptr<BlobWriter> ObjectStore::NewBlob() { return blobs_.NewWriter(); }

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
    blobs_.Remove(obsolete);
    return StoreError::kNone;
  }
  if (!published.empty()) blobs_.Remove({published});
  return error == StoreError::kNone ? StoreError::kStorage : error;
}

bool ObjectStore::DeleteObjectRows(const std::string& bucket, const std::string& key,
                                   std::vector<std::string>& obsolete) {
  auto rows = db_.Query("SELECT blob FROM object_segments WHERE bucket = ? AND object_key = ?",
                        {bucket, key});
  if (!rows) return false;
  for (const SqlRow& row : *rows) obsolete.push_back(row.Text(0));
  return db_.Exec("DELETE FROM object_segments WHERE bucket = ? AND object_key = ?", {bucket, key})
             .ok &&
         db_.Exec("DELETE FROM objects WHERE bucket = ? AND object_key = ?", {bucket, key}).ok;
}

bool ObjectStore::WriteObjectRows(const StoredObject& object,
                                  const std::vector<std::pair<std::string, int64_t>>& segments,
                                  std::vector<std::string>& obsolete) {
  if (!DeleteObjectRows(object.bucket, object.key, obsolete) ||
      !db_.Exec("INSERT INTO objects(bucket, object_key, owner_uid, size, etag, content_type, "
                "updated_at) VALUES(?, ?, ?, ?, ?, ?, ?)",
                {object.bucket, object.key, object.owner_uid, object.size, object.etag,
                 object.content_type, clock_.NowSeconds()})) {
    return false;
  }
  int64_t offset = 0;
  for (size_t seq = 0; seq < segments.size(); ++seq) {
    const auto& [blob, size] = segments[seq];
    if (!db_.Exec("INSERT INTO object_segments(bucket, object_key, seq, byte_offset, size, blob) "
                  "VALUES(?, ?, ?, ?, ?, ?)",
                  {object.bucket, object.key, static_cast<int64_t>(seq), offset, size, blob})) {
      return false;
    }
    offset += size;
  }
  return true;
}

StoreResult<StoredObject> ObjectStore::PutObject(const std::string& bucket, const std::string& key,
                                                 const std::string& owner_uid,
                                                 const std::string& content_type,
                                                 BlobWriter& blob) {
  const auto name = blobs_.Publish(blob);
  if (!name) return {StoreError::kStorage, {}};
  StoredObject object{bucket, key, owner_uid, blob.size(), blob.md5_hex(), content_type};
  const StoreError error = Commit(*name, [&](std::vector<std::string>& obsolete) {
    return WriteObjectRows(object, {{*name, blob.size()}}, obsolete) ? StoreError::kNone
                                                                      : StoreError::kStorage;
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
  auto info = Head(bucket, key);
  if (!info) return nullptr;
  auto rows = db_.Query(
      "SELECT blob, byte_offset, size FROM object_segments WHERE bucket = ? AND object_key = ? "
      "ORDER BY seq",
      {bucket, key});
  if (!rows) return nullptr;
  std::vector<std::string> names;
  std::vector<ObjectSegment> segments;
  int64_t end = 0;
  for (const SqlRow& row : *rows) {
    names.push_back(row.Text(0));
    segments.push_back({blobs_.PathOf(names.back()), row.Int(1), row.Int(2)});
    if (segments.back().offset != end) break;
    end += segments.back().size;
  }
  // Never serve bytes from a list that does not add up to the object.
  if (end != info->size || segments.size() != rows->size()) {
    LogWarning("the segments of " + bucket + "/" + key + " do not add up to its size");
    return nullptr;
  }
  return std::make_shared<ObjectReader>(std::move(*info), std::move(segments),
                                        blobs_.PinFiles(names));
}

bool ObjectStore::Delete(const std::string& bucket, const std::string& key) {
  return Commit({}, [&](std::vector<std::string>& obsolete) {
           return DeleteObjectRows(bucket, key, obsolete) ? StoreError::kNone
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

std::optional<std::vector<ObjectStore::PartRow>> ObjectStore::PartsOf(
    const std::string& upload_id) const {
  auto rows = db_.Query(
      "SELECT part_number, blob, size, etag FROM upload_parts "
      "WHERE upload_id = ? ORDER BY part_number",
      {upload_id});
  if (!rows) return std::nullopt;
  std::vector<PartRow> parts;
  for (const SqlRow& row : *rows) {
    parts.push_back({row.Int(0), row.Text(1), row.Int(2), row.Text(3)});
  }
  return parts;
}

StoreResult<UploadedPart> ObjectStore::PutPart(const std::string& upload_id,
                                               const std::string& bucket, const std::string& key,
                                               int64_t part_number, BlobWriter& blob) {
  const auto name = blobs_.Publish(blob);
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
  const auto rows = PartsOf(upload_id);
  if (!rows) return {StoreError::kStorage, {}};
  std::vector<UploadedPart> parts;
  for (const PartRow& row : *rows) parts.push_back({row.number, row.size, row.etag});
  return {StoreError::kNone, std::move(parts)};
}

std::optional<std::vector<const ObjectStore::PartRow*>> ObjectStore::ListedParts(
    const std::vector<PartRow>& rows, const std::vector<std::pair<int64_t, std::string>>& parts) {
  std::vector<const PartRow*> listed;
  for (const auto& part : parts) {
    // Not a structured binding: clang 14 (the fuzz build) cannot capture one in a lambda.
    const int64_t number = part.first;
    const auto it = std::find_if(rows.begin(), rows.end(),
                                 [&](const PartRow& row) { return row.number == number; });
    if (it == rows.end() || it->etag != NormalizeEtag(part.second)) return std::nullopt;
    listed.push_back(&*it);
  }
  return listed;
}

StoreResult<StoredObject> ObjectStore::CompleteUpload(
    const std::string& upload_id, const std::string& bucket, const std::string& key,
    const std::vector<std::pair<int64_t, std::string>>& parts) {
  if (parts.empty()) return {StoreError::kInvalidPartOrder, {}};
  for (size_t i = 1; i < parts.size(); ++i) {
    if (parts[i].first <= parts[i - 1].first) return {StoreError::kInvalidPartOrder, {}};
  }

  const auto upload = FindUpload(upload_id, bucket, key);
  if (!upload) return {StoreError::kNoSuchUpload, {}};
  std::vector<std::string> md5s;
  for (const auto& part : parts) md5s.push_back(NormalizeEtag(part.second));
  StoredObject object{bucket, key, upload->owner_uid, 0, CompositeEtag(md5s), upload->content_type};
  const StoreError error = Commit({}, [&](std::vector<std::string>& obsolete) {
    // The upload may have been aborted, or a listed part replaced, since we looked; a part
    // uploaded again with the same ETag has the same content.
    if (!FindUpload(upload_id, bucket, key)) return StoreError::kNoSuchUpload;
    const auto now = PartsOf(upload_id);
    if (!now) return StoreError::kStorage;
    const auto listed = ListedParts(*now, parts);
    if (!listed) return StoreError::kInvalidPart;
    std::vector<std::pair<std::string, int64_t>> segments;
    for (const PartRow* part : *listed) {
      segments.emplace_back(part->blob, part->size);
      object.size += part->size;
    }
    for (const PartRow& row : *now) {
      if (std::find(listed->begin(), listed->end(), &row) == listed->end()) {
        obsolete.push_back(row.blob);
      }
    }
    return DeleteUploadRows(upload_id) && WriteObjectRows(object, segments, obsolete)
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
    const auto rows = PartsOf(upload_id);
    if (!rows) return StoreError::kStorage;
    for (const PartRow& row : *rows) obsolete.push_back(row.blob);
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
