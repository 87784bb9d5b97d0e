#include "push/push_hub.h"

#include "common/clock.h"
#include "common/database.h"

namespace qr_backend {

PushHub::PushHub(Database& db, const Clock& clock, int64_t retention_seconds)
    : db_(db), clock_(clock), retention_seconds_(retention_seconds) {}

std::optional<int64_t> PushHub::Publish(const std::string& app_uid, int cmd,
                                        const nlohmann::json& content) {
  const std::string text = content.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  const int64_t now = clock_.NowSeconds();
  int64_t id = 0;
  {
    std::lock_guard lock(mutex_);
    if (now - last_prune_ >= 60) {
      last_prune_ = now;
      db_.Exec("DELETE FROM push_events WHERE created_at < ?", {now - retention_seconds_});
    }
    auto result =
        db_.Exec("INSERT INTO push_events(app_uid, cmd, content, created_at) VALUES(?, ?, ?, ?)",
                 {app_uid, int64_t{cmd}, text, now});
    if (!result) return std::nullopt;
    id = result.last_insert_id;
    latest_[app_uid] = id;
  }
  changed_.notify_all();
  return id;
}

int64_t PushHub::LatestIdLocked(const std::string& app_uid) {
  auto it = latest_.find(app_uid);
  if (it != latest_.end()) return it->second;
  auto rows =
      db_.Query("SELECT COALESCE(MAX(id), 0) FROM push_events WHERE app_uid = ?", {app_uid});
  const int64_t id = rows && !rows->empty() ? rows->front().Int(0) : 0;
  latest_[app_uid] = id;
  return id;
}

int64_t PushHub::LatestId(const std::string& app_uid) {
  std::lock_guard lock(mutex_);
  return LatestIdLocked(app_uid);
}

std::vector<PushEvent> PushHub::EventsAfter(const std::string& app_uid, int64_t after,
                                            size_t limit) {
  auto rows = db_.Query(
      "SELECT id, cmd, content FROM push_events WHERE app_uid = ? AND id > ? ORDER BY id LIMIT ?",
      {app_uid, after, static_cast<int64_t>(limit)});
  std::vector<PushEvent> events;
  if (!rows) return events;
  for (const SqlRow& row : *rows) {
    events.push_back({row.Int(0), app_uid, static_cast<int>(row.Int(1)), row.Text(2)});
  }
  return events;
}

std::vector<PushEvent> PushHub::Wait(const std::string& app_uid, int64_t after,
                                     std::chrono::milliseconds timeout, size_t limit) {
  {
    std::unique_lock lock(mutex_);
    const bool ready = changed_.wait_for(
        lock, timeout, [&] { return shutdown_ || LatestIdLocked(app_uid) > after; });
    if (!ready || shutdown_) return {};
  }
  auto events = EventsAfter(app_uid, after, limit);
  if (events.empty()) {
    // The announced event was rolled back with its transaction; forget it, or every later wait
    // would return at once.
    std::lock_guard lock(mutex_);
    latest_.erase(app_uid);
    LatestIdLocked(app_uid);
  }
  return events;
}

void PushHub::Shutdown() {
  {
    std::lock_guard lock(mutex_);
    shutdown_ = true;
  }
  changed_.notify_all();
}

bool PushHub::shutting_down() const {
  std::lock_guard lock(mutex_);
  return shutdown_;
}

}  // namespace qr_backend
