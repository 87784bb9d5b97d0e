#pragma once

#include <cstdint>
#include <string>

namespace qr_backend {

class Clock;
class JumpLinks;
class ObjectAuthority;
class ObjectStore;
class PushHub;
class RecordStore;
class RuntimeSettings;
class TitleReviewStore;
class UserStore;

// The values the endpoints need from the configuration and the bound ports.
struct ApiSettings {
  std::string bucket;
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
  UserStore& users;
  RecordStore& records;
  TitleReviewStore& reviews;
  ObjectStore& objects;
  ObjectAuthority& authority;
  PushHub& push;
  JumpLinks& links;
  RuntimeSettings& runtime;

  std::string ObjectUrl(const std::string& key) const;
};

}  // namespace qr_backend
