#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "host/base/datarouter/data_route_packet.h"
#include "host/base/threading/looper.h"

namespace base::datarouter {

// Runs named requests (URIs) against the handlers that factories create for them, on one looper,
// one request at a time in the order the router received them. Every request is answered exactly
// once on the looper its sender chose: with the handler's response, or with a failure when no
// factory knows the URI (kNoHandler) or the router is destroyed first (kRouterGone).
class DataRouter : public std::enable_shared_from_this<DataRouter> {
 public:
  // The work of one request.
  class Handler {
   public:
    virtual ~Handler() = default;
    // Runs on the router's looper; fills the response (which starts as a failure).
    virtual void Handle(const std::shared_ptr<DataRouteResponsePacket>& response) = 0;
  };

  class HandlerFactory {
   public:
    virtual ~HandlerFactory() = default;
    // Runs once on the router's looper, before the factory's first handler is asked for.
    virtual void Init() {}
    // A handler for the request, or null when this factory does not serve its URI.
    virtual std::shared_ptr<Handler> CreateHandler(const std::shared_ptr<DataRouteRequestPacket>& request) = 0;
  };

  using ResponseCallback = std::function<void(const std::shared_ptr<DataRouteResponsePacket>& response)>;

  explicit DataRouter(threading::Looper* looper);
  ~DataRouter();
  DataRouter(const DataRouter&) = delete;
  DataRouter& operator=(const DataRouter&) = delete;

  threading::Looper* looper() const { return looper_; }

  // Factories are asked in the order they were added; the first handler wins.
  void AddFactory(std::shared_ptr<HandlerFactory> factory);
  void RemoveFactory(const std::shared_ptr<HandlerFactory>& factory);

  // Queues the request; `done` runs exactly once, as a task of `reply_looper`.
  void Route(std::shared_ptr<DataRouteRequestPacket> request, ResponseCallback done, threading::Looper* reply_looper);

 private:
  struct FactoryEntry {
    std::shared_ptr<HandlerFactory> factory;
    bool initialized = false;  // touched on the router's looper only
  };
  struct Pending {
    std::shared_ptr<DataRouteRequestPacket> request;
    ResponseCallback done;
    threading::Looper* reply_looper;
  };

  void RunNext();
  std::shared_ptr<DataRouteResponsePacket> Dispatch(const std::shared_ptr<DataRouteRequestPacket>& request);
  static void Deliver(Pending pending, std::shared_ptr<DataRouteResponsePacket> response);

  threading::Looper* const looper_;
  std::mutex mutex_;
  std::vector<std::shared_ptr<FactoryEntry>> factories_;
  std::deque<Pending> pending_;
};

std::shared_ptr<DataRouter> CreateDataRouter(threading::Looper* looper);

// Keeps a handler factory serving a router for the lifetime of this object.
class DataRouteService {
 public:
  DataRouteService(std::shared_ptr<DataRouter> router, std::shared_ptr<DataRouter::HandlerFactory> factory);
  ~DataRouteService();
  DataRouteService(const DataRouteService&) = delete;
  DataRouteService& operator=(const DataRouteService&) = delete;

 private:
  std::shared_ptr<DataRouter> router_;
  std::shared_ptr<DataRouter::HandlerFactory> factory_;
};

}  // namespace base::datarouter
