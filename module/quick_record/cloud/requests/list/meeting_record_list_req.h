#pragma once

#include <cstdint>
#include <string>

namespace quick_record {

// One page of the records of a meeting.
struct MeetingRecordListReq {
  std::string meeting_id;
  std::string sub_meeting_id;
  std::string room_id;
  std::string last_index;
  int32_t page_size = 0;
  int32_t source = 0;
  std::string trace_id;
};

}  // namespace quick_record
