#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace qr_transcoder {

// Where one object lives and the grant to write it: the object's URL, the authorisation text of
// each verb ("get", "put", "post", "head") and the session token of the grant.
struct CosGrant {
  std::string url;
  std::string session_token;
  std::map<std::string, std::string> auth;
  bool CanWrite() const { return !url.empty() && auth.count("put") && auth.count("post"); }
};

struct CosResponse {
  long http_status = 0;  // 0: no HTTP answer
  int curl_code = 0;     // CURLcode; 0 when the transfer itself worked
  std::string error_code;  // X-QR-Error / "error" of the body
  std::string etag;        // without quotes, lower case
  std::string body;
  bool ok() const { return curl_code == 0 && http_status >= 200 && http_status < 300; }
};

struct CosPart {
  int number = 0;
  std::string etag;  // without quotes, lower case
  uint64_t size = 0;
};

struct CosTimeouts {
  int64_t connect_ms = 5000;
  // A request that moves no byte for this long is given up.
  int64_t stall_ms = 30000;
};

// A client of the S3-like object store (docs/backend.md) over libcurl: multipart uploads with
// Content-MD5 on every body, and whole objects. One connection is kept and reused. Not
// thread-safe: one client per task thread. `cancel`, when set, aborts a transfer in flight.
class CosClient {
 public:
  explicit CosClient(CosTimeouts timeouts, const std::atomic<bool>* cancel = nullptr);
  ~CosClient();
  CosClient(const CosClient&) = delete;
  CosClient& operator=(const CosClient&) = delete;

  // The new upload id in *upload_id.
  CosResponse Initiate(const CosGrant& grant, std::string* upload_id);
  // `md5_hex` is the part's MD5, which the caller has already computed to check the ETag.
  CosResponse UploadPart(const CosGrant& grant, const std::string& upload_id, int number, const uint8_t* data,
                         size_t size, const std::string& md5_hex);
  CosResponse ListParts(const CosGrant& grant, const std::string& upload_id, std::vector<CosPart>* parts);
  // The answer's "etag" and "size" in `response.etag` and *size.
  CosResponse Complete(const CosGrant& grant, const std::string& upload_id, const std::vector<CosPart>& parts,
                       uint64_t* size);
  CosResponse Abort(const CosGrant& grant, const std::string& upload_id);
  CosResponse PutObject(const CosGrant& grant, const std::string& content, const std::string& content_type);
  // The object's size in *size and MD5 in `response.etag`.
  CosResponse Head(const CosGrant& grant, uint64_t* size);

 private:
  CosResponse Perform(const std::string& method, const std::string& url, const std::string& verb,
                      const CosGrant& grant, const uint8_t* body, size_t size, const std::string& content_type,
                      const std::string& content_md5);

  CosTimeouts timeouts_;
  const std::atomic<bool>* cancel_;
  void* curl_ = nullptr;  // CURL*, kept so the connection is reused
};

// Base64 of the binary MD5 (given as hex), as Content-MD5 wants it.
std::string ContentMd5(const std::string& md5_hex);
// Lower-case hex MD5 of the bytes.
std::string Md5Hex(const uint8_t* data, size_t size);
// The ETag of an object completed from these parts, as S3-compatible stores give it: the MD5 of
// the parts' binary MD5s one after another, then "-" and the number of parts.
std::string MultipartEtag(const std::vector<CosPart>& parts);

}  // namespace qr_transcoder
