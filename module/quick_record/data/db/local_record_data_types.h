#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "host/base/variant/variant.h"

// The typed requests that the local record data services send through the data router and the
// typed answers the database handlers put into the response packets. Every request names its
// owner (app id and app uid); rows of other owners are never read or changed.
namespace quick_record {

// data_type of a row.
inline constexpr int64_t kLocalDataTypeMeetingRecord = 0;
inline constexpr int64_t kLocalDataTypeQuickRecord = 1;
// A request's data type asking for both kinds.
inline constexpr int64_t kLocalDataTypeBoth = 2;

// The fields a save writes, in column order of "local_record_data".
struct PluginSaveOrUpdateLocalDataReqInfo {
  std::string app_id;
  std::string app_uid;
  std::string instance_id;
  std::string meeting_id;
  std::string period_id;
  std::string record_title;
  std::string local_file_path;
  std::string meeting_code;
  std::string cover_path;
  std::string record_id;
  std::string complete_jump_url;
  std::string video_md5;
  int64_t start_record_time = 0;
  int64_t record_end_time = 0;
  int64_t last_visited_time = 0;
  int64_t width = 0;
  int64_t height = 0;
  int64_t video_length = 0;
  int64_t upload_status = 0;
  int64_t uploaded_size = 0;
  int64_t total_size = 0;
  int64_t fail_reason = 0;
  int64_t retry_action = 0;
  bool is_record_complete = false;
  bool is_recovery_upload = false;
  int64_t data_type = 0;
  int64_t record_time_duration = 0;
  bool is_window_capture = false;
  int64_t record_flag = 0;
  int64_t finished_time = 0;  // 0 = not finished
  bool show_red_point = false;
};

// One row of "local_record_data": the saved fields and the row id.
struct LocalRecordDataInfo : PluginSaveOrUpdateLocalDataReqInfo {
  int64_t id = 0;
};

// Calls visit(column, field) for the 31 saved columns in table order (column index 1..31).
template <typename Info, typename Visit>
void VisitLocalRecordColumns(Info& r, Visit&& visit) {
  visit("app_id", r.app_id);
  visit("app_uid", r.app_uid);
  visit("instance_id", r.instance_id);
  visit("meeting_id", r.meeting_id);
  visit("period_id", r.period_id);
  visit("record_title", r.record_title);
  visit("local_file_path", r.local_file_path);
  visit("meeting_code", r.meeting_code);
  visit("cover_path", r.cover_path);
  visit("record_id", r.record_id);
  visit("complete_jump_url", r.complete_jump_url);
  visit("video_md5", r.video_md5);
  visit("start_record_time", r.start_record_time);
  visit("record_end_time", r.record_end_time);
  visit("last_visited_time", r.last_visited_time);
  visit("width", r.width);
  visit("height", r.height);
  visit("video_length", r.video_length);
  visit("upload_status", r.upload_status);
  visit("uploaded_size", r.uploaded_size);
  visit("total_size", r.total_size);
  visit("fail_reason", r.fail_reason);
  visit("retry_action", r.retry_action);
  visit("is_record_complete", r.is_record_complete);
  visit("is_recovery_upload", r.is_recovery_upload);
  visit("data_type", r.data_type);
  visit("record_time_duration", r.record_time_duration);
  visit("is_window_capture", r.is_window_capture);
  visit("record_flag", r.record_flag);
  visit("finished_time", r.finished_time);
  visit("show_red_point", r.show_red_point);
}

struct LocalRecordOwner {
  std::string app_id;
  std::string app_uid;
};

struct PluginSaveOrUpdateLocalDataListReq {
  std::vector<PluginSaveOrUpdateLocalDataReqInfo> items;
};

// Success means every item was written or found existing; an item with an empty key is skipped
// and makes the answer a failure.
struct PluginSaveOrUpdateLocalDataListResp {
  bool success = false;
};

// Named columns of one row. Values are text, integers or booleans; column names must be columns
// of the table.
struct SaveOrUpdateLocalDataColumnReqInfo : LocalRecordOwner {
  std::string instance_id;
  std::map<std::string, base::variant::Variant> columns;
};

// A page of one owner's rows. `time` and `is_newer` select the rows older (<) or newer (>) than a
// time where the query is by time; `page_size` 0 asks for every row.
struct PluginGetLocalRecordDataListReq : LocalRecordOwner {
  int64_t data_type = kLocalDataTypeQuickRecord;  // 0, 1 or kLocalDataTypeBoth
  int64_t time = 0;
  bool is_newer = false;
  int64_t offset = 0;
  int64_t page_size = 0;
};
struct PluginGetRecentLocalRecordDataListReq : PluginGetLocalRecordDataListReq {};

// Rows of a list query. A paged query asks the database for one row more than the page, so
// `items` holds up to page size + 1 rows and `has_more` says whether the extra row came.
struct LocalRecordDataListResp {
  std::vector<LocalRecordDataInfo> items;
  bool has_more = false;
  // Drops the extra row.
  void TrimToPage(int64_t page_size) {
    if (page_size > 0 && items.size() > static_cast<size_t>(page_size)) items.resize(static_cast<size_t>(page_size));
  }
};
struct PluginGetLocalRecordDataListResp : LocalRecordDataListResp {
  bool success = false;
};

enum LocalRecordKeyKind : int32_t {
  kLocalRecordKeyInstanceId = 0,
  kLocalRecordKeyRecordId = 1,
  kLocalRecordKeyMeetingId = 2,  // meeting id and period id for deletes
};

struct PluginDeleteLocalDataReq : LocalRecordOwner {
  int32_t key_kind = kLocalRecordKeyInstanceId;
  std::string instance_id;
  std::string record_id;
  std::string meeting_id;
  std::string period_id;
};
struct PluginBatchDeleteLocalDataReq {
  std::vector<PluginDeleteLocalDataReq> items;
};

struct PluginQueryLocalDataPathsReq : LocalRecordOwner {
  std::string meeting_id;
};
struct PluginQueryLocalDataPathsByRecordIdReq : LocalRecordOwner {
  std::vector<std::string> record_ids;
};
struct PluginQueryLocalDataPathsByKeyIdReq : LocalRecordOwner {
  int32_t key_kind = kLocalRecordKeyInstanceId;
  std::vector<std::string> keys;
};
// `paths` for the meeting query; `key_paths` (key → local_file_path) for the others.
struct LocalRecordDataPathsResp {
  std::vector<std::string> paths;
  std::map<std::string, std::string> key_paths;
};

struct QueryLocalRecordDataListByInstanceIdsReq : LocalRecordOwner {
  std::vector<std::string> instance_ids;
};

struct GetMeetingIdReqInfo : LocalRecordOwner {
  std::string instance_id;
};
struct GetMeetingIdResp {
  bool success = false;  // a row was found
  std::string meeting_id;
  std::string period_id;
};

struct GetMeetingListReqInfo : LocalRecordOwner {
  std::string meeting_id;
  std::string period_id;
};

// Local meeting recordings counted by meeting (distinct meeting id and period id).
struct GetLocalReocrdQuantityInfo : LocalRecordOwner {
  int64_t data_type = kLocalDataTypeMeetingRecord;
  bool only_with_video_md5 = false;
};
struct PluginGetLocalReocrdQuantityResp {
  bool success = false;
  int64_t quantity = 0;
};

enum LocalRecordQueryCondition : int32_t {
  kLocalRecordConditionNone = 0,
  kLocalRecordConditionMeetingBeginTime = 1,  // meeting, period and a start-time range
};
struct DbQueryLocalRecordDatasReq : LocalRecordOwner {
  int32_t condition_type = kLocalRecordConditionMeetingBeginTime;
  std::string meeting_id;
  std::string period_id;
  int64_t begin_time_from = 0;
  int64_t begin_time_to = 0;
};
struct DbQueryLocalRecordDatasResp {
  bool success = false;
  std::vector<LocalRecordDataInfo> items;
};

struct UpdateMultiLocalRecordDataShowRedPointReq : LocalRecordOwner {
  std::vector<std::string> instance_ids;
  bool show_red_point = false;
};

struct QuerySyncStatusInfo : LocalRecordOwner {};
struct QuerySyncStatusInfoResp {
  bool success = false;
  bool has_record = false;  // the owner has a sync row
  bool is_sync_success = false;
  int64_t sync_version = 0;
};
struct UpdateSyncStatusInfo : LocalRecordOwner {
  bool is_sync_success = false;
  int64_t sync_version = 0;
};

// Red-dot states.
enum RedDotState : int64_t {
  kRedDotStateIdle = 0,  // the upload failed
  kRedDotStateFinished = 1,
  kRedDotStateHandling = 2,  // uploading
};

struct LocalRecordRedDotData : LocalRecordOwner {
  std::string instance_id;
  std::string meeting_id;
  std::string period_id;
  int64_t data_type = kLocalDataTypeQuickRecord;
  int64_t state = kRedDotStateIdle;
};
using DbSaveOrUpdateLocalRecordRedDotReq = LocalRecordRedDotData;
struct DbSaveOrUpdateLocalRecordRedDotListReq {
  std::vector<DbSaveOrUpdateLocalRecordRedDotReq> items;
};

// By meeting and period when `by_meeting`, else by instance.
struct DbDeleteLocalRecordRedDotReq : LocalRecordOwner {
  bool by_meeting = false;
  std::string meeting_id;
  std::string period_id;
  std::string instance_id;
};
struct DbUpdateLocalRecordRedDotStateReq : LocalRecordOwner {
  std::string instance_id;
  int64_t state = kRedDotStateIdle;
};

struct DbOperateCommonReq : LocalRecordOwner {};
struct DbQueryLocalRecordRedDotNumResp {
  bool success = false;
  int64_t local_record_handling_cnt = 0;
  int64_t quick_record_handling_cnt = 0;
  int64_t local_record_finished_cnt = 0;
};

struct DbQueryLocalRecordRedDotDatasReq : LocalRecordOwner {
  int64_t data_type = kLocalDataTypeBoth;
  std::vector<int64_t> states;  // empty: every state
};
struct LocalRecordRedDotListResp {
  std::vector<LocalRecordRedDotData> items;
};

// ---- The meeting-history databases ----

// One meeting of "historical_meetings_new" with its local recording files.
struct PluginHistoryLocalRecordInfo : LocalRecordOwner {
  std::string meeting_id;
  std::string period_id;
  std::string meeting_code;
  std::string meeting_subject;
  int64_t meeting_join_time = 0;
  std::string meeting_screen_record_files;  // JSON object: file path → record start time text
};
struct HistoricalLocalRecordListResp {
  std::vector<PluginHistoryLocalRecordInfo> items;
  bool has_more = false;
};

struct PluginGetHistoricalLocalRecordListReq : LocalRecordOwner {
  int64_t offset = 0;
  int64_t page_size = 0;  // 0: every meeting
};
struct PluginQueryHistoricalLocalRecordDetailsReqInfo : LocalRecordOwner {
  std::string meeting_id;
  std::string period_id;
};
struct PluginQueryHistoricalLocalRecordDetailsRespInfo {
  std::string meeting_screen_record_files;
};
// Removes one file of a meeting from its record files.
struct PluginLocalRecordReqInfo : LocalRecordOwner {
  std::string meeting_id;
  std::string period_id;
  std::string local_file_path;
};
struct PluginBatchLocalRecordReqInfo {
  std::vector<PluginLocalRecordReqInfo> items;
};
struct MigrateStateResp {
  uint32_t state = 0;
};

}  // namespace quick_record
