#include "module/quick_record/upload/upload_analytics.h"

#include "host/base/analytics/analytics.h"

namespace quick_record::upload_analytics {

void ReportAuthResult(const std::string& instance_id, const std::string& record_id, const std::string& bucket_name,
                      const std::string& cos_key, const std::string& cover_cos_key) {
  base::analytics::LogEventWithProperties(kAuthResultEvent, {{"instance_id", instance_id},
                                                             {"record_id", record_id},
                                                             {"bucket_name", bucket_name},
                                                             {"cos_key", cos_key},
                                                             {"cover_cos_key", cover_cos_key}});
}

void ReportUploadFailure(const TranscodeUploadError& error) {
  base::analytics::LogEventWithProperties(
      kTranscodeUploadEvent, {{"step", "upload_file_error"},
                              {"instance_id", error.instance_id},
                              {"cos_error_code_", std::to_string(error.cos_error_code)},
                              {"cos_upload_current_state_", std::to_string(error.cos_upload_current_state)},
                              {"cos_upload_result_", std::to_string(error.cos_upload_result)},
                              {"error_code_", std::to_string(error.error_code)},
                              {"error_msg_", error.error_msg},
                              {"request_type_", error.request_type},
                              {"network_break_", error.network_break ? "1" : "0"},
                              {"upload_type_", error.upload_type}});
}

void ReportProcessFailure(const std::string& step, int64_t error_code) {
  base::analytics::LogEventWithProperties(kTranscodeUploadEvent,
                                          {{"step", step}, {"error_code", std::to_string(error_code)}});
}

}  // namespace quick_record::upload_analytics
