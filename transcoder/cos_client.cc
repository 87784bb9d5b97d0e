#include "transcoder/cos_client.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string_view>

#include "host/base/json/json_value.h"
#include "host/base/logging/logger.h"
#include "host/util/crypto.h"

namespace qr_transcoder {

namespace {

using base::json::JsonValue;

struct Transfer {
  const uint8_t* body = nullptr;
  size_t size = 0;
  size_t sent = 0;
  CosResponse* response = nullptr;
  const std::atomic<bool>* cancel = nullptr;
};

size_t ReadBody(char* buffer, size_t size, size_t count, void* user) {
  auto* transfer = static_cast<Transfer*>(user);
  const size_t n = std::min(size * count, transfer->size - transfer->sent);
  std::memcpy(buffer, transfer->body + transfer->sent, n);
  transfer->sent += n;
  return n;
}

size_t WriteBody(char* data, size_t size, size_t count, void* user) {
  static_cast<Transfer*>(user)->response->body.append(data, size * count);
  return size * count;
}

std::string Trimmed(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  return std::string(text);
}

// ETags are compared as lower-case hex without quotes.
std::string NormalEtag(std::string etag) {
  etag.erase(std::remove(etag.begin(), etag.end(), '"'), etag.end());
  std::transform(etag.begin(), etag.end(), etag.begin(), [](unsigned char c) { return std::tolower(c); });
  return etag;
}

size_t ReadHeader(char* data, size_t size, size_t count, void* user) {
  auto* response = static_cast<Transfer*>(user)->response;
  const std::string_view line(data, size * count);
  const size_t colon = line.find(':');
  if (colon != std::string_view::npos) {
    std::string name(line.substr(0, colon));
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    const std::string value = Trimmed(line.substr(colon + 1));
    if (name == "etag") response->etag = NormalEtag(value);
    if (name == "x-qr-error") response->error_code = value;
  }
  return size * count;
}

int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  const auto* cancel = static_cast<Transfer*>(user)->cancel;
  return cancel && cancel->load() ? 1 : 0;
}

std::string WithQuery(const std::string& url, const std::string& query) {
  return url + (url.find('?') == std::string::npos ? "?" : "&") + query;
}

std::string HexToBinary(const std::string& hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return out;
}

}  // namespace

std::string Md5Hex(const uint8_t* data, size_t size) {
  return util::crypto::Md5(std::string_view(reinterpret_cast<const char*>(data), size));
}

std::string ContentMd5(const std::string& md5_hex) { return util::crypto::Encode64(HexToBinary(md5_hex)); }

std::string MultipartEtag(const std::vector<CosPart>& parts) {
  std::string digests;
  for (const CosPart& part : parts) digests += HexToBinary(part.etag);
  return util::crypto::Md5(digests) + "-" + std::to_string(parts.size());
}

CosClient::CosClient(CosTimeouts timeouts, const std::atomic<bool>* cancel)
    : timeouts_(timeouts), cancel_(cancel), curl_(curl_easy_init()) {}

CosClient::~CosClient() {
  if (curl_) curl_easy_cleanup(static_cast<CURL*>(curl_));
}

CosResponse CosClient::Perform(const std::string& method, const std::string& url, const std::string& verb,
                               const CosGrant& grant, const uint8_t* body, size_t size,
                               const std::string& content_type, const std::string& content_md5) {
  CosResponse response;
  CURL* curl = static_cast<CURL*>(curl_);
  if (!curl) {
    response.curl_code = CURLE_FAILED_INIT;
    return response;
  }
  curl_easy_reset(curl);
  Transfer transfer{body, size, 0, &response, cancel_};
  curl_slist* headers = nullptr;
  const auto auth = grant.auth.find(verb);
  headers = curl_slist_append(headers, ("Authorization: " + (auth == grant.auth.end() ? "" : auth->second)).c_str());
  headers = curl_slist_append(headers, ("X-QR-Session-Token: " + grant.session_token).c_str());
  if (!content_md5.empty()) headers = curl_slist_append(headers, ("Content-MD5: " + content_md5).c_str());
  if (!content_type.empty()) headers = curl_slist_append(headers, ("Content-Type: " + content_type).c_str());
  // The store answers at once; waiting for "100 Continue" would only cost a round trip.
  headers = curl_slist_append(headers, "Expect:");

  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeouts_.connect_ms));
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, std::max(1L, static_cast<long>(timeouts_.stall_ms / 1000)));
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, ReadHeader);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &transfer);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, OnProgress);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
  if (method == "PUT") {
    curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, ReadBody);
    curl_easy_setopt(curl, CURLOPT_READDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(size));
    curl_easy_setopt(curl, CURLOPT_UPLOAD_BUFFERSIZE, 512L * 1024);
  } else if (method == "POST") {
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, size ? reinterpret_cast<const char*>(body) : "");
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(size));
  } else if (method == "HEAD") {
    curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
  } else if (method != "GET") {
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, method.c_str());
  }
  response.curl_code = curl_easy_perform(curl);
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &response.http_status);
  curl_slist_free_all(headers);
  if (response.curl_code != CURLE_OK) response.http_status = 0;
  if (response.error_code.empty() && response.http_status >= 400) {
    response.error_code = JsonValue::Parse(response.body)["error"].AsString();
  }
  if (!response.ok()) {
    KLOG(3) << method << " " << url << " failed: http " << response.http_status << ", curl " << response.curl_code
            << " (" << curl_easy_strerror(static_cast<CURLcode>(response.curl_code)) << ") " << response.error_code;
  }
  return response;
}

CosResponse CosClient::Initiate(const CosGrant& grant, std::string* upload_id) {
  CosResponse response = Perform("POST", WithQuery(grant.url, "uploads"), "post", grant, nullptr, 0, "video/mp4", "");
  *upload_id = response.ok() ? JsonValue::Parse(response.body)["upload_id"].AsString() : "";
  if (response.ok() && upload_id->empty()) response.http_status = 502;  // an answer we cannot use
  return response;
}

CosResponse CosClient::UploadPart(const CosGrant& grant, const std::string& upload_id, int number,
                                  const uint8_t* data, size_t size, const std::string& md5_hex) {
  const std::string url = WithQuery(grant.url, "partNumber=" + std::to_string(number) + "&uploadId=" + upload_id);
  return Perform("PUT", url, "put", grant, data, size, "application/octet-stream", ContentMd5(md5_hex));
}

CosResponse CosClient::ListParts(const CosGrant& grant, const std::string& upload_id, std::vector<CosPart>* parts) {
  CosResponse response = Perform("GET", WithQuery(grant.url, "uploadId=" + upload_id), "get", grant, nullptr, 0, "", "");
  parts->clear();
  if (!response.ok()) return response;
  JsonValue::Parse(response.body)["parts"].ForEachElement([&](size_t, const JsonValue& part) {
    parts->push_back({static_cast<int>(part["part_number"].AsInteger()), NormalEtag(part["etag"].AsString()),
                      part["size"].AsUnsigned()});
  });
  return response;
}

CosResponse CosClient::Complete(const CosGrant& grant, const std::string& upload_id, const std::vector<CosPart>& parts,
                                uint64_t* size) {
  JsonValue list = JsonValue::Array();
  for (const auto& part : parts) {
    JsonValue entry = JsonValue::Object();
    entry.SetJsonObject("part_number", part.number);
    entry.SetJsonObject("etag", "\"" + part.etag + "\"");
    list.AddaJsonObject(entry);
  }
  JsonValue body = JsonValue::Object();
  body.SetJsonObject("parts", list);
  const std::string text = body.ToCompactString();
  CosResponse response = Perform("POST", WithQuery(grant.url, "uploadId=" + upload_id), "post", grant,
                                 reinterpret_cast<const uint8_t*>(text.data()), text.size(), "application/json",
                                 ContentMd5(util::crypto::Md5(text)));
  if (response.ok()) {
    const JsonValue answer = JsonValue::Parse(response.body);
    *size = answer["size"].AsUnsigned();
    if (answer.Contain("etag")) response.etag = NormalEtag(answer["etag"].AsString());
  }
  return response;
}

CosResponse CosClient::Abort(const CosGrant& grant, const std::string& upload_id) {
  return Perform("DELETE", WithQuery(grant.url, "uploadId=" + upload_id), "post", grant, nullptr, 0, "", "");
}

CosResponse CosClient::PutObject(const CosGrant& grant, const std::string& content, const std::string& content_type) {
  return Perform("PUT", grant.url, "put", grant, reinterpret_cast<const uint8_t*>(content.data()), content.size(),
                 content_type, ContentMd5(util::crypto::Md5(content)));
}

CosResponse CosClient::Head(const CosGrant& grant, uint64_t* size) {
  CosResponse response = Perform("HEAD", grant.url, "head", grant, nullptr, 0, "", "");
  curl_off_t length = -1;
  curl_easy_getinfo(static_cast<CURL*>(curl_), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
  *size = length > 0 ? static_cast<uint64_t>(length) : 0;
  return response;
}

}  // namespace qr_transcoder
