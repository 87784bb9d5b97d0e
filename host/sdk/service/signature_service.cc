#include "host/sdk/service/signature_service.h"

#include "host/app/host_application.h"
#include "host/base/logging/logger.h"
#include "host/base/threading/looper.h"
#include "host/util/crypto.h"
#include "host/util/time.h"

namespace kovanisdk::utils::service {

void SignatureService::AddDelegate(ISignatureServiceDelegate* delegate) {
  if (!delegate) return;
  std::lock_guard lock(mutex_);
  delegates_.insert(delegate);
}

void SignatureService::RemoveDelegate(ISignatureServiceDelegate* delegate) {
  std::lock_guard lock(mutex_);
  delegates_.erase(delegate);
}

std::string SignatureService::AccountIdentity() {
  const auto* app = host::app::HostApplication::Current();
  if (!app || app->account().secret.empty() || app->account().app_uid.empty()) return {};
  const auto& account = app->account();
  return account.app_id + "\n" + account.app_uid + "\n" + util::crypto::Sha256Hex(account.secret);
}

bool SignatureService::DeriveLocked(const std::string& key) {
  const auto* app = host::app::HostApplication::Current();
  if (identity_.empty() || !app) {
    signatures_.erase(key);
    return false;
  }
  const auto& account = app->account();
  const int64_t expires = util::time::GetServerTimestampMsec() / 1000 + kValiditySeconds;
  const std::string message = "upload-signature\n" + key + "\n" + account.app_id + "\n" + account.app_uid +
                              "\n" + std::to_string(expires);
  Signed& held = signatures_[key];
  held.expires = expires;
  held.text = "QR-HMAC-SHA256 key=" + key + ";app_uid=" + account.app_uid + ";expires=" +
              std::to_string(expires) + ";signature=" + util::crypto::HmacSha256Hex(account.secret, message);
  return true;
}

std::vector<std::string> SignatureService::SwitchAccountLocked() {
  identity_ = AccountIdentity();
  std::vector<std::string> keys;
  for (const auto& entry : signatures_) keys.push_back(entry.first);
  for (const auto& key : keys) DeriveLocked(key);
  return keys;
}

std::string SignatureService::GetSignature(const std::string& key, bool create_if_missing,
                                           bool renew_if_expiring) {
  std::vector<std::string> replaced;
  std::string text;
  {
    std::lock_guard lock(mutex_);
    if (identity_ != AccountIdentity()) replaced = SwitchAccountLocked();
    auto it = signatures_.find(key);
    if (it == signatures_.end()) {
      if (create_if_missing && DeriveLocked(key)) it = signatures_.find(key);
    } else if (renew_if_expiring &&
               it->second.expires - util::time::GetServerTimestampMsec() / 1000 <= kRenewAheadSeconds) {
      DeriveLocked(key);
      replaced.push_back(key);
    }
    if (it != signatures_.end()) text = it->second.text;
  }
  Announce(replaced);
  return text;
}

void SignatureService::OnAccountChanged() {
  std::vector<std::string> keys;
  {
    std::lock_guard lock(mutex_);
    keys = SwitchAccountLocked();
  }
  Announce(keys);
}

void SignatureService::Announce(const std::vector<std::string>& keys) {
  base::threading::Looper* main = base::threading::LooperThread::MainLooper();
  if (keys.empty() || !main) return;
  std::weak_ptr<SignatureService> weak = weak_from_this();
  main->PostTask(
      [weak, keys] {
        auto self = weak.lock();
        if (!self) return;
        std::set<ISignatureServiceDelegate*> delegates;
        {
          std::lock_guard lock(self->mutex_);
          delegates = self->delegates_;
        }
        for (const auto& key : keys) {
          KLOG(6) << "signature of " << key << " replaced";
          for (auto* delegate : delegates) {
            bool still_there;
            {
              std::lock_guard lock(self->mutex_);
              still_there = self->delegates_.count(delegate) > 0;
            }
            if (still_there) delegate->OnUpdateSignature(key);
          }
        }
      },
      FROM_HERE);
}

std::shared_ptr<SignatureService> GetSignatureService() {
  static auto* service = new std::shared_ptr<SignatureService>(std::make_shared<SignatureService>());
  return *service;
}

}  // namespace kovanisdk::utils::service
