#pragma once

#include <cstdint>
#include <string>

#include "module/quick_record/cloud/record_access_info.h"

namespace quick_record {

// Table types of record lists.
enum RecordTableType : int32_t {
  kRecordTableAll = 0,
  kRecordTableRecent = 1,
  kRecordTableMine = 2,
  kRecordTableMeetingWithPreload = 3,
  kRecordTableMeetingWithoutPreload = 4,
};

// How a page request relates to what the list holds already.
enum RecordDataWay : int32_t {
  kRecordDataWayFirstPage = 0,
  kRecordDataWayMerge = 1,
  kRecordDataWayNextPage = 2,
  kRecordDataWayRefresh = 3,
};

// `record_type` of the records made from cloud list items; records that exist only on the disk
// get their kinds from the local record data model.
inline constexpr int32_t kRecordTypeCloudQuickRecord = 2;
inline constexpr int32_t kRecordTypeCloudRecording = 3;
inline constexpr int32_t kRecordTypeUploadedLocalFile = 4;

// `record_status` of cloud records, from the back end's "record_state".
inline constexpr int32_t kRecordStatusReady = 0;       // "record_state" 1
inline constexpr int32_t kRecordStatusProcessing = 2;  // "record_state" 2
inline constexpr int32_t kRecordStatusOther = 7;       // any other state

// One recording as every list, card and detail view holds it, whether it is in the cloud, on the
// disk or uploading. Field order is the order of its variant map, in which the access part sits
// after `uni_record_id` (see VisitRecordDataItemFields).
struct tagRecordDataItem : RecordAccessInfo {
  std::string record_id;
  int32_t upload_rate = 0;
  bool is_uploaded = false;
  int32_t build_progress = 0;
  std::string complete_jump_url;
  std::string short_jump_url;
  std::string record_file_path;
  std::string meeting_id;
  std::string period_id;
  std::string meeting_code;
  std::string encode_record_id;
  int32_t record_type = 0;
  std::string permission_tip;
  std::string permission_password;
  std::string share_link;
  std::string share_link_short;
  uint64_t share_url_expired = 0;
  std::string instance_id;  // for cloud records the file id
  std::string record_title;
  uint64_t record_start_time = 0;
  uint64_t record_end_time = 0;
  uint64_t record_totoal_time = 0;
  uint64_t last_visited_time = 0;
  std::string cover_path;
  std::string local_cover_path;
  std::string user_id;
  std::string user_name;
  std::string user_icon;
  std::string recorder_avatar;
  uint64_t video_res_width = 0;
  uint64_t video_res_height = 0;
  uint64_t record_count = 0;
  bool is_del = false;
  int32_t record_status = 0;
  std::string record_status_msg;
  uint64_t viewer_status = 0;
  std::string cover_msg;
  uint64_t hover_msg_type = 0;
  uint64_t hover_msg_time_at = 0;
  bool show_red_point = false;
  uint64_t update_record_time = 0;  // the sort key of the "all records" list
  std::string uni_record_id;
  bool is_rooms = false;
  bool play_video_enable = false;
  bool is_admin = false;
  uint64_t role_type = 0;
};

// Calls visit(key, field) for every field of `item` with its variant key, in field order. One
// list serves writing and reading, so the two can never disagree about a key.
template <typename Item, typename Visit>
void VisitRecordDataItemFields(Item& item, Visit&& visit) {
  visit("record_id", item.record_id);
  visit("upload_rate", item.upload_rate);
  visit("is_uploaded", item.is_uploaded);
  visit("build_progress", item.build_progress);
  visit("complete_jump_url", item.complete_jump_url);
  visit("short_jump_url", item.short_jump_url);
  visit("record_file_path", item.record_file_path);
  visit("meeting_id", item.meeting_id);
  visit("period_id", item.period_id);
  visit("meeting_code", item.meeting_code);
  visit("encode_record_id", item.encode_record_id);
  visit("record_type", item.record_type);
  visit("permission_tip", item.permission_tip);
  visit("permission_password", item.permission_password);
  visit("share_link", item.share_link);
  visit("share_link_short", item.share_link_short);
  visit("share_url_expired", item.share_url_expired);
  visit("instance_id", item.instance_id);
  visit("record_title", item.record_title);
  visit("record_start_time", item.record_start_time);
  visit("record_end_time", item.record_end_time);
  visit("record_totoal_time", item.record_totoal_time);
  visit("last_visited_time", item.last_visited_time);
  visit("cover_path", item.cover_path);
  visit("local_cover_path", item.local_cover_path);
  visit("user_id", item.user_id);
  visit("user_name", item.user_name);
  visit("user_icon", item.user_icon);
  visit("recorder_avatar", item.recorder_avatar);
  visit("video_res_width", item.video_res_width);
  visit("video_res_height", item.video_res_height);
  visit("record_count", item.record_count);
  visit("is_del", item.is_del);
  visit("record_status", item.record_status);
  visit("record_status_msg", item.record_status_msg);
  visit("viewer_status", item.viewer_status);
  visit("cover_msg", item.cover_msg);
  visit("hover_msg_type", item.hover_msg_type);
  visit("hover_msg_time_at", item.hover_msg_time_at);
  visit("show_red_point", item.show_red_point);
  visit("update_record_time", item.update_record_time);
  visit("uni_record_id", item.uni_record_id);
  visit("is_single", item.is_single);
  visit("access_type", item.access_type);
  visit("permission_type", item.permission_type);
  visit("sharing_state", item.sharing_state);
  visit("activity_uid", item.activity_uid);
  visit("activity_id", item.activity_id);
  visit("access_msg", item.access_msg);
  visit("is_rooms", item.is_rooms);
  visit("play_video_enable", item.play_video_enable);
  visit("is_admin", item.is_admin);
  visit("role_type", item.role_type);
}

}  // namespace quick_record
