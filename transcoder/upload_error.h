#pragma once

#include <cstdint>
#include <string>

namespace qr_transcoder {

struct CosResponse;

// "error_code" of "quick_record:upload_file_error" and "quick_record:local_upload_error". The
// module's retry table decides the next attempt from it: 1, 5, 6 and -1 start over, 2 and 3
// resume the upload, 4 asks for a new authorisation (docs/transcoder.md).
enum UploadError : int32_t {
  kUploadOk = 0,
  kUploadInternal = -1,
  kUploadRejected = 1,        // the store lost or refused the upload (unknown upload id, bad part)
  kUploadNetwork = 2,         // no connection, dropped connection, no answer in time
  kUploadServer = 3,          // the store failed (5xx)
  kUploadAuth = 4,            // authorisation missing, refused or expired
  kUploadLocalFile = 5,       // the local file cannot be made or read (disk full, broken input)
  kUploadVerifyFailed = 6,    // the finished object differs from the local file in size or MD5
};

// The error a failed store request stands for; kUploadOk for a 2xx answer.
UploadError ClassifyCosFailure(const CosResponse& response);

// Whether the same request may succeed when sent again right away (a dropped connection, a
// time-out, a 5xx): such failures are retried a few times before they are reported.
bool IsTransient(UploadError error);

// Short words for the log and "error_msg".
std::string DescribeCosFailure(const CosResponse& response);

}  // namespace qr_transcoder
