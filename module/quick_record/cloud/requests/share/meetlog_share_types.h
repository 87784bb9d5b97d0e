#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "module/quick_record/cloud/requests/share/share_user_info.h"

// Parameters and small results of the share requests.
namespace quick_record {

struct MeetlogGetShareNewUiCfgReq {
  std::string uni_record_id;
};

struct MeetlogVideoShareLinkDataReq {
  std::string uni_record_id;
  int32_t record_type = 0;  // the record kind, sent as decimal text
};

// The granted-users list (cursor, source, page size, last item) and the attendee list or user
// search (scene, page, key word) page alike.
struct GetUserInfoReq {
  std::string uni_record_id;
  std::string cursor;  // empty for the first page
  std::string source;
  int32_t page_size = 0;  // 0: the back end's page size
  std::string last_item_info;
  int32_t scene = 0;
  int32_t page = 0;
  std::string key_word;  // not empty: a user search
};

struct UpdateUserPermissionReq {
  std::string uni_record_id;
  std::string custom_info;
  std::vector<ShareGrantUserInfo> update_list;  // users and their new permission
  bool is_participant_all = false;
  std::string uuid;
  std::vector<ShareUserInfo> selected_list;
  std::vector<ShareUserInfo> deleted_list;
};

struct AddAllMeetingAttendeeReq {
  std::string uni_record_id;
};

struct GetMeetingAttendeeCntReq {
  std::string uni_record_id;
};

struct GetMeetingAttendeeCntResult {
  bool success = false;
  int32_t cnt = 0;
};

struct CloudRecordPermissionReq {
  std::string share_id;
  std::string subject;
  std::string reason;
  std::string trace_id;
};

// Co-owners to add (is_grant set) or to remove.
struct UpdateGrantReq {
  std::string uni_record_id;
  std::string custom_info;
  std::string uuid;
  int32_t grant_from = 0;
  std::vector<ShareUserInfo> members;
};

struct GetLintraJoinStatusReq {
  std::string uni_record_id;
};

struct GetLintraShareStatusResult {
  bool success = false;
  bool status = false;
};

struct SetLintraJoinStatusReq {
  std::string uni_record_id;
  bool status = false;
};

}  // namespace quick_record
