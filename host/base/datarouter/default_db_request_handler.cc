#include "host/base/datarouter/default_db_request_handler.h"

namespace KOVANI_DATA_ROUTE {

std::shared_ptr<DefaultDBRequestHandler> DefaultDBRequestHandler::Create(std::shared_ptr<DataRouteRequestPacket> request,
                                                                         std::weak_ptr<SQLiteDatabase> db,
                                                                         HandlerFunction function) {
  if (!function) return nullptr;
  return Create(std::move(request), std::vector<std::weak_ptr<SQLiteDatabase>>{std::move(db)},
                [function = std::move(function)](const std::shared_ptr<DataRouteRequestPacket>& request,
                                                 const std::vector<std::shared_ptr<SQLiteDatabase>>& dbs,
                                                 const std::shared_ptr<DataRouteResponsePacket>& response) {
                  function(request, dbs.front(), response);
                });
}

std::shared_ptr<DefaultDBRequestHandler> DefaultDBRequestHandler::Create(std::shared_ptr<DataRouteRequestPacket> request,
                                                                         std::vector<std::weak_ptr<SQLiteDatabase>> dbs,
                                                                         MultiHandlerFunction function) {
  if (!function) return nullptr;
  return std::make_shared<DefaultDBRequestHandler>(std::move(request), std::move(dbs), std::move(function));
}

DefaultDBRequestHandler::DefaultDBRequestHandler(std::shared_ptr<DataRouteRequestPacket> request,
                                                 std::vector<std::weak_ptr<SQLiteDatabase>> dbs,
                                                 MultiHandlerFunction function)
    : request_(std::move(request)), dbs_(std::move(dbs)), function_(std::move(function)) {}

void DefaultDBRequestHandler::Handle(const std::shared_ptr<DataRouteResponsePacket>& response) {
  std::vector<std::shared_ptr<SQLiteDatabase>> locked;
  locked.reserve(dbs_.size());
  for (const auto& db : dbs_) locked.push_back(db.lock());
  function_(request_, locked, response);
}

}  // namespace KOVANI_DATA_ROUTE
