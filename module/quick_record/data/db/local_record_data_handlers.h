#pragma once

#include <memory>

#include "host/base/database/sqlite_database.h"
#include "host/base/datarouter/data_route_packet.h"

namespace quick_record {

// The handlers of the "local_record_data" table, one per data-route URI. Each reads its typed
// request (local_record_data_types.h), runs its SQL on the database and answers through the
// response, which stays a failure unless the handler succeeds. They run on the data router's
// looper, one at a time; `db` is null when the database is not open.
class LocalRecordDataHandlers {
 public:
  using Request = std::shared_ptr<base::datarouter::DataRouteRequestPacket>;
  using Db = std::shared_ptr<base::database::SQLiteDatabase>;
  using Response = std::shared_ptr<base::datarouter::DataRouteResponsePacket>;

  static void SaveOrUpdateLocalData(const Request& request, const Db& db, const Response& response);
  static void QueryLocalRecordDataList(const Request& request, const Db& db, const Response& response);
  static void UpdateLocalDataColumns(const Request& request, const Db& db, const Response& response);
  static void DeleteLocalRecordDataByKeyId(const Request& request, const Db& db, const Response& response);
  static void BatchDeleteLocalRecordDataByKeyId(const Request& request, const Db& db, const Response& response);
  static void QueryLocalRecordDataPaths(const Request& request, const Db& db, const Response& response);
  static void QueryLocalRecordDataPathsByRecordId(const Request& request, const Db& db, const Response& response);
  static void QueryLocalRecordDataPathsByKeyId(const Request& request, const Db& db, const Response& response);
  static void QueryLocalRecordDataListByStartTime(const Request& request, const Db& db, const Response& response);
  static void QueryLocalRecordDataListByUpdateTime(const Request& request, const Db& db, const Response& response);
  static void GetMeetingId(const Request& request, const Db& db, const Response& response);
  static void GetMeetingRecordList(const Request& request, const Db& db, const Response& response);
  static void GetLocalRecordQuantity(const Request& request, const Db& db, const Response& response);
  static void QueryLocalRecordDataListByVisitedTime(const Request& request, const Db& db, const Response& response);
  static void QueryLocalRecordDataListByInstanceIds(const Request& request, const Db& db, const Response& response);
  static void UpdateMultiLocalRecordDataShowRedPoint(const Request& request, const Db& db, const Response& response);
  static void QueryLocalRecordDatas(const Request& request, const Db& db, const Response& response);
};

}  // namespace quick_record
