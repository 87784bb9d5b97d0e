#pragma once

#include <functional>
#include <memory>
#include <string>

#include "host/base/datarouter/data_router.h"

namespace base::datarouter {

// One request to a data router, sent once.
class DataRouterRequest : public std::enable_shared_from_this<DataRouterRequest> {
 public:
  using Callback = std::function<void(const std::shared_ptr<DataRouterRequest>& request,
                                      const std::shared_ptr<DataRouteResponsePacket>& response)>;

  DataRouterRequest(std::shared_ptr<DataRouter> router, std::shared_ptr<DataRouteRequestPacket> packet);

  const std::shared_ptr<DataRouteRequestPacket>& packet() const { return packet_; }
  const std::string& uri() const { return packet_->uri(); }

  // Sends the request; `callback` runs exactly once, as a task of the sending thread's looper
  // (the main looper when that thread has none) — also when there is no router. A request is
  // sent at most once: a second call answers false and sends nothing.
  bool SendAsync(Callback callback);

 private:
  std::shared_ptr<DataRouter> router_;
  const std::shared_ptr<DataRouteRequestPacket> packet_;
  bool sent_ = false;
};

std::shared_ptr<DataRouterRequest> CreateDataRouterRequest(std::shared_ptr<DataRouter> router, std::string uri,
                                                           base::variant::Variant request_object);

template <typename T>
std::shared_ptr<DataRouterRequest> CreateDataRouterRequest(std::shared_ptr<DataRouter> router, std::string uri,
                                                           std::shared_ptr<T> request_object) {
  return CreateDataRouterRequest(std::move(router), std::move(uri),
                                 base::variant::Variant::FromShared(std::move(request_object)));
}

}  // namespace base::datarouter
