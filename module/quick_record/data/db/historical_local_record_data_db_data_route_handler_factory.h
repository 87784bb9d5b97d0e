#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/base/database/sqlite_database.h"
#include "host/base/datarouter/data_router.h"

namespace quick_record {

// Serves the 7 URIs of the host's meeting-history databases in a database directory. Init (on
// the router's looper) opens "historical_meetings_new", creating the file when missing, and
// "historical_meetings" when it exists.
class HistoricalLocalRecordDataDBDataRouteHandlerFactory : public base::datarouter::DataRouter::HandlerFactory {
 public:
  explicit HistoricalLocalRecordDataDBDataRouteHandlerFactory(std::string directory);

  void Init() override;
  std::shared_ptr<base::datarouter::DataRouter::Handler> CreateHandler(
      const std::shared_ptr<base::datarouter::DataRouteRequestPacket>& request) override;

 private:
  // Opens one history file with the open-time event; null when it cannot be opened.
  std::shared_ptr<base::database::SQLiteDatabase> OpenHistory(const std::string& name, bool create);

  const std::string directory_;
  std::vector<std::shared_ptr<base::database::SQLiteDatabase>> dbs_;  // touched on the router's looper only
};

}  // namespace quick_record
