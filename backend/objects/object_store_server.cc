#include "objects/object_store_server.h"

#include <httplib.h>

#include <charconv>

#include "common/crypto.h"
#include "common/field_reader.h"
#include "objects/object_authority.h"
#include "objects/object_store.h"

namespace qr_backend {

namespace {

constexpr char kDefaultContentType[] = "application/octet-stream";
constexpr size_t kReadChunk = 1 << 20;

// cpp-httplib 0.11 applies the request's byte ranges to whatever body the response carries,
// error bodies included, and does not clip an end beyond the object. The request object is
// not const inside the library; we adjust its ranges before the response is written.
httplib::Ranges& MutableRanges(const httplib::Request& request) {
  return const_cast<httplib::Ranges&>(request.ranges);
}

void WriteError(const httplib::Request& request, httplib::Response& response, int status,
                const std::string& code, const std::string& message) {
  MutableRanges(request).clear();
  response.status = status;
  response.set_header("X-QR-Error", code);
  nlohmann::json body = {{"error", code}, {"message", message}};
  response.set_content(body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace),
                       "application/json");
}

void WriteJson(httplib::Response& response, const nlohmann::json& body) {
  response.status = 200;
  response.set_content(body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace),
                       "application/json");
}

void WriteStoreError(const httplib::Request& request, httplib::Response& response,
                     StoreError error) {
  switch (error) {
    case StoreError::kNone:
      return;
    case StoreError::kNotFound:
      return WriteError(request, response, 404, "NoSuchKey", "no such object");
    case StoreError::kNoSuchUpload:
      return WriteError(request, response, 404, "NoSuchUpload",
                        "no such upload for this object; it may have been completed or aborted");
    case StoreError::kInvalidPart:
      return WriteError(request, response, 400, "InvalidPart",
                        "a listed part was not uploaded or its ETag differs");
    case StoreError::kInvalidPartOrder:
      return WriteError(request, response, 400, "InvalidPartOrder",
                        "list at least one part, in strictly ascending part_number order");
    case StoreError::kStorage:
      return WriteError(request, response, 500, "InternalError", "storage failure");
  }
}

std::string Quoted(const std::string& etag) { return "\"" + etag + "\""; }

std::optional<int64_t> PartNumber(const std::string& text) {
  int64_t number = 0;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (ec != std::errc() || ptr != text.data() + text.size() || number < 1 ||
      number > ObjectStore::kMaxPartNumber) {
    return std::nullopt;
  }
  return number;
}

// Clips each range to the object; false when none can be satisfied.
bool ClipRanges(httplib::Ranges& ranges, int64_t size) {
  for (auto& [first, last] : ranges) {
    if (first < 0) {  // suffix: the last `last` bytes
      if (last <= 0 || size == 0) return false;
      if (last > size) last = size;
      continue;
    }
    if (first >= size || (last >= 0 && last < first)) return false;
    if (last < 0 || last >= size) last = size - 1;
  }
  return true;
}

}  // namespace

void ObjectStoreServer::Register(httplib::Server& server) {
  server.Get(R"(/.*)", [this](const httplib::Request& request, httplib::Response& response) {
    Get(request, response);
  });
  server.Put(R"(/.*)",
             [this](const httplib::Request& request, httplib::Response& response,
                    const httplib::ContentReader& reader) { Put(request, response, reader); });
  server.Post(R"(/.*)", [this](const httplib::Request& request, httplib::Response& response) {
    Post(request, response);
  });
  server.Delete(R"(/.*)", [this](const httplib::Request& request, httplib::Response& response) {
    Delete(request, response);
  });
}

std::optional<ObjectStoreServer::Target> ObjectStoreServer::Authorise(
    const httplib::Request& request, httplib::Response& response, const std::string& verb,
    bool play_allowed) {
  Target target;
  const std::string& path = request.path;
  const size_t slash = path.find('/', 1);
  if (slash != std::string::npos) {
    target.bucket = path.substr(1, slash - 1);
    target.key = path.substr(slash + 1);
  }
  std::string auth = request.get_header_value("Authorization");
  std::string session = request.get_header_value("X-QR-Session-Token");
  if (auth.empty() && session.empty()) {
    auth = request.get_param_value("auth");
    session = request.get_param_value("session_token");
  }
  AuthOutcome outcome;
  if (!target.bucket.empty() && !target.key.empty()) {
    outcome = authority_.Check(verb, target.bucket, target.key, auth, session);
    if (outcome.check == AuthCheck::kWrongVerb && play_allowed) {
      outcome = authority_.Check("play", target.bucket, target.key, auth, session);
      // A player asks for ranges; a whole-object GET is a download, which "play" is not.
      if (outcome.check == AuthCheck::kOk && !request.has_header("Range")) {
        WriteError(request, response, 403, "AccessDenied",
                   "a play authorisation serves byte ranges only");
        return std::nullopt;
      }
    }
  }
  if (outcome.check != AuthCheck::kOk) {
    WriteError(request, response, 403, "AccessDenied", ObjectAuthority::Describe(outcome.check));
    // The body of a refused upload is never read; the connection cannot be reused.
    response.set_header("Connection", "close");
    return std::nullopt;
  }
  target.owner_uid = outcome.owner_uid;
  return target;
}

void ObjectStoreServer::Get(const httplib::Request& request, httplib::Response& response) {
  const bool head = request.method == "HEAD";
  const bool list_parts = !head && request.has_param("uploadId");
  const auto target = Authorise(request, response, head ? "head" : "get", !head && !list_parts);
  if (!target) return;
  if (!head && request.has_param("uploadId")) return ListParts(request, response, *target);
  GetObject(request, response, *target);
}

void ObjectStoreServer::GetObject(const httplib::Request& request, httplib::Response& response,
                                  const Target& target) {
  std::shared_ptr<ObjectReader> reader = store_.Open(target.bucket, target.key);
  if (!reader) return WriteStoreError(request, response, StoreError::kNotFound);
  const StoredObject& info = reader->info();
  if (!ClipRanges(MutableRanges(request), info.size)) {
    WriteError(request, response, 416, "InvalidRange", "the range is outside the object");
    response.set_header("Content-Range", "bytes */" + std::to_string(info.size));
    return;
  }
  response.set_header("ETag", Quoted(info.etag));
  response.set_header("Accept-Ranges", "bytes");
  if (info.size == 0) {
    response.set_content("", info.content_type);
    return;
  }
  response.set_content_provider(static_cast<size_t>(info.size), info.content_type,
                                [reader](size_t offset, size_t length, httplib::DataSink& sink) {
                                  std::vector<char> buffer(std::min(length, kReadChunk));
                                  const int64_t n = reader->ReadAt(static_cast<int64_t>(offset),
                                                                   buffer.data(), buffer.size());
                                  return n > 0 && sink.write(buffer.data(), static_cast<size_t>(n));
                                });
}

void ObjectStoreServer::ListParts(const httplib::Request& request, httplib::Response& response,
                                  const Target& target) {
  const std::string upload_id = request.get_param_value("uploadId");
  const auto listed = store_.ListParts(upload_id, target.bucket, target.key);
  if (!listed.ok()) return WriteStoreError(request, response, listed.error);
  nlohmann::json parts = nlohmann::json::array();
  for (const UploadedPart& part : listed.value) {
    parts.push_back(
        {{"part_number", part.part_number}, {"etag", Quoted(part.etag)}, {"size", part.size}});
  }
  WriteJson(
      response,
      {{"bucket", target.bucket}, {"key", target.key}, {"upload_id", upload_id}, {"parts", parts}});
}

void ObjectStoreServer::Put(const httplib::Request& request, httplib::Response& response,
                            const httplib::ContentReader& reader) {
  const auto target = Authorise(request, response, "put");
  if (!target) return;
  const bool has_upload = request.has_param("uploadId");
  const auto part_number = PartNumber(request.get_param_value("partNumber"));
  const auto refuse = [&](int status, const std::string& code, const std::string& message) {
    WriteError(request, response, status, code, message);
    response.set_header("Connection", "close");
  };
  if (has_upload != request.has_param("partNumber") || (has_upload && !part_number)) {
    return refuse(400, "InvalidRequest",
                  "a part upload needs both uploadId and partNumber (1 to 10000)");
  }
  std::optional<std::string> expected_md5;
  if (request.has_header("Content-MD5")) {
    expected_md5 = Base64Decode(request.get_header_value("Content-MD5"));
    if (!expected_md5 || expected_md5->size() != 16) {
      return refuse(400, "InvalidDigest", "Content-MD5 must be the Base64 of 16 bytes");
    }
  }
  auto blob = store_.NewBlob();
  if (!blob) return refuse(500, "InternalError", "cannot create a file");
  const bool received =
      reader([&](const char* data, size_t size) { return blob->Append(data, size); });
  if (!blob->ok()) return refuse(500, "InternalError", "cannot write the body");
  if (!received) return refuse(400, "IncompleteBody", "the body ended early");
  if (!blob->Finish()) return refuse(500, "InternalError", "cannot write the body");
  const auto& md5 = blob->md5();
  if (expected_md5 &&
      expected_md5->compare(0, 16, reinterpret_cast<const char*>(md5.data()), md5.size()) != 0) {
    return WriteError(request, response, 400, "BadDigest", "the body does not match Content-MD5");
  }
  std::string etag;
  if (has_upload) {
    const std::string upload_id = request.get_param_value("uploadId");
    const auto part = store_.PutPart(upload_id, target->bucket, target->key, *part_number, *blob);
    if (!part.ok()) return WriteStoreError(request, response, part.error);
    etag = part.value.etag;
  } else {
    std::string content_type = request.get_header_value("Content-Type");
    if (content_type.empty()) content_type = kDefaultContentType;
    const auto object =
        store_.PutObject(target->bucket, target->key, target->owner_uid, content_type, *blob);
    if (!object.ok()) return WriteStoreError(request, response, object.error);
    etag = object.value.etag;
  }
  response.status = 200;
  response.set_header("ETag", Quoted(etag));
}

void ObjectStoreServer::Post(const httplib::Request& request, httplib::Response& response) {
  const auto target = Authorise(request, response, "post");
  if (!target) return;
  if (request.has_param("uploads")) {
    std::string content_type = request.get_header_value("Content-Type");
    if (content_type.empty() || content_type == "application/json") {
      content_type = kDefaultContentType;
    }
    const auto upload =
        store_.CreateUpload(target->bucket, target->key, target->owner_uid, content_type);
    if (!upload.ok()) return WriteStoreError(request, response, upload.error);
    return WriteJson(
        response, {{"bucket", target->bucket}, {"key", target->key}, {"upload_id", upload.value}});
  }
  if (request.has_param("uploadId")) return CompleteUpload(request, response, *target);
  WriteError(request, response, 400, "InvalidRequest", "POST takes ?uploads or ?uploadId=");
}

void ObjectStoreServer::CompleteUpload(const httplib::Request& request, httplib::Response& response,
                                       const Target& target) {
  const auto body = nlohmann::json::parse(request.body, nullptr, false);
  FieldReader fields(body);
  const nlohmann::json* listed = fields.Array("parts", true);
  std::vector<std::pair<int64_t, std::string>> parts;
  if (listed) {
    for (const auto& entry : *listed) {
      FieldReader part(entry);
      const int64_t number = part.Integer("part_number", true);
      const std::string etag = part.Text("etag", true);
      if (!part.ok()) {
        fields.Fail("each part needs \"part_number\" (integer) and \"etag\" (string): " +
                    part.error());
        break;
      }
      parts.emplace_back(number, etag);
    }
  }
  if (!fields.ok()) return WriteError(request, response, 400, "MalformedBody", fields.error());
  const auto object =
      store_.CompleteUpload(request.get_param_value("uploadId"), target.bucket, target.key, parts);
  if (!object.ok()) return WriteStoreError(request, response, object.error);
  response.set_header("ETag", Quoted(object.value.etag));
  WriteJson(response, {{"bucket", target.bucket},
                       {"key", target.key},
                       {"etag", Quoted(object.value.etag)},
                       {"size", object.value.size}});
}

void ObjectStoreServer::Delete(const httplib::Request& request, httplib::Response& response) {
  // Aborting an upload belongs to the same authorisation that started it.
  const auto target = Authorise(request, response, "post");
  if (!target) return;
  if (!request.has_param("uploadId")) {
    return WriteError(request, response, 405, "MethodNotAllowed",
                      "DELETE only aborts an upload (?uploadId=)");
  }
  const StoreError error =
      store_.AbortUpload(request.get_param_value("uploadId"), target->bucket, target->key);
  if (error != StoreError::kNone) return WriteStoreError(request, response, error);
  response.status = 204;
}

}  // namespace qr_backend
