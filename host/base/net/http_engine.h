#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "host/base/net/http_transfer.h"

namespace base::threading {
class Looper;
}

namespace base::net {

// Runs HTTP transfers over one pool of connections (libcurl's multi interface), driven by tasks
// on the given I/O looper: every transfer, socket event and time-out is handled there, while a
// small watcher thread only waits for socket readiness. At most `max_active` transfers run at
// once; the others wait, high-priority ones first, each class in arrival order.
class HttpEngine {
 public:
  struct Options {
    size_t max_active = 8;
    int64_t max_body_bytes = int64_t{64} << 20;
  };
  using Completion = std::function<void(HttpOutcome outcome)>;

  // Null without an I/O looper or when the transport cannot be set up.
  static std::shared_ptr<HttpEngine> Create(threading::Looper* io_looper, Options options);
  static std::shared_ptr<HttpEngine> Create(threading::Looper* io_looper) {
    return Create(io_looper, Options());
  }
  virtual ~HttpEngine() = default;

  // From any thread. `done` runs exactly once: on the I/O looper, or with kCancelled on the
  // thread that destroys the engine for transfers still pending then. Returns the transfer id.
  virtual uint64_t Start(HttpTransfer transfer, Completion done) = 0;
  // From any thread: ends a queued or running transfer with kCancelled (nothing when it has
  // already completed).
  virtual void Cancel(uint64_t id) = 0;
};

}  // namespace base::net
