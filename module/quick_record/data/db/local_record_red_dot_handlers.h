#pragma once

#include <memory>

#include "host/base/database/sqlite_database.h"
#include "host/base/datarouter/data_route_packet.h"

namespace quick_record {

// The handlers of the "local_record_red_dot" and "sync_record" tables, one per data-route URI;
// the same contract as LocalRecordDataHandlers.
class LocalRecordRedDotHandlers {
 public:
  using Request = std::shared_ptr<base::datarouter::DataRouteRequestPacket>;
  using Db = std::shared_ptr<base::database::SQLiteDatabase>;
  using Response = std::shared_ptr<base::datarouter::DataRouteResponsePacket>;

  static void QuerySyncStatus(const Request& request, const Db& db, const Response& response);
  static void UpdateSyncStatus(const Request& request, const Db& db, const Response& response);
  static void SaveOrUpdateLocalRecordRedDotData(const Request& request, const Db& db, const Response& response);
  static void DeleteLocalRecordRedDotData(const Request& request, const Db& db, const Response& response);
  static void DeleteAllFinishedLocalRecordRedDotData(const Request& request, const Db& db, const Response& response);
  static void QueryLocalRecordRedDotDataNum(const Request& request, const Db& db, const Response& response);
  static void QueryLocalRecordRedDotDatas(const Request& request, const Db& db, const Response& response);
};

}  // namespace quick_record
