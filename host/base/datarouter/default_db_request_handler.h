#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "host/base/database/sqlite_database.h"
#include "host/base/datarouter/data_router.h"

namespace KOVANI_DATA_ROUTE {

using base::database::SQLiteDatabase;
using base::datarouter::DataRouteRequestPacket;
using base::datarouter::DataRouteResponsePacket;

// A data-route handler that runs one function against a database. The handler holds the
// database weakly and locks it only for the run of one request; a database that is gone reaches
// the function as null, so the function decides how to answer.
class DefaultDBRequestHandler : public base::datarouter::DataRouter::Handler {
 public:
  using HandlerFunction = std::function<void(const std::shared_ptr<DataRouteRequestPacket>& request,
                                             const std::shared_ptr<SQLiteDatabase>& db,
                                             const std::shared_ptr<DataRouteResponsePacket>& response)>;
  // For handlers that work on several databases (each null when gone), in the order given.
  using MultiHandlerFunction = std::function<void(const std::shared_ptr<DataRouteRequestPacket>& request,
                                                  const std::vector<std::shared_ptr<SQLiteDatabase>>& dbs,
                                                  const std::shared_ptr<DataRouteResponsePacket>& response)>;

  static std::shared_ptr<DefaultDBRequestHandler> Create(std::shared_ptr<DataRouteRequestPacket> request,
                                                         std::weak_ptr<SQLiteDatabase> db, HandlerFunction function);
  static std::shared_ptr<DefaultDBRequestHandler> Create(std::shared_ptr<DataRouteRequestPacket> request,
                                                         std::vector<std::weak_ptr<SQLiteDatabase>> dbs,
                                                         MultiHandlerFunction function);

  DefaultDBRequestHandler(std::shared_ptr<DataRouteRequestPacket> request,
                          std::vector<std::weak_ptr<SQLiteDatabase>> dbs, MultiHandlerFunction function);

  void Handle(const std::shared_ptr<DataRouteResponsePacket>& response) override;

 private:
  const std::shared_ptr<DataRouteRequestPacket> request_;
  const std::vector<std::weak_ptr<SQLiteDatabase>> dbs_;
  const MultiHandlerFunction function_;
};

}  // namespace KOVANI_DATA_ROUTE
