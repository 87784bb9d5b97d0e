#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/base/threading/looper.h"
#include "module/quick_record/data/db/local_record_data_types.h"
#include "module/quick_record/data/service/data_route_client.h"
#include "module/quick_record/data/service/historical_local_record_data_service.h"
#include "module/quick_record/data/service/i_save_or_update_local_data_list_delegate.h"

namespace quick_record {

// Whether the local meeting recordings match those the meeting history lists.
enum class RequestCallbackState {
  kSame,       // both counts were read and are equal
  kDifferent,  // both were read and differ
  kFailed,     // a count could not be read
};

// Typed access to the module's local record database. Every operation sends one data-route
// request (two for the few that combine), run on the worker looper one at a time in the order
// sent, and calls its callback exactly once on the looper of the calling thread. Use from the
// main looper; hold it in a shared_ptr (the combined operations continue through weak references). Nothing is cached:
// every call reads the database.
//
// The module runtime owns one per activation (ModuleLocalRecordDataService()). Destroying it
// closes the database once no request uses it any more; requests still waiting are answered
// nowhere: their callbacks are dropped.
//
// Paged list operations answer up to page size + 1 rows: a row beyond the page says more exist.
class LocalRecordDataService : public std::enable_shared_from_this<LocalRecordDataService> {
 public:
  // The sync_version written once the meeting history's recordings have been migrated.
  static constexpr int64_t kSyncVersion = 106;

  using BoolCallback = std::function<void(bool success)>;
  using ListCallback = std::function<void(bool success, std::vector<LocalRecordDataInfo> records)>;
  using PathsCallback = std::function<void(bool success, std::map<std::string, std::string> key_paths)>;

  // Over the host's database directory, on the host's worker looper, with a history service of
  // its own over the same.
  LocalRecordDataService();
  // Over `directory`, its router on `looper`; `history` serves the migration.
  LocalRecordDataService(const std::string& directory, base::threading::Looper* looper,
                         std::shared_ptr<HistoricalLocalRecordDataService> history);

  void SaveOrUpdateLocalData(const PluginSaveOrUpdateLocalDataReqInfo& info,
                             ISaveOrUpdateLocalDataListDelegate* delegate);
  void SaveOrUpdateLocalDatas(const std::vector<PluginSaveOrUpdateLocalDataReqInfo>& infos,
                              std::function<void(PluginSaveOrUpdateLocalDataListResp)> callback);
  void UpdateColumnData(const SaveOrUpdateLocalDataColumnReqInfo& request,
                        std::function<void(PluginSaveOrUpdateLocalDataListResp)> callback);
  // One page (no more than the page size) and whether more exist.
  void GetDBLocalRecordListData(const PluginGetLocalRecordDataListReq& request,
                                std::function<void(PluginGetLocalRecordDataListResp)> callback);
  void GetDBLocalRecordListDataByUpdateTime(const PluginGetLocalRecordDataListReq& request, ListCallback callback);
  void GetDBLocalRecordListDataByStartTime(const PluginGetLocalRecordDataListReq& request, ListCallback callback);
  void GetDBLocalRecordListDataByVisitedTime(const PluginGetRecentLocalRecordDataListReq& request,
                                             ListCallback callback);
  void GetDBLocalRecordListDataByInstanceIds(const QueryLocalRecordDataListByInstanceIdsReq& request,
                                             ListCallback callback);
  void GetMeeingId(const GetMeetingIdReqInfo& request, std::function<void(GetMeetingIdResp)> callback);
  void GetMeetingLocalRecordList(const GetMeetingListReqInfo& request, ListCallback callback);
  // The records of the meeting the instance belongs to; (false, empty) when it has none.
  void GetMeetingLocalRecordListFromInstanceid(const GetMeetingIdReqInfo& request, ListCallback callback);
  void GetMeetingLocalRecordQuantity(const GetLocalReocrdQuantityInfo& request,
                                     std::function<void(PluginGetLocalReocrdQuantityResp)> callback);
  void QueryLocalRecordDatas(const DbQueryLocalRecordDatasReq& request,
                             std::function<void(DbQueryLocalRecordDatasResp)> callback);
  void DeleteLocalDataByKeyId(const PluginDeleteLocalDataReq& request, BoolCallback callback);
  void BatchDeleteLocalDataByKeyId(const std::vector<PluginDeleteLocalDataReq>& requests, BoolCallback callback);
  void QueryLocalRecordDataPathsByMeetingId(const PluginQueryLocalDataPathsReq& request,
                                            std::function<void(bool, std::vector<std::string>)> callback);
  void QueryLocalRecordDataPathsByRecordId(const PluginQueryLocalDataPathsByRecordIdReq& request,
                                           PathsCallback callback);
  void QueryLocalRecordDataPathsByKeyId(const PluginQueryLocalDataPathsByKeyIdReq& request, PathsCallback callback);
  void UpdateMultiLocalRecordDataShowRedPoint(const UpdateMultiLocalRecordDataShowRedPointReq& request,
                                              BoolCallback callback);
  void QuerySyncStatus(const QuerySyncStatusInfo& request, std::function<void(QuerySyncStatusInfoResp)> callback);
  // (request succeeded, the stored is_sync_success).
  void UpdateSyncStatus(const UpdateSyncStatusInfo& request, std::function<void(bool, bool)> callback);

  void SaveOrUpdateLocalRecordRedDotData(const std::vector<DbSaveOrUpdateLocalRecordRedDotReq>& entries,
                                         BoolCallback callback);
  void DeleteLocalRecordRedDotData(const DbDeleteLocalRecordRedDotReq& request, BoolCallback callback);
  void DeleteAllFinishedLocalRecordRedDot(const DbOperateCommonReq& request, BoolCallback callback);
  void QueryLocalRecordRedDotNum(const DbOperateCommonReq& request,
                                 std::function<void(DbQueryLocalRecordRedDotNumResp)> callback);
  void QueryLocalRecordRedDotDataList(const DbQueryLocalRecordRedDotDatasReq& request,
                                      std::function<void(bool, std::vector<LocalRecordRedDotData>)> callback);
  // Looks the instance's meeting up, then saves its red-dot entry (quick recording, `state`).
  void UpdateLocalRecordRedDotDataState(const DbUpdateLocalRecordRedDotStateReq& request, BoolCallback callback);

  // The same for the signed-in user's recording.
  void HandleUpdateQuickRecordRedDotState(const std::string& instance_id, RedDotState state,
                                          BoolCallback done = nullptr);
  // Keeps the red-dot table in step with an upload: uploaded (2) removes the recording's entry,
  // uploading (1) marks it handling, failed (3) idle; any other status changes nothing (and `done`
  // is not called).
  void HandleLocalRecordRedDotDataByUploadStatus(const std::string& instance_id, int64_t upload_status,
                                                 BoolCallback done = nullptr);

  // Moves the signed-in user's local meeting recordings out of the meeting history once:
  // (the recordings were read and saved, the sync marker was written).
  void SyncHistoricalLocalRecordData(std::function<void(bool, bool)> callback);
  // Compares the user's local meeting recordings (by meeting) with the meetings the history lists.
  void IsSameQuantity(std::function<void(RequestCallbackState)> callback);

 private:
  // The signed-in user's personal app id and app uid.
  static LocalRecordOwner PersonalOwner();
  // A list request answered as (success, rows).
  template <typename Request>
  void RunListRequest(const char* uri, const char* name, const Request& request, ListCallback callback);

  std::shared_ptr<DataRouteClient> client_;
  std::shared_ptr<HistoricalLocalRecordDataService> history_;
};

}  // namespace quick_record
