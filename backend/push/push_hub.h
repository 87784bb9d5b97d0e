#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace qr_backend {

class Clock;
class Database;

// Push commands of the "halvard:kovani:meetlog_push" packets.
constexpr int kPushRecordChanged = 4;
constexpr int kPushCardRedDot = 5;
constexpr int kPushMainBoard = 6;
constexpr int kPushMeetingRecords = 7;

// "notify_type" of a meeting-records push.
constexpr int kMeetingRecordAdded = 1;
constexpr int kMeetingRecordChanged = 2;
constexpr int kMeetingRecordRemoved = 3;

// "msg_type" of a record-changed push.
constexpr int kRecordCompleted = 1;
constexpr int kRecordRenamed = 2;
constexpr int kRecordDeleted = 3;

struct PushEvent {
  int64_t id = 0;  // increasing over all users; the stanza id
  std::string app_uid;
  int cmd = 0;
  std::string content;  // JSON text; Base64-encoded only when framed
};

// Push events per user. Every event is stored before it is announced, so a stream that
// reconnects with the id of the last event it saw gets everything after it.
class PushHub {
 public:
  PushHub(Database& db, const Clock& clock, int64_t retention_seconds);

  std::optional<int64_t> Publish(const std::string& app_uid, int cmd,
                                 const nlohmann::json& content);
  // Id of the user's newest event; 0 when there is none.
  int64_t LatestId(const std::string& app_uid);
  // The user's events after `after` (oldest first, at most `limit`); when there are none yet,
  // waits for one up to `timeout`. Empty on time-out and after Shutdown().
  std::vector<PushEvent> Wait(const std::string& app_uid, int64_t after,
                              std::chrono::milliseconds timeout, size_t limit = 100);
  // Wakes every waiting stream for good.
  void Shutdown();
  bool shutting_down() const;

 private:
  std::vector<PushEvent> EventsAfter(const std::string& app_uid, int64_t after, size_t limit);
  int64_t LatestIdLocked(const std::string& app_uid);

  Database& db_;
  const Clock& clock_;
  int64_t retention_seconds_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::unordered_map<std::string, int64_t> latest_;  // per user, filled on first use
  bool shutdown_ = false;
  int64_t last_prune_ = 0;
};

}  // namespace qr_backend
