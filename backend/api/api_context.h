#pragma once

#include <cstdint>
#include <string>

namespace qr_backend {

class AccessPolicy;
class Clock;
class Database;
class JumpLinks;
class MeetingStore;
class NoticeStore;
class ObjectAuthority;
class ObjectStore;
class PushHub;
class RecordListing;
class RecordStore;
class RuntimeSettings;
class ShareStore;
class TitleReviewStore;
class UserStore;
class ViewStore;

// The values the endpoints need from the configuration and the bound ports.
struct ApiSettings {
  std::string bucket;
  std::string api_base_url;  // "http://host:port" of the API port
  std::string cos_base_url;  // "http://host:port", object URLs are this + "/" + bucket + "/" + key
  int64_t segment_size = 0;
  int64_t object_auth_ttl_seconds = 0;
  int64_t play_auth_ttl_seconds = 0;
  int64_t push_heartbeat_ms = 0;
};

// The services every endpoint family is built from; all outlive the servers.
struct ApiContext {
  ApiSettings settings;
  const Clock& clock;
  Database& db;  // for grouping an endpoint's writes into one transaction
  UserStore& users;
  RecordStore& records;
  RecordListing& listings;
  TitleReviewStore& reviews;
  ObjectStore& objects;
  ObjectAuthority& authority;
  PushHub& push;
  JumpLinks& links;
  RuntimeSettings& runtime;
  MeetingStore& meetings;
  ShareStore& shares;
  ViewStore& views;
  NoticeStore& notices;
  const AccessPolicy& access;

  std::string ObjectUrl(const std::string& key) const;
  // The object's URL with a read-only authorisation in the query: "get" fetches the whole
  // object (a download), "play" only byte ranges (a player); empty when the object does not
  // exist.
  std::string SignedReadUrl(const std::string& key, const std::string& owner_uid,
                            const std::string& verb = "get") const;
};

}  // namespace qr_backend
