#pragma once

#include <cstdint>
#include <string>

namespace quick_record {

// What the reachability probes of object-storage hosts found, kept in the user configuration, and
// the decision whether an upload may ask for QUIC at all. Reads and writes go to host model 517.
class QuickRecordHostDetectCache {
 public:
  static constexpr char kResultKey[] = "quick_record.host_detect_result";
  static constexpr char kFailTimeKey[] = "quick_record.fail_host_detect_time";
  // A probe result (and a failure) counts for 30 days.
  static constexpr int64_t kValiditySeconds = 2592000;

  // True only for a stored, well-formed, reachable entry of `url` younger than 30 days.
  static bool IsReachable(const std::string& url, int64_t now_seconds);
  // Records a probe of `url` made at `now_seconds`.
  static void Update(const std::string& url, bool reachable, int64_t now_seconds);
  // The real-time switch "http_quic_enable" and the ability "quick_record_quic_protocol_switch" are
  // on, and no probe failed within the last 30 days.
  static bool ShouldUseQuic(int64_t now_seconds);
};

}  // namespace quick_record
