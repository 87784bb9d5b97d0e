#include "storage/nonce_store.h"

#include "common/database.h"

namespace qr_backend {

NonceStore::Outcome NonceStore::Remember(const std::string& app_uid, const std::string& nonce,
                                         int64_t now) {
  // Expired nonces are swept at most once a minute; until then the age test below ignores them.
  int64_t last = last_prune_.load();
  if (now - last >= 60 && last_prune_.compare_exchange_strong(last, now)) {
    db_.Exec("DELETE FROM nonces WHERE seen_at <= ?", {now - kWindowSeconds});
  }
  bool replayed = false;
  const bool ok = db_.Transaction([&] {
    auto rows =
        db_.Query("SELECT seen_at FROM nonces WHERE app_uid = ? AND nonce = ?", {app_uid, nonce});
    if (!rows) return false;
    replayed = !rows->empty() && now - rows->front().Int(0) < kWindowSeconds;
    return !replayed &&
           db_.Exec(
                  "INSERT INTO nonces(app_uid, nonce, seen_at) VALUES(?, ?, ?) "
                  "ON CONFLICT(app_uid, nonce) DO UPDATE SET seen_at = excluded.seen_at",
                  {app_uid, nonce, now})
               .ok;
  });
  if (replayed) return Outcome::kReplayed;
  return ok ? Outcome::kFresh : Outcome::kStorageError;
}

}  // namespace qr_backend
