#pragma once

#include <cstdint>
#include <string>

#include "module/quick_record/transcode/i_quick_record_transcode_delegate.h"

// The upload's analytics: what the back end granted, and every failure of the transcode and
// upload step. Secrets of the grant (session tokens, authorisations) are never reported.
namespace quick_record::upload_analytics {

inline constexpr char kAuthResultEvent[] = "e#quick_record_upload#upload_auth_result_content#report";
inline constexpr char kTranscodeUploadEvent[] = "e#quick_record_upload#transcode_upload#report";

void ReportAuthResult(const std::string& instance_id, const std::string& record_id, const std::string& bucket_name,
                      const std::string& cos_key, const std::string& cover_cos_key);
// The process's "quick_record:upload_file_error", field by field.
void ReportUploadFailure(const TranscodeUploadError& error);
// A process that could not be created, did not report in time or went away: `step` is
// "create_process_time_out", "create_process_failed" or "process_exit".
void ReportProcessFailure(const std::string& step, int64_t error_code);

}  // namespace quick_record::upload_analytics
