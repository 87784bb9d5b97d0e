#include "host/base/datarouter/data_router_request.h"

#include "host/base/logging/logger.h"

namespace base::datarouter {

DataRouterRequest::DataRouterRequest(std::shared_ptr<DataRouter> router, std::shared_ptr<DataRouteRequestPacket> packet)
    : router_(std::move(router)), packet_(std::move(packet)) {}

bool DataRouterRequest::SendAsync(Callback callback) {
  if (sent_ || !callback) return false;
  sent_ = true;
  threading::Looper* reply_looper = threading::LooperThread::CurrentLooper();
  if (!reply_looper) reply_looper = threading::LooperThread::MainLooper();
  if (!reply_looper) {
    KLOG(1) << "data route request without a looper to answer on, uri " << uri();
    return false;
  }
  // The request stays alive until its answer has been delivered.
  auto done = [self = shared_from_this(), callback = std::move(callback)](
                  const std::shared_ptr<DataRouteResponsePacket>& response) { callback(self, response); };
  if (!router_) {
    auto response = CreateDataRouteResponsePacket();
    response->SetError(DataRouteResponsePacket::kRouterGone, "no data router");
    reply_looper->PostTask([done = std::move(done), response] { done(response); }, FROM_HERE);
    return true;
  }
  // The router's owner keeps it alive; holding it here too would make a cycle through `done`.
  const auto router = std::move(router_);
  router->Route(packet_, std::move(done), reply_looper);
  return true;
}

std::shared_ptr<DataRouterRequest> CreateDataRouterRequest(std::shared_ptr<DataRouter> router, std::string uri,
                                                           base::variant::Variant request_object) {
  return std::make_shared<DataRouterRequest>(
      std::move(router), std::make_shared<DataRouteRequestPacket>(std::move(uri), std::move(request_object)));
}

}  // namespace base::datarouter
