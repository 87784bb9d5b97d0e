#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "host/base/xmpp/stanza.h"
#include "host/sdk/xmpp/push_connection.h"

namespace KOVANI_SIGNAL {

// The push channel: subscribers by topic, fed by the signed-in user's push stream. A stanza's
// topic is the last ':'-separated part of its payload's namespace ("halvard:kovani:meetlog_push"
// belongs to "meetlog_push"). The stream is open while anyone is subscribed. Subscribe,
// unsubscribe and the deliveries happen on the main looper.
class SignalClient : public std::enable_shared_from_this<SignalClient> {
 public:
  class Subscriber {
   public:
    virtual ~Subscriber() = default;
    // One stanza of a subscribed topic.
    virtual void OnSubscriptionResult(const std::string& topic, const base::xmpp::Stanza& stanza) = 0;
  };

  // Subscriptions that end with the scope: an owner keeps one as a member, so it can never be
  // called after its destruction.
  class SubscribeScope {
   public:
    explicit SubscribeScope(std::shared_ptr<SignalClient> client) : client_(std::move(client)) {}
    ~SubscribeScope() { UnsubscribeAll(); }
    SubscribeScope(const SubscribeScope&) = delete;
    SubscribeScope& operator=(const SubscribeScope&) = delete;

    void Subscribe(const std::string& topic, Subscriber* subscriber);
    void Unsubscribe(const std::string& topic, Subscriber* subscriber);
    void UnsubscribeAll();

   private:
    std::weak_ptr<SignalClient> client_;
    std::vector<std::pair<std::string, Subscriber*>> subscriptions_;
  };

  explicit SignalClient(PushConnection::Options options = {}) : options_(std::move(options)) {}
  ~SignalClient();

  // `subscriber` is not owned; prefer a SubscribeScope.
  void Subscribe(const std::string& topic, Subscriber* subscriber);
  void Unsubscribe(const std::string& topic, Subscriber* subscriber);

  // Hands `stanza` to the subscribers of its topic (those still subscribed when their turn comes).
  void Dispatch(const base::xmpp::Stanza& stanza);
  static std::string TopicOf(const base::xmpp::Stanza& stanza);

  // The signed-in account changed: the stream is opened again for the new one.
  void OnAccountChanged();
  bool connected() const { return connection_ && connection_->connected(); }
  const std::shared_ptr<PushConnection>& connection() const { return connection_; }

 private:
  bool IsSubscribed(const std::string& topic, Subscriber* subscriber) const;

  const PushConnection::Options options_;
  mutable std::mutex mutex_;
  std::map<std::string, std::set<Subscriber*>> subscribers_;
  std::shared_ptr<PushConnection> connection_;  // main looper only
};

}  // namespace KOVANI_SIGNAL

namespace kovanisdk::utils::xmpp {

// The host's push channel (never null).
std::shared_ptr<KOVANI_SIGNAL::SignalClient> signal_client();

}  // namespace kovanisdk::utils::xmpp
