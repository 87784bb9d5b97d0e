#include "host/sdk/xmpp/signal_client.h"

#include <algorithm>

#include "host/base/logging/logger.h"

namespace KOVANI_SIGNAL {

void SignalClient::SubscribeScope::Subscribe(const std::string& topic, Subscriber* subscriber) {
  auto client = client_.lock();
  if (!client || !subscriber) return;
  client->Subscribe(topic, subscriber);
  subscriptions_.emplace_back(topic, subscriber);
}

void SignalClient::SubscribeScope::Unsubscribe(const std::string& topic, Subscriber* subscriber) {
  auto it = std::find(subscriptions_.begin(), subscriptions_.end(), std::make_pair(topic, subscriber));
  if (it == subscriptions_.end()) return;
  subscriptions_.erase(it);
  if (auto client = client_.lock()) client->Unsubscribe(topic, subscriber);
}

void SignalClient::SubscribeScope::UnsubscribeAll() {
  auto client = client_.lock();
  for (const auto& [topic, subscriber] : subscriptions_) {
    if (client) client->Unsubscribe(topic, subscriber);
  }
  subscriptions_.clear();
}

SignalClient::~SignalClient() {
  if (connection_) connection_->Stop();
}

void SignalClient::Subscribe(const std::string& topic, Subscriber* subscriber) {
  if (!subscriber) return;
  {
    std::lock_guard lock(mutex_);
    subscribers_[topic].insert(subscriber);
  }
  if (!connection_) {
    std::weak_ptr<SignalClient> weak = weak_from_this();
    connection_ = std::make_shared<PushConnection>(options_, [weak](const base::xmpp::Stanza& stanza) {
      if (auto self = weak.lock()) self->Dispatch(stanza);
    });
  }
  connection_->Start();
}

void SignalClient::Unsubscribe(const std::string& topic, Subscriber* subscriber) {
  bool anyone_left;
  {
    std::lock_guard lock(mutex_);
    auto it = subscribers_.find(topic);
    if (it != subscribers_.end()) {
      it->second.erase(subscriber);
      if (it->second.empty()) subscribers_.erase(it);
    }
    anyone_left = !subscribers_.empty();
  }
  if (!anyone_left && connection_) connection_->Stop();
}

bool SignalClient::IsSubscribed(const std::string& topic, Subscriber* subscriber) const {
  std::lock_guard lock(mutex_);
  auto it = subscribers_.find(topic);
  return it != subscribers_.end() && it->second.count(subscriber) > 0;
}

std::string SignalClient::TopicOf(const base::xmpp::Stanza& stanza) {
  const std::string xmlns = stanza.Payload().Xmlns();
  const size_t colon = xmlns.rfind(':');
  return colon == std::string::npos ? xmlns : xmlns.substr(colon + 1);
}

void SignalClient::Dispatch(const base::xmpp::Stanza& stanza) {
  const std::string topic = TopicOf(stanza);
  std::set<Subscriber*> subscribers;
  {
    std::lock_guard lock(mutex_);
    auto it = subscribers_.find(topic);
    if (it != subscribers_.end()) subscribers = it->second;
  }
  if (subscribers.empty()) {
    KLOG(6) << "push: no subscriber for topic \"" << topic << "\", stanza " << stanza.Id() << " dropped";
    return;
  }
  for (Subscriber* subscriber : subscribers) {
    // An earlier subscriber may have removed this one.
    if (IsSubscribed(topic, subscriber)) subscriber->OnSubscriptionResult(topic, stanza);
  }
}

void SignalClient::OnAccountChanged() {
  if (connection_) connection_->Restart();
}

}  // namespace KOVANI_SIGNAL

namespace kovanisdk::utils::xmpp {

std::shared_ptr<KOVANI_SIGNAL::SignalClient> signal_client() {
  static auto* client = new std::shared_ptr<KOVANI_SIGNAL::SignalClient>(std::make_shared<KOVANI_SIGNAL::SignalClient>());
  return *client;
}

}  // namespace kovanisdk::utils::xmpp
