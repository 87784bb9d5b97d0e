#include "api/record_capacity_api.h"

#include "api/api_context.h"
#include "api/biz_code.h"
#include "api/record_operations.h"

namespace qr_backend {

void RecordCapacityApi::Register(ApiRouter& router) {
  router.Post("/v2/meetlog/query/record-capacity",
              [this](const ApiCall& call) { return Query(call); });
}

ApiAnswer RecordCapacityApi::Query(const ApiCall& call) {
  const auto usage = context_.records.UsageOf(call.user.app_uid, context_.settings.bucket);
  if (!usage) return ApiAnswer::Fail(kBizInternal, "cannot read the space in use");
  // Quick recordings and uploaded files count as meeting-log content; cloud recordings apart.
  int64_t meetlog_count = 0, meetlog_bytes = 0, cloud_count = 0, cloud_bytes = 0;
  for (const RecordUsage& kind : *usage) {
    if (kind.record_type == "cloud_record") {
      cloud_count += kind.count;
      cloud_bytes += kind.bytes;
    } else {
      meetlog_count += kind.count;
      meetlog_bytes += kind.bytes;
    }
  }
  const auto text = [](int64_t n) { return std::to_string(n); };
  return ApiAnswer::Ok({
      {"total_capacity", text(QuotaOf(context_, call.user))},
      {"usedspace", text(meetlog_bytes + cloud_bytes)},
      {"meetlog_used_capacity", text(meetlog_bytes)},
      {"cloud_record_used_capacity", text(cloud_bytes)},
      {"capacity_limit_switch", "1"},
      {"meetlog_count", text(meetlog_count)},
      {"cloud_record_count", text(cloud_count)},
      {"personal_record_count", text(meetlog_count + cloud_count)},
      {"personal_used_space", text(meetlog_bytes + cloud_bytes)},
  });
}

}  // namespace qr_backend
