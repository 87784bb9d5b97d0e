// The object store's HTTP handlers on a short series of requests for one object: the query (part
// numbers, upload ids), the Range header, Content-MD5 and the body, including complete-upload
// bodies. The query and Range are parsed by cpp-httplib's own parsers, as the server does before a
// handler runs. Served byte ranges must lie inside the object and hold its bytes; errors are JSON.
#include <httplib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "common/clock.h"
#include "common/database.h"
#include "fuzz/fuzz_temp_dir.h"
#include "objects/object_authority.h"
#include "objects/object_store.h"
#include "objects/object_store_server.h"
#include "storage/schema.h"

namespace {

using namespace qr_backend;

constexpr char kBucket[] = "qr-records";
constexpr char kKey[] = "records/u1/r1/video.mp4";
constexpr size_t kMaxRequests = 8;

std::string InitialContent() {
  std::string content(3000, '\0');
  for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>('a' + i % 26);
  return content;
}

struct Store {
  Store() : dir("object-store") {
    std::string error;
    db = Database::Open(":memory:", &error);
    if (!db || !MigrateSchema(*db)) std::abort();
    store = std::make_unique<ObjectStore>(*db, clock, dir.File("data"));
    if (!store->Init(&error)) std::abort();
    authority = std::make_unique<ObjectAuthority>(*db, clock, "server-key");
    server = std::make_unique<ObjectStoreServer>(*store, *authority);
    const auto full = authority->Issue(kBucket, kKey, "u1", 1 << 30, {"get", "put", "post", "head"});
    const auto play = authority->IssueRead(kBucket, kKey, "u1", 1 << 30, "play");
    if (!full || !play) std::abort();
    grant = *full;
    play_grant = *play;
  }
  ManualClock clock{1'700'000'000};
  FuzzTempDir dir;
  std::unique_ptr<Database> db;
  std::unique_ptr<ObjectStore> store;
  std::unique_ptr<ObjectAuthority> authority;
  std::unique_ptr<ObjectStoreServer> server;
  ObjectGrant grant;
  ObjectGrant play_grant;
  std::optional<std::string> content;  // what the object holds; nullopt once it is unknown
};

Store& TheStore() {
  static Store* store = new Store;
  return *store;
}

std::string TakeLine(std::string_view* rest) {
  const size_t end = rest->find('\n');
  const std::string line(rest->substr(0, end));
  rest->remove_prefix(end == std::string_view::npos ? rest->size() : end + 1);
  return line;
}

void Replace(std::string* text, const std::string& from, const std::string& to) {
  for (size_t at = text->find(from); at != std::string::npos; at = text->find(from, at + to.size())) {
    text->replace(at, from.size(), to);
  }
}

// What cpp-httplib sends for range `index` of a response of `size` bytes.
std::pair<size_t, size_t> RangeToSend(const httplib::Range& range, size_t size) {
  if (range.first < 0) return {size - static_cast<size_t>(range.second), static_cast<size_t>(range.second)};
  return {static_cast<size_t>(range.first), static_cast<size_t>(range.second - range.first) + 1};
}

void CheckServedRanges(Store& s, const httplib::Request& request, httplib::Response& response) {
  if (!response.content_provider_) return;
  const size_t size = response.content_length_;
  if (s.content && s.content->size() != size) std::abort();
  std::vector<httplib::Range> ranges = request.ranges;
  if (ranges.empty()) ranges.emplace_back(0, static_cast<ssize_t>(size) - 1);
  for (const auto& range : ranges) {
    if (range.first >= 0 ? (range.second < range.first || static_cast<size_t>(range.second) >= size)
                         : (range.second <= 0 || static_cast<size_t>(range.second) > size)) {
      std::abort();
    }
    const auto [offset, length] = RangeToSend(range, size);
    std::string served;
    httplib::DataSink sink;
    sink.write = [&](const char* data, size_t n) {
      served.append(data, n);
      return true;
    };
    while (served.size() < length) {
      const size_t before = served.size();
      if (!response.content_provider_(offset + served.size(), length - served.size(), sink) ||
          served.size() == before) {
        std::abort();
      }
    }
    if (served.size() != length || (s.content && served != s.content->substr(offset, length))) std::abort();
  }
}

void CheckError(const httplib::Response& response) {
  if (response.status == 500) std::abort();  // the disk and database are fine: no storage failure
  if (response.status < 400) return;
  const auto body = nlohmann::json::parse(response.body, nullptr, false);
  if (!body.is_object() || !body.contains("error") || response.get_header_value("X-QR-Error").empty()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Store& s = TheStore();
  if (s.content != InitialContent()) {
    auto blob = s.store->NewBlob();
    const std::string initial = InitialContent();
    if (!blob || !blob->Append(initial.data(), initial.size()) || !blob->Finish() ||
        !s.store->PutObject(kBucket, kKey, "u1", "video/mp4", *blob).ok()) {
      std::abort();
    }
    s.content = initial;
  }
  // Requests are separated by "\n===\n"; each is: method, query, Range, Content-MD5, a play flag
  // ("play" uses the ranged-read grant), one line each, then the body. "$UPLOAD" and "$ETAG" in a
  // query or body stand for the last upload id created and the last ETag answered.
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  std::string upload_id, etag;
  std::map<int64_t, std::string> part_bodies;
  for (size_t n = 0; n < kMaxRequests && !rest.empty(); ++n) {
    const size_t end = rest.find("\n===\n");
    std::string_view one = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 5);

    httplib::Request request;
    httplib::Response response;
    request.method = TakeLine(&one);
    request.path = std::string("/") + kBucket + "/" + kKey;
    std::string query = TakeLine(&one);
    Replace(&query, "$UPLOAD", upload_id);
    httplib::detail::parse_query_text(query, request.params);
    const std::string range = TakeLine(&one);
    const std::string md5 = TakeLine(&one);
    const bool play = TakeLine(&one) == "play";
    request.body = std::string(one);
    Replace(&request.body, "$ETAG", etag);
    if (!md5.empty()) request.set_header("Content-MD5", md5);
    if (!range.empty()) {
      request.set_header("Range", range);
      if (!httplib::detail::parse_range_header(range, request.ranges)) continue;  // 416 before any handler
    }
    const ObjectGrant& grant = play ? s.play_grant : s.grant;
    const std::string verb = request.method == "GET" ? (play ? "play" : "get")
                             : request.method == "HEAD" ? "head"
                             : request.method == "PUT"  ? "put"
                                                        : "post";
    const auto auth = grant.auth.find(verb);
    if (auth != grant.auth.end()) request.set_header("Authorization", auth->second);
    request.set_header("X-QR-Session-Token", grant.session_token);

    if (request.method == "GET" || request.method == "HEAD") {
      s.server->Get(request, response);
      CheckServedRanges(s, request, response);
    } else if (request.method == "PUT") {
      const httplib::ContentReader reader(
          [&](const httplib::ContentReceiver& receiver) { return receiver(request.body.data(), request.body.size()); },
          [](const httplib::MultipartContentHeader&, const httplib::ContentReceiver&) { return false; });
      s.server->Put(request, response, reader);
      if (response.status == 200) {
        etag = response.get_header_value("ETag");
        if (etag.size() != 34) std::abort();
        etag = etag.substr(1, 32);
        if (request.has_param("uploadId")) {
          part_bodies[std::stoll(request.get_param_value("partNumber"))] = request.body;
        } else {
          s.content = request.body;
        }
      }
    } else if (request.method == "POST") {
      s.server->Post(request, response);
      const auto body = nlohmann::json::parse(response.body, nullptr, false);
      if (response.status == 200 && request.has_param("uploads")) {
        upload_id = body.value("upload_id", "");
        part_bodies.clear();
        if (upload_id.empty()) std::abort();
      } else if (response.status == 200) {
        // The object is now the listed parts; which bodies those were is known only for parts of
        // the last upload created.
        s.content.reset();
        if (request.get_param_value("uploadId") == upload_id) {
          std::string joined;
          const auto listed = nlohmann::json::parse(request.body);
          for (const auto& part : listed["parts"]) {
            joined += part_bodies[part["part_number"].get<int64_t>()];
          }
          if (body.value("size", int64_t{-1}) != static_cast<int64_t>(joined.size())) std::abort();
          s.content = joined;
        }
      }
    } else {
      request.method = "DELETE";
      s.server->Delete(request, response);
    }
    CheckError(response);
  }
  s.store->AbortUploadsOf(kBucket, kKey);
  s.store->WaitForRemovals();
  return 0;
}
