#include "module/quick_record/data/service/historical_local_record_data_service.h"

#include "host/sdk/kovani_common/paths.h"
#include "module/quick_record/data/db/historical_local_record_data_db_data_route_handler_factory.h"
#include "module/quick_record/data/db/local_record_data_uris.h"
#include "module/quick_record/data/service/local_record_file_utils.h"

namespace quick_record {

namespace uri = local_record_uri;

HistoricalLocalRecordDataService::HistoricalLocalRecordDataService()
    : HistoricalLocalRecordDataService(kovani_common::utils::GetDatabasePath(),
                                       base::threading::LooperThread::WorkerLooper()) {}

HistoricalLocalRecordDataService::HistoricalLocalRecordDataService(const std::string& directory,
                                                                   base::threading::Looper* looper)
    : client_(DataRouteClient::Create(
          looper, std::make_shared<HistoricalLocalRecordDataDBDataRouteHandlerFactory>(directory))) {
  KLOG(6) << "hlrKP: LocalRecordService";
}

void HistoricalLocalRecordDataService::GetDBHistoricalLocalRecordListData(
    const PluginGetHistoricalLocalRecordListReq& request, MeetingsCallback callback) {
  client_->RunDataRouterRequest(uri::kQueryHistoricalLocalRecordDataList,
                                std::make_shared<PluginGetHistoricalLocalRecordListReq>(request),
                                [callback = std::move(callback)](const RouterResult& result) {
                                  auto answer = result.Object<HistoricalLocalRecordListResp>();
                                  if (!answer) KLOG(1) << "GetDBHistoricalLocalRecordListData: error result:";
                                  callback(answer != nullptr, answer ? answer->items : decltype(answer->items){});
                                });
}

void HistoricalLocalRecordDataService::GetLocalRecordInfoFromHistoricalMeetingDb(
    const PluginQueryHistoricalLocalRecordDetailsReqInfo& request,
    std::function<void(bool, PluginQueryHistoricalLocalRecordDetailsRespInfo)> callback) {
  client_->RunDataRouterRequest(uri::kQueryHistoricalLocalRecordDetails,
                                std::make_shared<PluginQueryHistoricalLocalRecordDetailsReqInfo>(request),
                                [callback = std::move(callback)](const RouterResult& result) {
                                  auto answer = result.Object<PluginQueryHistoricalLocalRecordDetailsRespInfo>();
                                  if (!answer) KLOG(1) << "GetLocalRecordInfoFromHistoricalMeetingDb: error result:";
                                  callback(answer != nullptr,
                                           answer ? *answer : PluginQueryHistoricalLocalRecordDetailsRespInfo{});
                                });
}

void HistoricalLocalRecordDataService::GetHistoricalMeetingLocalRecordQuantity(
    const GetLocalReocrdQuantityInfo& request, std::function<void(PluginGetLocalReocrdQuantityResp)> callback) {
  client_->RunDataRouterRequest(uri::kQueryHistoricalLocalRecordNum,
                                std::make_shared<GetLocalReocrdQuantityInfo>(request),
                                [callback = std::move(callback)](const RouterResult& result) {
                                  auto answer = result.Object<PluginGetLocalReocrdQuantityResp>();
                                  if (!answer) KLOG(1) << "hmKP:GetHistoricalMeetingLocalRecordQuantity: error result:";
                                  callback(answer ? *answer : PluginGetLocalReocrdQuantityResp{});
                                });
}

void HistoricalLocalRecordDataService::QueryHistoricalLocalRecordDatas(
    const DbQueryLocalRecordDatasReq& request, std::function<void(DbQueryLocalRecordDatasResp)> callback) {
  client_->RunDataRouterRequest(uri::kQueryHistoricalLocalRecordDatas,
                                std::make_shared<DbQueryLocalRecordDatasReq>(request),
                                [callback = std::move(callback)](const RouterResult& result) {
                                  DbQueryLocalRecordDatasResp answer;
                                  auto meetings = result.Object<HistoricalLocalRecordListResp>();
                                  if (!meetings) {
                                    KLOG(1) << "QueryHistoricalLocalRecordDatas: error result:";
                                    callback(answer);
                                    return;
                                  }
                                  answer.success = true;
                                  for (const auto& meeting : meetings->items) {
                                    auto records = LocalRecordFileUtils::ConvertPluginHistoryLocalRecordInfo(meeting);
                                    answer.items.insert(answer.items.end(), records.begin(), records.end());
                                  }
                                  callback(std::move(answer));
                                });
}

void HistoricalLocalRecordDataService::DeleteDBHistoricalLocalRecordInfo(const PluginLocalRecordReqInfo& request,
                                                                         BoolCallback callback) {
  client_->RunDataRouterRequest(uri::kDeleteLocalRecordInfo, std::make_shared<PluginLocalRecordReqInfo>(request),
                                [callback = std::move(callback)](const RouterResult& result) {
                                  if (!result.success) KLOG(1) << "DeleteDBHistoricalLocalRecordInfo: error result:";
                                  callback(result.success);
                                });
}

void HistoricalLocalRecordDataService::BatchDeleteDBHistoricalLocalRecordInfo(
    const std::vector<PluginLocalRecordReqInfo>& requests, BoolCallback callback) {
  auto batch = std::make_shared<PluginBatchLocalRecordReqInfo>();
  batch->items = requests;
  client_->RunDataRouterRequest(uri::kBatchDeleteLocalRecordInfo, batch,
                                [callback = std::move(callback)](const RouterResult& result) {
                                  if (!result.success)
                                    KLOG(1) << "BatchDeleteDBHistoricalLocalRecordInfo: error result:";
                                  callback(result.success);
                                });
}

void HistoricalLocalRecordDataService::GetMigrateState(std::function<void(uint32_t)> callback) {
  client_->RunDataRouterRequest(uri::kOldGetMigrateState, std::make_shared<DbOperateCommonReq>(),
                                [callback = std::move(callback)](const RouterResult& result) {
                                  auto answer = result.Object<MigrateStateResp>();
                                  const uint32_t state = answer ? answer->state : 0;
                                  KLOG(6) << "hmKP:GetMigrateState: migrate_state:" << state;
                                  callback(state);
                                });
}

void HistoricalLocalRecordDataService::IsMigrateSuccess(BoolCallback callback) {
  GetMigrateState([callback = std::move(callback)](uint32_t state) { callback(state == kMigratedState); });
}

void HistoricalLocalRecordDataService::StartSyncHistoricalLoacalRecordInfo(const LocalRecordOwner& owner,
                                                                           MeetingsCallback callback) {
  KLOG(6) << "hlrKP: [step] query  from local list db  ";
  PluginGetHistoricalLocalRecordListReq request;
  request.app_id = owner.app_id;
  request.app_uid = owner.app_uid;
  GetDBHistoricalLocalRecordListData(request, std::move(callback));
}

}  // namespace quick_record
