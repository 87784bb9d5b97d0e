#include "transcoder/upload_error.h"

#include <curl/curl.h>

#include "transcoder/cos_client.h"

namespace qr_transcoder {

UploadError ClassifyCosFailure(const CosResponse& response) {
  if (response.ok()) return kUploadOk;
  if (response.curl_code != CURLE_OK || response.http_status == 0) return kUploadNetwork;
  if (response.http_status == 401 || response.http_status == 403) return kUploadAuth;
  if (response.http_status >= 500) return kUploadServer;
  // 404 NoSuchUpload, 400 InvalidPart and the like: this upload cannot go on.
  return kUploadRejected;
}

bool IsTransient(UploadError error) { return error == kUploadNetwork || error == kUploadServer; }

std::string DescribeCosFailure(const CosResponse& response) {
  if (response.curl_code != CURLE_OK) {
    return std::string("transfer failed: ") + curl_easy_strerror(static_cast<CURLcode>(response.curl_code));
  }
  return "http " + std::to_string(response.http_status) + (response.error_code.empty() ? "" : " " + response.error_code);
}

}  // namespace qr_transcoder
