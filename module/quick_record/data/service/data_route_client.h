#pragma once

#include <functional>
#include <memory>
#include <string>

#include "host/base/datarouter/data_router.h"
#include "host/base/datarouter/data_router_request.h"
#include "host/base/logging/logger.h"

namespace quick_record {

// The outcome of one data-route request as a service's completion receives it.
struct RouterResult {
  bool success = false;
  std::shared_ptr<base::datarouter::DataRouteResponsePacket> response;

  // The typed answer the handler put into the response; null on failure or for another type.
  template <typename T>
  std::shared_ptr<T> Object() const {
    return success && response ? response->Object<T>() : nullptr;
  }
};

// One data router on a looper with one handler factory serving it, and the sending of typed
// requests to it. Each request is answered once, on the looper of the thread that sent it, unless
// the client is gone by then ("hmKP: this* is null" is logged and nothing is called).
class DataRouteClient : public std::enable_shared_from_this<DataRouteClient> {
 public:
  using Completion = std::function<void(const RouterResult& result)>;

  static std::shared_ptr<DataRouteClient> Create(base::threading::Looper* looper,
                                                 std::shared_ptr<base::datarouter::DataRouter::HandlerFactory> factory);

  template <typename Request>
  void RunDataRouterRequest(const std::string& uri, std::shared_ptr<Request> request, Completion done) {
    auto router_request = base::datarouter::CreateDataRouterRequest(router_, uri, std::move(request));
    std::weak_ptr<DataRouteClient> weak = weak_from_this();
    router_request->SendAsync(
        [weak, done = std::move(done)](const std::shared_ptr<base::datarouter::DataRouterRequest>&,
                                       const std::shared_ptr<base::datarouter::DataRouteResponsePacket>& response) {
          if (!weak.lock()) {
            KLOG(3) << "hmKP: this* is null";
            return;
          }
          done(RouterResult{response && response->success(), response});
        });
  }

 private:
  DataRouteClient(std::shared_ptr<base::datarouter::DataRouter> router,
                  std::shared_ptr<base::datarouter::DataRouter::HandlerFactory> factory);

  std::shared_ptr<base::datarouter::DataRouter> router_;
  base::datarouter::DataRouteService route_service_;
};

}  // namespace quick_record
