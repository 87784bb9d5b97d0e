#include "module/quick_record/data/db/historical_local_record_data_db_data_route_handler_factory.h"

#include <unordered_map>

#include "host/base/datarouter/default_db_request_handler.h"
#include "host/base/logging/logger.h"
#include "host/base/threading/clock.h"
#include "host/sdk/kovani_common/analytics.h"
#include "host/util/crypto.h"
#include "host/util/file.h"
#include "module/quick_record/data/db/historical_local_record_handlers.h"
#include "module/quick_record/data/db/local_record_data_uris.h"

namespace quick_record {

namespace uri = local_record_uri;
using Function = KOVANI_DATA_ROUTE::DefaultDBRequestHandler::MultiHandlerFunction;
using History = HistoricalLocalRecordHandlers;

namespace {

constexpr char kNewHistory[] = "historical_meetings_new";
constexpr char kOldHistory[] = "historical_meetings";

const std::unordered_map<std::string, Function>& HandlerTable() {
  static const std::unordered_map<std::string, Function> table = {
      {uri::kQueryHistoricalLocalRecordDataList, &History::QueryHistoricalLocalRecordDataList},
      {uri::kQueryHistoricalLocalRecordDetails, &History::QueryHistoricalLocalRecordDetails},
      {uri::kDeleteLocalRecordInfo, &History::DeleteLocalRecordInfo},
      {uri::kBatchDeleteLocalRecordInfo, &History::BatchDeleteLocalRecordInfo},
      {uri::kOldGetMigrateState, &History::OldGetMigrateState},
      {uri::kQueryHistoricalLocalRecordNum, &History::QueryHistoricalLocalRecordNum},
      {uri::kQueryHistoricalLocalRecordDatas, &History::QueryHistoricalLocalRecordDatas},
  };
  return table;
}

}  // namespace

HistoricalLocalRecordDataDBDataRouteHandlerFactory::HistoricalLocalRecordDataDBDataRouteHandlerFactory(
    std::string directory)
    : directory_(directory.empty() || directory.back() == '/' ? directory : directory + "/") {}

std::shared_ptr<base::database::SQLiteDatabase> HistoricalLocalRecordDataDBDataRouteHandlerFactory::OpenHistory(
    const std::string& name, bool create) {
  const std::string md5_name = util::crypto::Md5(name) + ".db";
  const std::string path = directory_ + md5_name;
  if (!util::file::IsFileExist(path)) {
    if (!create) return nullptr;
    KLOG(6) << "Not exist history db, will create it.";
  }
  const int64_t start_ms = base::clock::SteadyMs();
  auto db = base::database::OpenOrCreateDatabase(path);
  kovani_common::utils::analytics::LogEventWithProperties(
      "e#meetlog_db_open_time_cost",
      {{"cost_time", std::to_string(base::clock::SteadyMs() - start_ms)}, {"db_name", name}});
  if (!db) KLOG(1) << "hmKP:OpenOrCreate error,db_path:" << path;
  KLOG(db ? 6 : 1) << "hmKP:OpenOrCreateDB: db_name = " << name << ",md5_name:" << md5_name
                   << ", success = " << (db != nullptr);
  return db;
}

void HistoricalLocalRecordDataDBDataRouteHandlerFactory::Init() {
  util::file::MakePath(directory_);
  if (auto db = OpenHistory(kNewHistory, true)) dbs_.push_back(std::move(db));
  if (auto db = OpenHistory(kOldHistory, false)) dbs_.push_back(std::move(db));
}

std::shared_ptr<base::datarouter::DataRouter::Handler>
HistoricalLocalRecordDataDBDataRouteHandlerFactory::CreateHandler(
    const std::shared_ptr<base::datarouter::DataRouteRequestPacket>& request) {
  if (!request) return nullptr;
  const auto& table = HandlerTable();
  const auto found = table.find(request->uri());
  if (found == table.end()) return nullptr;
  return KOVANI_DATA_ROUTE::DefaultDBRequestHandler::Create(
      request, std::vector<std::weak_ptr<base::database::SQLiteDatabase>>(dbs_.begin(), dbs_.end()), found->second);
}

}  // namespace quick_record
