#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/base/threading/looper.h"
#include "module/quick_record/data/db/local_record_data_types.h"
#include "module/quick_record/data/service/data_route_client.h"

namespace quick_record {

// Typed access to the host's meeting-history databases (local meeting recordings that the
// meeting history lists). Every operation sends one data-route request, run on the worker looper,
// and calls its callback once on the looper of the calling thread. Use from the main looper.
class HistoricalLocalRecordDataService {
 public:
  // The history's user version once the meeting history has moved the older file's meetings over.
  static constexpr uint32_t kMigratedState = 100;

  using BoolCallback = std::function<void(bool success)>;
  using MeetingsCallback = std::function<void(bool success, std::vector<PluginHistoryLocalRecordInfo> meetings)>;

  // Over the host's database directory, on the host's worker looper.
  HistoricalLocalRecordDataService();
  // Over `directory`, its router on `looper`.
  HistoricalLocalRecordDataService(const std::string& directory, base::threading::Looper* looper);

  // Meetings that list recording files, latest joined first, paged (page size + 1 rows asked).
  void GetDBHistoricalLocalRecordListData(const PluginGetHistoricalLocalRecordListReq& request,
                                          MeetingsCallback callback);
  void GetLocalRecordInfoFromHistoricalMeetingDb(
      const PluginQueryHistoricalLocalRecordDetailsReqInfo& request,
      std::function<void(bool success, PluginQueryHistoricalLocalRecordDetailsRespInfo details)> callback);
  void GetHistoricalMeetingLocalRecordQuantity(const GetLocalReocrdQuantityInfo& request,
                                               std::function<void(PluginGetLocalReocrdQuantityResp)> callback);
  // The local records of one meeting, converted from its record files.
  void QueryHistoricalLocalRecordDatas(const DbQueryLocalRecordDatasReq& request,
                                       std::function<void(DbQueryLocalRecordDatasResp)> callback);
  void DeleteDBHistoricalLocalRecordInfo(const PluginLocalRecordReqInfo& request, BoolCallback callback);
  void BatchDeleteDBHistoricalLocalRecordInfo(const std::vector<PluginLocalRecordReqInfo>& requests,
                                              BoolCallback callback);
  // 0 when the state cannot be read.
  void GetMigrateState(std::function<void(uint32_t state)> callback);
  void IsMigrateSuccess(BoolCallback callback);
  // Every meeting of the owner that lists recording files.
  void StartSyncHistoricalLoacalRecordInfo(const LocalRecordOwner& owner, MeetingsCallback callback);

 private:
  std::shared_ptr<DataRouteClient> client_;
};

}  // namespace quick_record
