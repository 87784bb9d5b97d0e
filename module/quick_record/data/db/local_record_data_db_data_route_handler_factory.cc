#include "module/quick_record/data/db/local_record_data_db_data_route_handler_factory.h"

#include <unordered_map>

#include "host/base/datarouter/default_db_request_handler.h"
#include "module/quick_record/data/db/local_record_data_db_sqlite_open_helper.h"
#include "module/quick_record/data/db/local_record_data_handlers.h"
#include "module/quick_record/data/db/local_record_data_uris.h"
#include "module/quick_record/data/db/local_record_red_dot_handlers.h"

namespace quick_record {

namespace uri = local_record_uri;
using Function = KOVANI_DATA_ROUTE::DefaultDBRequestHandler::HandlerFunction;
using Data = LocalRecordDataHandlers;
using RedDot = LocalRecordRedDotHandlers;

namespace {

const std::unordered_map<std::string, Function>& HandlerTable() {
  // Built once; a function-local static is initialised thread-safely.
  static const std::unordered_map<std::string, Function> table = {
      {uri::kSaveOrUpdateLocalData, &Data::SaveOrUpdateLocalData},
      {uri::kQueryLocalRecordDataList, &Data::QueryLocalRecordDataList},
      {uri::kUpdateLocalDataColumns, &Data::UpdateLocalDataColumns},
      {uri::kDeleteLocalRecordDataByKeyId, &Data::DeleteLocalRecordDataByKeyId},
      {uri::kBatchDeleteLocalRecordDataByKeyId, &Data::BatchDeleteLocalRecordDataByKeyId},
      {uri::kQueryLocalRecordDataPaths, &Data::QueryLocalRecordDataPaths},
      {uri::kQueryLocalRecordDataPathsByRecordId, &Data::QueryLocalRecordDataPathsByRecordId},
      {uri::kQueryLocalRecordDataPathsByKeyId, &Data::QueryLocalRecordDataPathsByKeyId},
      {uri::kQueryLocalRecordDataListByStartTime, &Data::QueryLocalRecordDataListByStartTime},
      {uri::kQueryLocalRecordDataListByUpdateTime, &Data::QueryLocalRecordDataListByUpdateTime},
      {uri::kGetMeetingId, &Data::GetMeetingId},
      {uri::kGetMeetingRecordList, &Data::GetMeetingRecordList},
      {uri::kGetLocalRecordQuantity, &Data::GetLocalRecordQuantity},
      {uri::kQueryLocalRecordDataListByVisitedTime, &Data::QueryLocalRecordDataListByVisitedTime},
      {uri::kQueryLocalRecordDataListByInstanceIds, &Data::QueryLocalRecordDataListByInstanceIds},
      {uri::kUpdateMultiLocalRecordDataShowRedPoint, &Data::UpdateMultiLocalRecordDataShowRedPoint},
      {uri::kQueryLocalRecordDatas, &Data::QueryLocalRecordDatas},
      {uri::kQuerySyncStatus, &RedDot::QuerySyncStatus},
      {uri::kUpdateSyncStatus, &RedDot::UpdateSyncStatus},
      {uri::kSaveOrUpdateLocalRecordRedDotData, &RedDot::SaveOrUpdateLocalRecordRedDotData},
      {uri::kDeleteLocalRecordRedDotData, &RedDot::DeleteLocalRecordRedDotData},
      {uri::kDeleteAllFinishedLocalRecordRedDotData, &RedDot::DeleteAllFinishedLocalRecordRedDotData},
      {uri::kQueryLocalRecordRedDotDataNum, &RedDot::QueryLocalRecordRedDotDataNum},
      {uri::kQueryLocalRecordRedDotDatas, &RedDot::QueryLocalRecordRedDotDatas},
  };
  return table;
}

}  // namespace

LocalRecordDataDBDataRouteHandlerFactory::LocalRecordDataDBDataRouteHandlerFactory(std::string directory)
    : directory_(std::move(directory)) {}

void LocalRecordDataDBDataRouteHandlerFactory::Init() {
  LocalRecordDataDBSQLiteOpenHelper helper(directory_);
  helper.CreateDB();
  db_ = helper.GetDatabase();
}

std::shared_ptr<base::datarouter::DataRouter::Handler> LocalRecordDataDBDataRouteHandlerFactory::CreateHandler(
    const std::shared_ptr<base::datarouter::DataRouteRequestPacket>& request) {
  if (!request) return nullptr;
  const auto& table = HandlerTable();
  const auto found = table.find(request->uri());
  if (found == table.end()) return nullptr;
  return KOVANI_DATA_ROUTE::DefaultDBRequestHandler::Create(request, std::weak_ptr(db_), found->second);
}

}  // namespace quick_record
