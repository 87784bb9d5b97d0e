#pragma once

#include <memory>
#include <string>

#include "host/base/database/sqlite_database.h"
#include "host/base/datarouter/data_router.h"

namespace quick_record {

// Serves the 24 URIs of the local record database. Init (on the router's looper) opens the
// database; when that fails the factory keeps no database and every handler answers failure.
class LocalRecordDataDBDataRouteHandlerFactory : public base::datarouter::DataRouter::HandlerFactory {
 public:
  explicit LocalRecordDataDBDataRouteHandlerFactory(std::string directory);

  void Init() override;
  // Null for a URI this factory does not serve.
  std::shared_ptr<base::datarouter::DataRouter::Handler> CreateHandler(
      const std::shared_ptr<base::datarouter::DataRouteRequestPacket>& request) override;

 private:
  const std::string directory_;
  std::shared_ptr<base::database::SQLiteDatabase> db_;  // touched on the router's looper only
};

}  // namespace quick_record
