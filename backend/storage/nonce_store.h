#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace qr_backend {

class Database;

// Nonces of accepted requests per user, kept on disk so that a replay is refused across a
// restart too. A nonce is remembered for kWindowSeconds, which covers the whole ±300 s window in
// which its timestamp is accepted.
class NonceStore {
 public:
  static constexpr int64_t kWindowSeconds = 600;

  explicit NonceStore(Database& db) : db_(db) {}

  enum class Outcome { kFresh, kReplayed, kStorageError };

  // Records the nonce at `now`; kReplayed when the user sent it less than kWindowSeconds ago.
  Outcome Remember(const std::string& app_uid, const std::string& nonce, int64_t now);

 private:
  Database& db_;
  std::atomic<int64_t> last_prune_{0};
};

}  // namespace qr_backend
