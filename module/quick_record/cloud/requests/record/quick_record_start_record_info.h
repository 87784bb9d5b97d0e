#pragma once

#include <string>

namespace quick_record {

// What a start request asks the back end for; shared between the caller and the plugin, which
// keeps it to send the start again without QUIC.
struct QuickRecordStartRecordInfo {
  std::string subject;  // the title; sent Base64-encoded
  std::string record_start_time;
  std::string record_id;  // empty for a new record
  std::string creator_instance_id;
  std::string record_subject;
  std::string record_type;  // optional
};

}  // namespace quick_record
