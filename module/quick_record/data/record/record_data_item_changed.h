#pragma once

#include <cstdint>
#include <map>
#include <string>

// Notifications that one record changed, by reason. The variant form carries the common keys and
// the keys of the reason's specialisation.
namespace quick_record {

enum RecordDataChangedReason : int32_t {
  kRecordChangedAdded = 0,
  kRecordChangedRemoved = 1,
  kRecordChangedNotImplemented = 2,  // never produced
  kRecordChangedRecordStatus = 3,
  kRecordChangedCover = 4,
  kRecordChangedTotalTime = 5,
  kRecordChangedPermissionTips = 6,
  kRecordChangedRecordFilePath = 7,
  kRecordChangedRedDotStatus = 8,
};

struct tagRecordDataItemChanged {
  virtual ~tagRecordDataItemChanged() = default;
  std::string trace_id;
  int32_t record_data_type = 0;
  std::string instance_id;
  int32_t changed_reason = 0;  // RecordDataChangedReason
  bool apply_to_individual = false;
};

struct tagRecordDataItemRecordStatusChanged : tagRecordDataItemChanged {
  int32_t record_status = 0;
  uint64_t total_progress = 0;
  uint64_t handled_progress = 0;
  uint64_t record_end_time = 0;
};

struct tagRecordDataItemCoverChanged : tagRecordDataItemChanged {
  std::string cover_path;
};

struct tagRecordDataItemTotalTimeChanged : tagRecordDataItemChanged {
  uint64_t record_total_time = 0;
};

struct tagRecordDataItemPermissionTipsChanged : tagRecordDataItemChanged {
  std::string permission_tips;
  std::string share_link;
};

struct tagRecordDataItemRecordFilePathChanged : tagRecordDataItemChanged {
  std::map<std::string, std::string> record_file_path_map;
};

struct tagRecordDataItemRedDotStatusChanged : tagRecordDataItemChanged {
  bool is_show_red_dot = false;
};

}  // namespace quick_record
