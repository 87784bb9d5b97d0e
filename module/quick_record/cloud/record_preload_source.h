#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "host/base/variant/variant.h"

namespace quick_record {

// The host application model 1000043, which may hold list pages it loaded before the module asked
// (the first page of each home-page tab, the records of a meeting) and knows whether a meeting
// has only local records. Every answer is optional: without the model the lists come from the
// network.
//
// Operations 13 (meeting page) and 17 (tab page) answer {"result": {"status_code", "msg",
// "biz_code", "body"}}, the body being the back end's whole answer text; operation 15 answers
// {"result": bool}.
class RecordPreloadSource {
 public:
  static constexpr int32_t kModelId = 1000043;
  static constexpr int32_t kMeetingPage = 13;
  static constexpr int32_t kOnlyLocalRecords = 15;
  static constexpr int32_t kTabPage = 17;

  struct Response {
    int32_t status_code = 0;
    std::string msg;
    int64_t biz_code = -1;
    std::string body;
    bool IsSucceeded() const { return status_code == 200 && biz_code == 0; }
  };

  // Null when the model is missing or did not handle the call.
  static std::optional<Response> Fetch(int32_t operation, const base::variant::Variant& args);
  static bool OnlyHasLocalRecords(const base::variant::Variant& args);
};

}  // namespace quick_record
