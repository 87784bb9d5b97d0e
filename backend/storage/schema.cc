#include "storage/schema.h"

#include <string>
#include <vector>

#include "common/database.h"
#include "common/log.h"

namespace qr_backend {

namespace {

// Append new steps at the end; never edit a step that has shipped.
const std::vector<std::string>& Steps() {
  static const std::vector<std::string> steps = {
      R"sql(
CREATE TABLE settings(name TEXT PRIMARY KEY, value TEXT NOT NULL);
CREATE TABLE users(
  app_uid TEXT PRIMARY KEY,
  app_id TEXT NOT NULL,
  nick_name TEXT NOT NULL,
  avatar TEXT NOT NULL,
  token TEXT NOT NULL UNIQUE,
  secret TEXT NOT NULL,
  quota_bytes INTEGER,
  created_at INTEGER NOT NULL);
CREATE TABLE nonces(
  app_uid TEXT NOT NULL,
  nonce TEXT NOT NULL,
  seen_at INTEGER NOT NULL,
  PRIMARY KEY(app_uid, nonce));
CREATE INDEX nonces_seen ON nonces(seen_at);
CREATE TABLE records(
  uni_record_id TEXT PRIMARY KEY,
  record_id TEXT NOT NULL UNIQUE,
  file_id TEXT NOT NULL UNIQUE,
  owner_uid TEXT NOT NULL,
  title TEXT NOT NULL,
  title_version INTEGER NOT NULL DEFAULT 0,
  record_type TEXT NOT NULL,
  state INTEGER NOT NULL,
  record_start_time TEXT NOT NULL,
  creator_instance_id TEXT NOT NULL,
  video_key TEXT NOT NULL,
  cover_key TEXT NOT NULL,
  cover_feature_id TEXT NOT NULL,
  file_size INTEGER NOT NULL DEFAULT 0,
  duration_ms INTEGER NOT NULL DEFAULT 0,
  ext_info TEXT NOT NULL DEFAULT '{}',
  batch_id TEXT NOT NULL DEFAULT '',
  batch_upload_notify INTEGER NOT NULL DEFAULT 0,
  created_at INTEGER NOT NULL,
  updated_at INTEGER NOT NULL,
  completed_at INTEGER NOT NULL DEFAULT 0);
CREATE INDEX records_owner ON records(owner_uid, updated_at);
CREATE TABLE title_reviews(
  fire_id TEXT PRIMARY KEY,
  uni_record_id TEXT NOT NULL,
  owner_uid TEXT NOT NULL,
  version INTEGER NOT NULL,
  title TEXT NOT NULL,
  description TEXT NOT NULL,
  polls INTEGER NOT NULL DEFAULT 0,
  status INTEGER NOT NULL,
  created_at INTEGER NOT NULL);
CREATE TABLE short_links(
  code TEXT PRIMARY KEY,
  uni_record_id TEXT NOT NULL,
  app_uid TEXT NOT NULL,
  UNIQUE(uni_record_id, app_uid));
CREATE TABLE objects(
  bucket TEXT NOT NULL,
  object_key TEXT NOT NULL,
  owner_uid TEXT NOT NULL,
  size INTEGER NOT NULL,
  etag TEXT NOT NULL,
  content_type TEXT NOT NULL,
  blob TEXT NOT NULL,
  updated_at INTEGER NOT NULL,
  PRIMARY KEY(bucket, object_key));
CREATE INDEX objects_owner ON objects(owner_uid);
CREATE TABLE uploads(
  upload_id TEXT PRIMARY KEY,
  bucket TEXT NOT NULL,
  object_key TEXT NOT NULL,
  owner_uid TEXT NOT NULL,
  content_type TEXT NOT NULL,
  created_at INTEGER NOT NULL);
CREATE INDEX uploads_key ON uploads(bucket, object_key);
CREATE TABLE upload_parts(
  upload_id TEXT NOT NULL REFERENCES uploads(upload_id) ON DELETE CASCADE,
  part_number INTEGER NOT NULL,
  size INTEGER NOT NULL,
  etag TEXT NOT NULL,
  blob TEXT NOT NULL,
  PRIMARY KEY(upload_id, part_number));
CREATE TABLE grants(
  session_token TEXT PRIMARY KEY,
  bucket TEXT NOT NULL,
  object_key TEXT NOT NULL,
  owner_uid TEXT NOT NULL,
  expires_at INTEGER NOT NULL);
CREATE INDEX grants_key ON grants(bucket, object_key);
CREATE INDEX grants_expiry ON grants(expires_at);
CREATE TABLE push_events(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  app_uid TEXT NOT NULL,
  cmd INTEGER NOT NULL,
  content TEXT NOT NULL,
  created_at INTEGER NOT NULL);
CREATE INDEX push_events_user ON push_events(app_uid, id);
)sql",
      R"sql(
ALTER TABLE records ADD COLUMN file_type TEXT NOT NULL DEFAULT '';
ALTER TABLE records ADD COLUMN speaker_nums INTEGER NOT NULL DEFAULT 0;
ALTER TABLE records ADD COLUMN switch_status INTEGER NOT NULL DEFAULT 0;
CREATE INDEX records_owner_created ON records(owner_uid, created_at, uni_record_id);
CREATE INDEX records_owner_updated ON records(owner_uid, updated_at, uni_record_id);
CREATE INDEX records_batch ON records(owner_uid, batch_id);
ALTER TABLE grants ADD COLUMN read_only INTEGER NOT NULL DEFAULT 0;
CREATE TABLE record_meetings(
  uni_record_id TEXT PRIMARY KEY,
  meeting_id TEXT NOT NULL,
  sub_meeting_id TEXT NOT NULL,
  room_id TEXT NOT NULL,
  meeting_code TEXT NOT NULL,
  subject TEXT NOT NULL);
CREATE INDEX record_meetings_meeting ON record_meetings(meeting_id, sub_meeting_id);
CREATE TABLE meeting_participants(
  meeting_id TEXT NOT NULL,
  app_uid TEXT NOT NULL,
  PRIMARY KEY(meeting_id, app_uid));
CREATE TABLE record_views(
  app_uid TEXT NOT NULL,
  uni_record_id TEXT NOT NULL,
  viewed_at INTEGER NOT NULL,
  PRIMARY KEY(app_uid, uni_record_id));
CREATE INDEX record_views_recent ON record_views(app_uid, viewed_at, uni_record_id);
CREATE TABLE share_settings(
  uni_record_id TEXT PRIMARY KEY,
  share_id TEXT NOT NULL UNIQUE,
  switch_state INTEGER NOT NULL,
  point_id INTEGER NOT NULL,
  group_id INTEGER NOT NULL,
  access_id INTEGER NOT NULL,
  expired_time INTEGER NOT NULL,
  expired_time_type INTEGER NOT NULL,
  download_enable INTEGER NOT NULL,
  view_minutes_enable INTEGER NOT NULL,
  password TEXT NOT NULL,
  invite_join_state INTEGER NOT NULL);
CREATE TABLE record_members(
  uni_record_id TEXT NOT NULL,
  app_uid TEXT NOT NULL,
  permission_id INTEGER NOT NULL,
  is_assigner INTEGER NOT NULL,
  updated_at INTEGER NOT NULL,
  PRIMARY KEY(uni_record_id, app_uid));
CREATE INDEX record_members_user ON record_members(app_uid);
CREATE TABLE notices(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  app_uid TEXT NOT NULL,
  path TEXT NOT NULL,
  type INTEGER NOT NULL,
  uni_record_id TEXT NOT NULL,
  author_uid TEXT NOT NULL,
  content TEXT NOT NULL,
  video_elapsed INTEGER NOT NULL,
  comment_id TEXT NOT NULL,
  reply_id TEXT NOT NULL,
  reply_to_uid TEXT NOT NULL,
  unread INTEGER NOT NULL,
  created_at INTEGER NOT NULL);
CREATE INDEX notices_user ON notices(app_uid, id);
CREATE TABLE card_red_dots(
  app_uid TEXT NOT NULL,
  uni_record_id TEXT NOT NULL,
  PRIMARY KEY(app_uid, uni_record_id));
CREATE TABLE upload_batches(
  app_uid TEXT NOT NULL,
  batch_id TEXT NOT NULL,
  finished_at INTEGER NOT NULL,
  PRIMARY KEY(app_uid, batch_id));
CREATE TABLE access_requests(
  unique_id TEXT PRIMARY KEY,
  uni_record_id TEXT NOT NULL,
  app_uid TEXT NOT NULL,
  subject TEXT NOT NULL,
  reason TEXT NOT NULL,
  created_at INTEGER NOT NULL);
)sql",
      // Objects become lists of files, so a multipart upload completes without a copy.
      R"sql(
CREATE TABLE object_segments(
  bucket TEXT NOT NULL,
  object_key TEXT NOT NULL,
  seq INTEGER NOT NULL,
  byte_offset INTEGER NOT NULL,
  size INTEGER NOT NULL,
  blob TEXT NOT NULL,
  PRIMARY KEY(bucket, object_key, seq));
INSERT INTO object_segments(bucket, object_key, seq, byte_offset, size, blob)
  SELECT bucket, object_key, 0, 0, size, blob FROM objects;
ALTER TABLE objects DROP COLUMN blob;
ALTER TABLE upload_parts ADD COLUMN digest_state TEXT;
)sql",
      // Lists ordered by a key that changes (update time, view time) page over a copy of
      // their order taken at the first page; records keep the description their accepted
      // rename gave them; signed-in users who opened a share link are remembered per record;
      // reviews are settled by time, so pending ones are found by age.
      R"sql(
CREATE TABLE list_snapshots(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  app_uid TEXT NOT NULL,
  filter TEXT NOT NULL,
  created_at INTEGER NOT NULL);
CREATE INDEX list_snapshots_user ON list_snapshots(app_uid, id);
CREATE INDEX list_snapshots_age ON list_snapshots(created_at);
CREATE TABLE list_snapshot_rows(
  snapshot_id INTEGER NOT NULL,
  position INTEGER NOT NULL,
  uni_record_id TEXT NOT NULL,
  sort_key INTEGER NOT NULL,
  PRIMARY KEY(snapshot_id, position)) WITHOUT ROWID;
ALTER TABLE records ADD COLUMN description TEXT NOT NULL DEFAULT '';
CREATE TABLE link_visitors(
  uni_record_id TEXT NOT NULL,
  app_uid TEXT NOT NULL,
  visited_at INTEGER NOT NULL,
  PRIMARY KEY(uni_record_id, app_uid));
CREATE INDEX title_reviews_pending ON title_reviews(status, created_at);
)sql",
      // A completed upload's ETag is made from its parts' MD5s; no digest is carried forward.
      R"sql(
ALTER TABLE upload_parts DROP COLUMN digest_state;
)sql",
  };
  return steps;
}

int UserVersion(Database& db) {
  auto rows = db.Query("PRAGMA user_version");
  return rows && !rows->empty() ? static_cast<int>(rows->front().Int(0)) : -1;
}

}  // namespace

bool MigrateSchema(Database& db) {
  const auto& steps = Steps();
  const int current = UserVersion(db);
  if (current < 0) return false;
  if (current > static_cast<int>(steps.size())) {
    LogWarning("the database was written by a newer qr-backend (schema " + std::to_string(current) +
               ")");
    return false;
  }
  for (size_t step = static_cast<size_t>(current); step < steps.size(); ++step) {
    const bool ok = db.Transaction([&] {
      // user_version takes no bound parameter; the value is our own step number.
      return db.ExecScript(steps[step]) &&
             db.ExecScript("PRAGMA user_version = " + std::to_string(step + 1));
    });
    if (!ok) {
      LogWarning("schema step " + std::to_string(step + 1) + " failed");
      return false;
    }
  }
  return true;
}

}  // namespace qr_backend
