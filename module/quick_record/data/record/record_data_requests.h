#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "module/quick_record/data/record/record_data_item.h"

// The requests and answers that travel between the record models and the view models as variant
// maps. Each structure comes with a Visit...Fields list of (variant key, field) in key order, read
// and written by RecordDataConvertUtils; record lists are converted there, outside the lists.
namespace quick_record {

// A paged list request.
struct tagRecordDataNormalRequest {
  std::string trace_id;
  uint64_t record_data_start_time = 0;
  std::string uni_record_id;
  int32_t direction = 0;
  int32_t size = 0;
  int32_t table_type = 0;        // RecordTableType
  int32_t record_data_type = 0;  // 0 local and cloud, 1 local only, 2 cloud only
  int32_t record_method_type = 0;
  int32_t sort_policy = 0;
  int32_t data_way = 0;  // RecordDataWay
  bool is_first_page = false;
  std::string meeting_id;
  std::string sub_meeting_id;
  std::string room_id;
};

template <typename T, typename Visit>
void VisitNormalRequestFields(T& r, Visit&& visit) {
  visit("trace_id", r.trace_id);
  visit("record_data_start_time", r.record_data_start_time);
  visit("uni_record_id", r.uni_record_id);
  visit("direction", r.direction);
  visit("size", r.size);
  visit("table_type", r.table_type);
  visit("record_data_type", r.record_data_type);
  visit("record_method_type", r.record_method_type);
  visit("sort_policy", r.sort_policy);
  visit("data_way", r.data_way);
  visit("is_first_page", r.is_first_page);
  visit("meeting_id", r.meeting_id);
  visit("sub_meeting_id", r.sub_meeting_id);
  visit("room_id", r.room_id);
}

// The answer of a list request ("record_items" is converted apart).
struct tagRecordDataListResponse {
  std::string trace_id;
  std::vector<tagRecordDataItem> record_items;
  uint64_t cloud_total_count = 0;
  uint64_t local_total_count = 0;
  std::string last_record_uni_record_id;  // the continuation id
  bool is_preload = false;
  uint64_t first_record_time = 0;
  uint64_t last_record_time = 0;
  int32_t size = 0;
  bool has_more = false;
  bool success = false;
  int32_t table_type = 0;
  int32_t data_way = 0;
  uint64_t request_time = 0;
  int32_t record_data_type = 0;
};

template <typename T, typename Visit>
void VisitListResponseFields(T& r, Visit&& visit) {
  visit("trace_id", r.trace_id);
  visit("cloud_total_count", r.cloud_total_count);
  visit("local_total_count", r.local_total_count);
  visit("last_record_uni_record_id", r.last_record_uni_record_id);
  visit("is_preload", r.is_preload);
  visit("first_record_time", r.first_record_time);
  visit("last_record_time", r.last_record_time);
  visit("size", r.size);
  visit("has_more", r.has_more);
  visit("success", r.success);
  visit("table_type", r.table_type);
  visit("data_way", r.data_way);
  visit("request_time", r.request_time);
  visit("record_data_type", r.record_data_type);
}

struct tagSingleRecordDataRequest {
  std::string trace_id;
  std::string file_id;
  std::string uni_record_id;
};

template <typename T, typename Visit>
void VisitSingleRequestFields(T& r, Visit&& visit) {
  visit("trace_id", r.trace_id);
  visit("file_id", r.file_id);
  visit("uni_record_id", r.uni_record_id);
}

struct tagSingleMeetingRecordDataRequest {
  std::string trace_id;
  std::string meeting_id;
  std::string sub_meeting_id;
  std::string room_id;
  int32_t table_type = 0;
  uint64_t record_data_start_time = 0;
};

template <typename T, typename Visit>
void VisitSingleMeetingRequestFields(T& r, Visit&& visit) {
  visit("trace_id", r.trace_id);
  visit("meeting_id", r.meeting_id);
  visit("sub_meeting_id", r.sub_meeting_id);
  visit("room_id", r.room_id);
  visit("table_type", r.table_type);
  visit("record_data_start_time", r.record_data_start_time);
}

// The answer of a single record or single meeting request ("record_items" apart).
struct tagSingleRecordDataResponse {
  std::string trace_id;
  std::vector<tagRecordDataItem> record_items;
  bool success = false;
  uint64_t request_time = 0;
};

template <typename T, typename Visit>
void VisitSingleResponseFields(T& r, Visit&& visit) {
  visit("trace_id", r.trace_id);
  visit("success", r.success);
  visit("request_time", r.request_time);
}

// A change to one record ("record_items" apart).
struct tagUpdateRecordDataRequest {
  std::string trace_id;
  int32_t record_data_type = 0;
  std::string instance_id;
  int32_t update_tag = 0;
  bool is_item_uploaded = false;
  int32_t item_tag = 0;
  std::string str_value;
  std::string old_str_value;
  uint64_t int_value = 0;
  bool bool_value = false;
  std::vector<tagRecordDataItem> record_items;
};

template <typename T, typename Visit>
void VisitUpdateRequestFields(T& r, Visit&& visit) {
  visit("trace_id", r.trace_id);
  visit("record_data_type", r.record_data_type);
  visit("instance_id", r.instance_id);
  visit("update_tag", r.update_tag);
  visit("is_item_uploaded", r.is_item_uploaded);
  visit("item_tag", r.item_tag);
  visit("str_value", r.str_value);
  visit("old_str_value", r.old_str_value);
  visit("int_value", r.int_value);
  visit("bool_value", r.bool_value);
}

struct tagDeleteRecordDataRequest {
  std::string trace_id;
  int32_t record_data_type = 0;
  std::string instance_id;
  bool is_item_uploaded = false;
  bool delete_local_record_file = false;
  std::string meeting_id;
  std::string record_id;
  std::string period_id;
  uint64_t meeting_screen_record_time = 0;
  std::string local_file_path;
};

template <typename T, typename Visit>
void VisitDeleteRequestFields(T& r, Visit&& visit) {
  visit("trace_id", r.trace_id);
  visit("record_data_type", r.record_data_type);
  visit("instance_id", r.instance_id);
  visit("is_item_uploaded", r.is_item_uploaded);
  visit("delete_local_record_file", r.delete_local_record_file);
  visit("meeting_id", r.meeting_id);
  visit("record_id", r.record_id);
  visit("period_id", r.period_id);
  visit("meeting_screen_record_time", r.meeting_screen_record_time);
  visit("local_file_path", r.local_file_path);
}

struct tagBatchDeleteRecordDataRequest {
  std::string trace_id;
  bool delete_local_record_file = false;
  std::vector<tagDeleteRecordDataRequest> request_list;
};

// "suc_array" and "fail_array" hold the delete requests that succeeded and failed.
struct tagBatchDeleteRecordDataResponse {
  bool success = false;
  std::vector<tagDeleteRecordDataRequest> suc_array;
  std::vector<tagDeleteRecordDataRequest> fail_array;
};

}  // namespace quick_record
