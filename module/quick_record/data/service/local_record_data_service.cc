#include "module/quick_record/data/service/local_record_data_service.h"

#include "host/base/threading/clock.h"
#include "host/sdk/kovani_common/account.h"
#include "host/sdk/kovani_common/paths.h"
#include "host/util/file.h"
#include "module/quick_record/data/db/local_record_data_db_data_route_handler_factory.h"
#include "module/quick_record/data/db/local_record_data_uris.h"
#include "module/quick_record/data/service/local_record_file_utils.h"

namespace quick_record {

namespace uri = local_record_uri;

namespace {

// Answers a request whose outcome is its success flag.
DataRouteClient::Completion BoolCompletion(const char* name, LocalRecordDataService::BoolCallback callback) {
  return [name, callback = std::move(callback)](const RouterResult& result) {
    if (!result.success) KLOG(1) << name << ": error result:";
    if (callback) callback(result.success);
  };
}

// Answers a request with its typed answer, or a default one (success false) on failure.
template <typename Answer>
DataRouteClient::Completion ObjectCompletion(const char* name, std::function<void(Answer)> callback) {
  return [name, callback = std::move(callback)](const RouterResult& result) {
    auto answer = result.Object<Answer>();
    if (!answer) KLOG(1) << name << ": error result:";
    callback(answer ? *answer : Answer{});
  };
}

}  // namespace

LocalRecordDataService::LocalRecordDataService()
    : LocalRecordDataService(kovani_common::utils::GetDatabasePath(), base::threading::LooperThread::WorkerLooper(),
                             std::make_shared<HistoricalLocalRecordDataService>()) {}

LocalRecordDataService::LocalRecordDataService(const std::string& directory, base::threading::Looper* looper,
                                               std::shared_ptr<HistoricalLocalRecordDataService> history)
    : client_(DataRouteClient::Create(looper, std::make_shared<LocalRecordDataDBDataRouteHandlerFactory>(directory))),
      history_(std::move(history)) {
  KLOG(6) << "lrKP: LocalRecordService";
}

LocalRecordOwner LocalRecordDataService::PersonalOwner() {
  LocalRecordOwner owner;
  kovani_common::utils::GetPersonalAppIdAndAppUid(&owner.app_id, &owner.app_uid);
  return owner;
}

template <typename Request>
void LocalRecordDataService::RunListRequest(const char* uri, const char* name, const Request& request,
                                            ListCallback callback) {
  client_->RunDataRouterRequest(
      uri, std::make_shared<Request>(request), [name, callback = std::move(callback)](const RouterResult& result) {
        auto page = result.Object<LocalRecordDataListResp>();
        if (!page) KLOG(1) << name << ": error result:";
        callback(page != nullptr, page ? std::move(page->items) : std::vector<LocalRecordDataInfo>{});
      });
}

void LocalRecordDataService::SaveOrUpdateLocalData(const PluginSaveOrUpdateLocalDataReqInfo& info,
                                                   ISaveOrUpdateLocalDataListDelegate* delegate) {
  auto request = std::make_shared<PluginSaveOrUpdateLocalDataListReq>();
  request->items.push_back(info);
  client_->RunDataRouterRequest(uri::kSaveOrUpdateLocalData, request, [delegate](const RouterResult& result) {
    if (!result.success) KLOG(1) << "SaveOrUpdateLocalData: error result:";
    if (delegate) delegate->OnSaveOrUpdateLocalDataResult(result.success);
  });
}

void LocalRecordDataService::SaveOrUpdateLocalDatas(const std::vector<PluginSaveOrUpdateLocalDataReqInfo>& infos,
                                                    std::function<void(PluginSaveOrUpdateLocalDataListResp)> callback) {
  auto request = std::make_shared<PluginSaveOrUpdateLocalDataListReq>();
  request->items = infos;
  client_->RunDataRouterRequest(uri::kSaveOrUpdateLocalData, request,
                                ObjectCompletion("SaveOrUpdateLocalDatas", std::move(callback)));
}

void LocalRecordDataService::UpdateColumnData(const SaveOrUpdateLocalDataColumnReqInfo& request,
                                              std::function<void(PluginSaveOrUpdateLocalDataListResp)> callback) {
  client_->RunDataRouterRequest(uri::kUpdateLocalDataColumns,
                                std::make_shared<SaveOrUpdateLocalDataColumnReqInfo>(request),
                                ObjectCompletion("UpdateColumnData", std::move(callback)));
}

void LocalRecordDataService::GetDBLocalRecordListData(const PluginGetLocalRecordDataListReq& request,
                                                      std::function<void(PluginGetLocalRecordDataListResp)> callback) {
  const int64_t page_size = request.page_size;
  client_->RunDataRouterRequest(uri::kQueryLocalRecordDataList,
                                std::make_shared<PluginGetLocalRecordDataListReq>(request),
                                [page_size, callback = std::move(callback)](const RouterResult& result) {
                                  PluginGetLocalRecordDataListResp answer;
                                  if (auto page = result.Object<LocalRecordDataListResp>()) {
                                    static_cast<LocalRecordDataListResp&>(answer) = std::move(*page);
                                    answer.TrimToPage(page_size);
                                    answer.success = true;
                                  } else {
                                    KLOG(1) << "GetDBLocalRecordListData: error result:";
                                  }
                                  callback(std::move(answer));
                                });
}

void LocalRecordDataService::GetDBLocalRecordListDataByUpdateTime(const PluginGetLocalRecordDataListReq& request,
                                                                  ListCallback callback) {
  RunListRequest(uri::kQueryLocalRecordDataListByUpdateTime, "GetDBLocalRecordListDataByUpdateTime", request,
                 std::move(callback));
}

void LocalRecordDataService::GetDBLocalRecordListDataByStartTime(const PluginGetLocalRecordDataListReq& request,
                                                                 ListCallback callback) {
  RunListRequest(uri::kQueryLocalRecordDataListByStartTime, "GetDBLocalRecordListDataByStartTime", request,
                 std::move(callback));
}

void LocalRecordDataService::GetDBLocalRecordListDataByVisitedTime(const PluginGetRecentLocalRecordDataListReq& request,
                                                                   ListCallback callback) {
  RunListRequest(uri::kQueryLocalRecordDataListByVisitedTime, "GetDBLocalRecordListDataByVisitedTime", request,
                 std::move(callback));
}

void LocalRecordDataService::GetDBLocalRecordListDataByInstanceIds(
    const QueryLocalRecordDataListByInstanceIdsReq& request, ListCallback callback) {
  RunListRequest(uri::kQueryLocalRecordDataListByInstanceIds, "GetDBLocalRecordListDataByInstanceIds", request,
                 std::move(callback));
}

void LocalRecordDataService::GetMeeingId(const GetMeetingIdReqInfo& request,
                                         std::function<void(GetMeetingIdResp)> callback) {
  client_->RunDataRouterRequest(uri::kGetMeetingId, std::make_shared<GetMeetingIdReqInfo>(request),
                                ObjectCompletion("GetMeeingId", std::move(callback)));
}

void LocalRecordDataService::GetMeetingLocalRecordList(const GetMeetingListReqInfo& request, ListCallback callback) {
  RunListRequest(uri::kGetMeetingRecordList, "GetMeetingLocalRecordList", request, std::move(callback));
}

void LocalRecordDataService::GetMeetingLocalRecordListFromInstanceid(const GetMeetingIdReqInfo& request,
                                                                     ListCallback callback) {
  std::weak_ptr<LocalRecordDataService> weak = weak_from_this();
  GetMeeingId(request, [weak, request, callback = std::move(callback)](GetMeetingIdResp meeting) {
    auto self = weak.lock();
    if (!self) return;
    if (!meeting.success) {
      callback(false, {});
      return;
    }
    GetMeetingListReqInfo list;
    static_cast<LocalRecordOwner&>(list) = request;
    list.meeting_id = meeting.meeting_id;
    list.period_id = meeting.period_id;
    self->GetMeetingLocalRecordList(list, std::move(callback));
  });
}

void LocalRecordDataService::GetMeetingLocalRecordQuantity(
    const GetLocalReocrdQuantityInfo& request, std::function<void(PluginGetLocalReocrdQuantityResp)> callback) {
  client_->RunDataRouterRequest(uri::kGetLocalRecordQuantity, std::make_shared<GetLocalReocrdQuantityInfo>(request),
                                ObjectCompletion("hmKP:GetMeetingLocalRecordQuantity", std::move(callback)));
}

void LocalRecordDataService::QueryLocalRecordDatas(const DbQueryLocalRecordDatasReq& request,
                                                   std::function<void(DbQueryLocalRecordDatasResp)> callback) {
  client_->RunDataRouterRequest(uri::kQueryLocalRecordDatas, std::make_shared<DbQueryLocalRecordDatasReq>(request),
                                ObjectCompletion("QueryLocalRecordDatas", std::move(callback)));
}

void LocalRecordDataService::DeleteLocalDataByKeyId(const PluginDeleteLocalDataReq& request, BoolCallback callback) {
  client_->RunDataRouterRequest(uri::kDeleteLocalRecordDataByKeyId, std::make_shared<PluginDeleteLocalDataReq>(request),
                                BoolCompletion("DeleteLocalDataByKeyId", std::move(callback)));
}

void LocalRecordDataService::BatchDeleteLocalDataByKeyId(const std::vector<PluginDeleteLocalDataReq>& requests,
                                                         BoolCallback callback) {
  auto batch = std::make_shared<PluginBatchDeleteLocalDataReq>();
  batch->items = requests;
  client_->RunDataRouterRequest(uri::kBatchDeleteLocalRecordDataByKeyId, batch,
                                BoolCompletion("BatchDeleteLocalDataByKeyId", std::move(callback)));
}

void LocalRecordDataService::QueryLocalRecordDataPathsByMeetingId(
    const PluginQueryLocalDataPathsReq& request, std::function<void(bool, std::vector<std::string>)> callback) {
  client_->RunDataRouterRequest(uri::kQueryLocalRecordDataPaths,
                                std::make_shared<PluginQueryLocalDataPathsReq>(request),
                                [callback = std::move(callback)](const RouterResult& result) {
                                  auto answer = result.Object<LocalRecordDataPathsResp>();
                                  if (!answer) KLOG(1) << "QueryLocalRecordDataPathsByMeetingId: error result:";
                                  callback(answer != nullptr, answer ? answer->paths : std::vector<std::string>{});
                                });
}

void LocalRecordDataService::QueryLocalRecordDataPathsByRecordId(const PluginQueryLocalDataPathsByRecordIdReq& request,
                                                                 PathsCallback callback) {
  client_->RunDataRouterRequest(
      uri::kQueryLocalRecordDataPathsByRecordId, std::make_shared<PluginQueryLocalDataPathsByRecordIdReq>(request),
      [callback = std::move(callback)](const RouterResult& result) {
        auto answer = result.Object<LocalRecordDataPathsResp>();
        if (!answer) KLOG(1) << "QueryLocalRecordDataPathsByRecordId: error result:";
        callback(answer != nullptr, answer ? answer->key_paths : std::map<std::string, std::string>{});
      });
}

void LocalRecordDataService::QueryLocalRecordDataPathsByKeyId(const PluginQueryLocalDataPathsByKeyIdReq& request,
                                                              PathsCallback callback) {
  client_->RunDataRouterRequest(
      uri::kQueryLocalRecordDataPathsByKeyId, std::make_shared<PluginQueryLocalDataPathsByKeyIdReq>(request),
      [callback = std::move(callback)](const RouterResult& result) {
        auto answer = result.Object<LocalRecordDataPathsResp>();
        if (!answer) KLOG(1) << "QueryLocalRecordDataPathsByKeyId: error result:";
        callback(answer != nullptr, answer ? answer->key_paths : std::map<std::string, std::string>{});
      });
}

void LocalRecordDataService::UpdateMultiLocalRecordDataShowRedPoint(
    const UpdateMultiLocalRecordDataShowRedPointReq& request, BoolCallback callback) {
  client_->RunDataRouterRequest(uri::kUpdateMultiLocalRecordDataShowRedPoint,
                                std::make_shared<UpdateMultiLocalRecordDataShowRedPointReq>(request),
                                BoolCompletion("UpdateMultiLocalRecordDataShowRedPoint", std::move(callback)));
}

void LocalRecordDataService::QuerySyncStatus(const QuerySyncStatusInfo& request,
                                             std::function<void(QuerySyncStatusInfoResp)> callback) {
  client_->RunDataRouterRequest(uri::kQuerySyncStatus, std::make_shared<QuerySyncStatusInfo>(request),
                                ObjectCompletion("QuerySyncStatus", std::move(callback)));
}

void LocalRecordDataService::UpdateSyncStatus(const UpdateSyncStatusInfo& request,
                                              std::function<void(bool, bool)> callback) {
  const bool is_sync_success = request.is_sync_success;
  client_->RunDataRouterRequest(uri::kUpdateSyncStatus, std::make_shared<UpdateSyncStatusInfo>(request),
                                [is_sync_success, callback = std::move(callback)](const RouterResult& result) {
                                  if (!result.success) KLOG(1) << "UpdateSyncStatus: error result:";
                                  callback(result.success, result.success && is_sync_success);
                                });
}

void LocalRecordDataService::SaveOrUpdateLocalRecordRedDotData(
    const std::vector<DbSaveOrUpdateLocalRecordRedDotReq>& entries, BoolCallback callback) {
  auto request = std::make_shared<DbSaveOrUpdateLocalRecordRedDotListReq>();
  request->items = entries;
  client_->RunDataRouterRequest(uri::kSaveOrUpdateLocalRecordRedDotData, request,
                                BoolCompletion("SaveOrUpdateLocalRecordRedDotData", std::move(callback)));
}

void LocalRecordDataService::DeleteLocalRecordRedDotData(const DbDeleteLocalRecordRedDotReq& request,
                                                         BoolCallback callback) {
  client_->RunDataRouterRequest(uri::kDeleteLocalRecordRedDotData,
                                std::make_shared<DbDeleteLocalRecordRedDotReq>(request),
                                BoolCompletion("DeleteLocalRecordRedDotData", std::move(callback)));
}

void LocalRecordDataService::DeleteAllFinishedLocalRecordRedDot(const DbOperateCommonReq& request,
                                                                BoolCallback callback) {
  client_->RunDataRouterRequest(uri::kDeleteAllFinishedLocalRecordRedDotData,
                                std::make_shared<DbOperateCommonReq>(request),
                                BoolCompletion("DeleteAllFinishedLocalRecordRedDot", std::move(callback)));
}

void LocalRecordDataService::QueryLocalRecordRedDotNum(const DbOperateCommonReq& request,
                                                       std::function<void(DbQueryLocalRecordRedDotNumResp)> callback) {
  client_->RunDataRouterRequest(uri::kQueryLocalRecordRedDotDataNum, std::make_shared<DbOperateCommonReq>(request),
                                ObjectCompletion("QueryLocalRecordRedDotNum", std::move(callback)));
}

void LocalRecordDataService::QueryLocalRecordRedDotDataList(
    const DbQueryLocalRecordRedDotDatasReq& request,
    std::function<void(bool, std::vector<LocalRecordRedDotData>)> callback) {
  client_->RunDataRouterRequest(
      uri::kQueryLocalRecordRedDotDatas, std::make_shared<DbQueryLocalRecordRedDotDatasReq>(request),
      [callback = std::move(callback)](const RouterResult& result) {
        auto answer = result.Object<LocalRecordRedDotListResp>();
        if (!answer) KLOG(1) << "QueryLocalRecordRedDotDataList: error result:";
        callback(answer != nullptr, answer ? answer->items : std::vector<LocalRecordRedDotData>{});
      });
}

void LocalRecordDataService::UpdateLocalRecordRedDotDataState(const DbUpdateLocalRecordRedDotStateReq& request,
                                                              BoolCallback callback) {
  GetMeetingIdReqInfo lookup;
  static_cast<LocalRecordOwner&>(lookup) = request;
  lookup.instance_id = request.instance_id;
  std::weak_ptr<LocalRecordDataService> weak = weak_from_this();
  GetMeeingId(lookup, [weak, request, callback = std::move(callback)](GetMeetingIdResp meeting) {
    auto self = weak.lock();
    if (!self) return;
    if (!meeting.success) KLOG(3) << "can not find meeting_id";
    LocalRecordRedDotData entry;
    static_cast<LocalRecordOwner&>(entry) = request;
    entry.instance_id = request.instance_id;
    entry.meeting_id = meeting.meeting_id;
    entry.period_id = meeting.period_id;
    entry.data_type = kLocalDataTypeQuickRecord;
    entry.state = request.state;
    self->SaveOrUpdateLocalRecordRedDotData({entry}, [instance_id = request.instance_id, callback](bool success) {
      KLOG(6) << "finished update local record red dot state, instance_id: " << instance_id << ", success: " << success;
      if (callback) callback(success);
    });
  });
}

void LocalRecordDataService::HandleUpdateQuickRecordRedDotState(const std::string& instance_id, RedDotState state,
                                                                BoolCallback done) {
  DbUpdateLocalRecordRedDotStateReq request;
  static_cast<LocalRecordOwner&>(request) = PersonalOwner();
  request.instance_id = instance_id;
  request.state = state;
  UpdateLocalRecordRedDotDataState(request, std::move(done));
}

void LocalRecordDataService::HandleLocalRecordRedDotDataByUploadStatus(const std::string& instance_id,
                                                                       int64_t upload_status, BoolCallback done) {
  KLOG(6) << "Start to delete uploading item in red dot table, instance_id: " << instance_id
          << ", upload_status: " << upload_status;
  switch (upload_status) {
    case 2: {  // uploaded
      DbDeleteLocalRecordRedDotReq request;
      static_cast<LocalRecordOwner&>(request) = PersonalOwner();
      request.instance_id = instance_id;
      DeleteLocalRecordRedDotData(request, [done = std::move(done)](bool success) {
        KLOG(6) << "Delete uploading item in red dot table, result: " << success;
        if (done) done(success);
      });
      break;
    }
    case 1:  // uploading
      HandleUpdateQuickRecordRedDotState(instance_id, kRedDotStateHandling, std::move(done));
      break;
    case 3:  // failed
      HandleUpdateQuickRecordRedDotState(instance_id, kRedDotStateIdle, std::move(done));
      break;
    default:
      break;
  }
}

void LocalRecordDataService::SyncHistoricalLocalRecordData(std::function<void(bool, bool)> callback) {
  const LocalRecordOwner owner = PersonalOwner();
  const int64_t start_ms = base::clock::SteadyMs();
  std::weak_ptr<LocalRecordDataService> weak = weak_from_this();
  history_->StartSyncHistoricalLoacalRecordInfo(owner, [weak, owner, start_ms, callback = std::move(callback)](
                                                           bool read_ok,
                                                           std::vector<PluginHistoryLocalRecordInfo> meetings) {
    auto self = weak.lock();
    if (!self) return;
    if (!read_ok) {
      KLOG(1) << "lrKP:SyncHistoricalLocalRecordData: error result:" << read_ok;
      callback(false, false);
      return;
    }
    std::vector<PluginSaveOrUpdateLocalDataReqInfo> infos;
    for (const auto& meeting : meetings) {
      for (auto& record : LocalRecordFileUtils::ConvertPluginHistoryLocalRecordInfo(meeting)) {
        if (util::file::IsFileExist(record.local_file_path)) {
          const auto video = LocalRecordFileUtils::AnalysisRecordLengthAndRatio(record.local_file_path);
          record.width = video.at("width");
          record.height = video.at("height");
          record.video_length = video.at("duration_ms");
          record.record_time_duration = video.at("duration_ms");
        }
        infos.push_back(record);
      }
    }
    KLOG(6) << "analysis success , local_record_infos.size() = " << infos.size();
    self->SaveOrUpdateLocalDatas(infos, [weak, owner, start_ms, callback](PluginSaveOrUpdateLocalDataListResp saved) {
      auto self = weak.lock();
      if (!self) return;
      if (!saved.success) {
        KLOG(1) << "lrKP:SyncHistoricalLocalRecordData: error result:" << saved.success;
        KLOG(6) << "SyncHistoricalLocalRecordData Cost Time: " << base::clock::SteadyMs() - start_ms;
        callback(false, false);
        return;
      }
      UpdateSyncStatusInfo status;
      static_cast<LocalRecordOwner&>(status) = owner;
      status.is_sync_success = true;
      status.sync_version = kSyncVersion;
      self->UpdateSyncStatus(status, [start_ms, callback](bool written, bool) {
        KLOG(6) << "lrKP:SyncHistoricalLocalRecordData: success result:" << written;
        KLOG(6) << "SyncHistoricalLocalRecordData Cost Time: " << base::clock::SteadyMs() - start_ms;
        callback(true, written);
      });
    });
  });
}

void LocalRecordDataService::IsSameQuantity(std::function<void(RequestCallbackState)> callback) {
  GetLocalReocrdQuantityInfo request;
  static_cast<LocalRecordOwner&>(request) = PersonalOwner();
  request.data_type = kLocalDataTypeMeetingRecord;
  std::weak_ptr<LocalRecordDataService> weak = weak_from_this();
  GetMeetingLocalRecordQuantity(request, [weak, request,
                                          callback = std::move(callback)](PluginGetLocalReocrdQuantityResp local) {
    auto self = weak.lock();
    if (!self) return;
    if (!local.success) {
      callback(RequestCallbackState::kFailed);
      return;
    }
    self->history_->GetHistoricalMeetingLocalRecordQuantity(
        request, [local, callback](PluginGetLocalReocrdQuantityResp history) {
          if (!history.success) {
            callback(RequestCallbackState::kFailed);
            return;
          }
          callback(history.quantity == local.quantity ? RequestCallbackState::kSame : RequestCallbackState::kDifferent);
        });
  });
}

}  // namespace quick_record
