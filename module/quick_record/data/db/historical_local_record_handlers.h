#pragma once

#include <memory>
#include <vector>

#include "host/base/database/sqlite_database.h"
#include "host/base/datarouter/data_route_packet.h"

namespace quick_record {

// The handlers of the host's meeting-history databases, one per data-route URI. `dbs` is the
// factory's list: the current history ("historical_meetings_new") first, then the older file when
// it exists; each is null when gone. Meetings are read from and patched in the first database
// that holds the table "historical_meetings_new"; a history without that table holds no meetings.
class HistoricalLocalRecordHandlers {
 public:
  using Request = std::shared_ptr<base::datarouter::DataRouteRequestPacket>;
  using Dbs = std::vector<std::shared_ptr<base::database::SQLiteDatabase>>;
  using Response = std::shared_ptr<base::datarouter::DataRouteResponsePacket>;

  static void QueryHistoricalLocalRecordDataList(const Request& request, const Dbs& dbs, const Response& response);
  static void QueryHistoricalLocalRecordDetails(const Request& request, const Dbs& dbs, const Response& response);
  static void DeleteLocalRecordInfo(const Request& request, const Dbs& dbs, const Response& response);
  static void BatchDeleteLocalRecordInfo(const Request& request, const Dbs& dbs, const Response& response);
  // The user_version of the last database of the list: the older history when it exists. The
  // host's meeting history stores 100 there once it has moved those meetings over.
  static void OldGetMigrateState(const Request& request, const Dbs& dbs, const Response& response);
  static void QueryHistoricalLocalRecordNum(const Request& request, const Dbs& dbs, const Response& response);
  static void QueryHistoricalLocalRecordDatas(const Request& request, const Dbs& dbs, const Response& response);
};

}  // namespace quick_record
