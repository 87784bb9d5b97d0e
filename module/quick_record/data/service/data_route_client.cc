#include "module/quick_record/data/service/data_route_client.h"

namespace quick_record {

std::shared_ptr<DataRouteClient> DataRouteClient::Create(
    base::threading::Looper* looper, std::shared_ptr<base::datarouter::DataRouter::HandlerFactory> factory) {
  return std::shared_ptr<DataRouteClient>(
      new DataRouteClient(base::datarouter::CreateDataRouter(looper), std::move(factory)));
}

DataRouteClient::DataRouteClient(std::shared_ptr<base::datarouter::DataRouter> router,
                                 std::shared_ptr<base::datarouter::DataRouter::HandlerFactory> factory)
    : router_(router), route_service_(std::move(router), std::move(factory)) {}

}  // namespace quick_record
