#pragma once

// The data-route URIs of the local record database and of the meeting-history databases.
namespace quick_record::local_record_uri {

inline constexpr char kSaveOrUpdateLocalData[] = "dataroute:quick:record:save_or_update_local_data";
inline constexpr char kQueryLocalRecordDataList[] = "dataroute:quick:record:query_local_record_data_list";
inline constexpr char kUpdateLocalDataColumns[] = "dataroute:quick:record:update_local_data_columns";
inline constexpr char kDeleteLocalRecordDataByKeyId[] = "dataroute:quick:record:delete_local_record_data_by_key_id";
inline constexpr char kBatchDeleteLocalRecordDataByKeyId[] =
    "dataroute:quick:record:batch_delete_local_record_data_by_key_id";
inline constexpr char kQueryLocalRecordDataPaths[] = "dataroute:quick:record:query_local_record_data_paths";
inline constexpr char kQueryLocalRecordDataPathsByRecordId[] =
    "dataroute:quick:record:query_local_record_data_paths_by_record_id";
inline constexpr char kQueryLocalRecordDataPathsByKeyId[] =
    "dataroute:quick:record:query_local_record_data_paths_by_key_id";
inline constexpr char kQueryLocalRecordDataListByStartTime[] =
    "dataroute:quick:record:query_local_record_data_list_by_start_time";
inline constexpr char kQueryLocalRecordDataListByUpdateTime[] =
    "dataroute:quick:record:query_local_record_data_list_by_update_time";
inline constexpr char kGetMeetingId[] = "dataroute:quick:record:get_meeting_id";
inline constexpr char kGetMeetingRecordList[] = "dataroute:quick:record:get_meeting_record_list";
inline constexpr char kGetLocalRecordQuantity[] = "dataroute:quick:record:get_local_record_quantity";
inline constexpr char kQueryLocalRecordDataListByVisitedTime[] =
    "dataroute:quick:record:query_local_record_data_list_by_visited_time";
inline constexpr char kQueryLocalRecordDataListByInstanceIds[] =
    "dataroute:quick:record:query_local_record_data_list_by_instance_ids";
inline constexpr char kUpdateMultiLocalRecordDataShowRedPoint[] =
    "dataroute:quick:record:update_multi_local_record_data_show_red_point";
inline constexpr char kQueryLocalRecordDatas[] = "dataroute:quick:record:query_local_record_datas";
inline constexpr char kQuerySyncStatus[] = "dataroute:quick:record:query_sync_status";
inline constexpr char kUpdateSyncStatus[] = "dataroute:quick:record:update_sync_status";
inline constexpr char kSaveOrUpdateLocalRecordRedDotData[] =
    "dataroute:quick:record:save_or_update_local_record_red_dot_data";
inline constexpr char kDeleteLocalRecordRedDotData[] = "dataroute:quick:record:delete_local_record_red_dot_data";
inline constexpr char kDeleteAllFinishedLocalRecordRedDotData[] =
    "dataroute:quick:record:delete_all_finished_local_record_red_dot_data";
inline constexpr char kQueryLocalRecordRedDotDataNum[] = "dataroute:quick:record:query_local_record_red_dot_data_num";
inline constexpr char kQueryLocalRecordRedDotDatas[] = "dataroute:quick:record:query_local_record_red_dot_datas";

inline constexpr char kQueryHistoricalLocalRecordDataList[] =
    "dataroute:quick:record:query_hisrotical_local_record_data_list";
inline constexpr char kQueryHistoricalLocalRecordDetails[] =
    "dataroute:quick:record:query_hisrotical_local_record_details";
inline constexpr char kDeleteLocalRecordInfo[] = "dataroute:quick:record:delete_local_record_info";
inline constexpr char kBatchDeleteLocalRecordInfo[] = "dataroute:quick:record:batch_delete_local_record_info";
inline constexpr char kOldGetMigrateState[] = "dataroute:meeting:old_get_migrate_state";
inline constexpr char kQueryHistoricalLocalRecordNum[] = "dataroute:quick:record:query_hisrotical_local_record_num";
inline constexpr char kQueryHistoricalLocalRecordDatas[] = "dataroute:quick:record:query_hisrotical_local_record_datas";

}  // namespace quick_record::local_record_uri
