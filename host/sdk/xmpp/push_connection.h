#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "host/base/xmpp/stanza.h"
#include "host/sdk/xmpp/reconnect_backoff.h"

namespace base::net {
class HttpEngine;
}

namespace KOVANI_SIGNAL {


// The long-lived push stream of the signed-in user: a signed GET of "/v2/push/stream" whose answer
// never ends and carries one stanza per line (docs/backend.md). Stanzas go to `on_stanza` on the
// main looper. When the stream ends, breaks, is refused or stays silent for idle_timeout_ms, it is
// opened again after a back-off delay, asking for the events after the last stanza id it saw, so
// events published while it was down are not lost. Start and Stop on the main looper.
class PushConnection : public std::enable_shared_from_this<PushConnection> {
 public:
  struct Options {
    std::string path = "/v2/push/stream";
    int64_t initial_backoff_ms = 1000;
    int64_t max_backoff_ms = 60000;
    // The back end sends a heartbeat every 5 s by default; three missed ones mean a dead link.
    int64_t idle_timeout_ms = 20000;
  };
  using StanzaCallback = std::function<void(const base::xmpp::Stanza& stanza)>;

  PushConnection(Options options, StanzaCallback on_stanza);
  ~PushConnection();

  // Opens the stream (again and again) until Stop. Without a signed-in account or a configured
  // back end it keeps retrying on the back-off schedule.
  void Start();
  void Stop();
  // Opens a new stream at once, starting at the present (after an account change: the events
  // seen so far were another user's).
  void Restart();

  bool running() const { return running_; }
  // True from the stream's first line (the subscription is live) until it ends.
  bool connected() const { return connected_; }
  // How many times a stream was opened.
  int connect_count() const { return connect_count_; }

 private:
  void Connect();
  void OnFirstLine(uint64_t generation);
  void OnStreamEnded(uint64_t generation, const std::string& why);
  void ScheduleReconnect(uint64_t generation);
  void CheckIdle(uint64_t generation);
  struct StreamState;
  // Runs `task` on the main looper if the connection still exists then.
  static void PostToMain(const std::weak_ptr<PushConnection>& weak, std::function<void(PushConnection&)> task,
                         int64_t delay_ms = 0);

  const Options options_;
  StanzaCallback on_stanza_;
  ReconnectBackoff backoff_;
  std::shared_ptr<base::net::HttpEngine> engine_;
  // Main looper only.
  bool running_ = false;
  bool connected_ = false;
  int connect_count_ = 0;
  uint64_t generation_ = 0;  // one per stream; stale callbacks compare and drop out
  uint64_t transfer_id_ = 0;
  std::string last_event_id_;
  std::shared_ptr<StreamState> current_state_;  // of the open stream
};

}  // namespace KOVANI_SIGNAL
