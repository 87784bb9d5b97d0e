#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace kovanisdk {

// Told when the signature of a key has been replaced. Called on the main looper.
class ISignatureServiceDelegate {
 public:
  virtual ~ISignatureServiceDelegate() = default;
  virtual void OnUpdateSignature(const std::string& key) = 0;
};

}  // namespace kovanisdk

namespace kovanisdk::utils::service {

// Upload signatures by key (the module asks for "W11"), derived from the signed-in account:
//   "QR-HMAC-SHA256 key=<key>;app_uid=<uid>;expires=<unix s>;signature=<hex>"
//   signature = hex(HMAC-SHA256(account secret,
//                    "upload-signature\n" key "\n" app_id "\n" app_uid "\n" expires))
// A signature is valid for kValiditySeconds of server time. It is replaced when a caller asks
// with renew_if_expiring within kRenewAheadSeconds of its expiry, and when the account changes
// (OnAccountChanged, or noticed at the next GetSignature); each replacement is announced to the
// delegates with OnUpdateSignature(key) on the main looper.
class SignatureService : public std::enable_shared_from_this<SignatureService> {
 public:
  static constexpr int64_t kValiditySeconds = 24 * 3600;
  static constexpr int64_t kRenewAheadSeconds = 3600;

  // Delegates are not owned; remove one before it is destroyed. A delegate removed before a
  // pending announcement runs does not hear it.
  void AddDelegate(ISignatureServiceDelegate* delegate);
  void RemoveDelegate(ISignatureServiceDelegate* delegate);

  // The signature text of `key`; empty when nobody is signed in.
  // `create_if_missing`: derive one when the key has none yet (otherwise answer empty).
  // `renew_if_expiring`: replace one that expires within kRenewAheadSeconds (and announce it).
  std::string GetSignature(const std::string& key, bool create_if_missing, bool renew_if_expiring);

  // The signed-in account has changed: every key asked for so far gets a signature of the new
  // account (none when signed out) and is announced.
  void OnAccountChanged();

 private:
  struct Signed {
    std::string text;
    int64_t expires = 0;  // server time, seconds
  };
  // Who the held signatures belong to: app id, app uid and a digest of the secret.
  static std::string AccountIdentity();
  // Derives `key`'s signature for the signed-in account; false (and none held) when nobody is
  // signed in. With mutex_ held.
  bool DeriveLocked(const std::string& key);
  // Re-derives every held key for the current account; answers the keys. With mutex_ held.
  std::vector<std::string> SwitchAccountLocked();
  void Announce(const std::vector<std::string>& keys);

  std::mutex mutex_;
  std::string identity_;
  std::map<std::string, Signed> signatures_;
  std::set<ISignatureServiceDelegate*> delegates_;
};

// The host's signature service (never null).
std::shared_ptr<SignatureService> GetSignatureService();

}  // namespace kovanisdk::utils::service
