// qr-backend's request verifier and JSON field readers on any request. When the first byte asks
// for it, the request is signed with the known user's secret first, so that the timestamp window,
// the nonce store and the body's field readers are reached, not only the signature check.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "api/request_signature.h"
#include "api/request_verifier.h"
#include "common/clock.h"
#include "common/database.h"
#include "common/field_reader.h"
#include "common/url_codec.h"
#include "storage/nonce_store.h"
#include "storage/schema.h"
#include "storage/user_store.h"

namespace {

using namespace qr_backend;

constexpr int64_t kNow = 1'700'000'000;

struct Backend {
  Backend() {
    std::string error;
    db = Database::Open(":memory:", &error);
    if (!db || !MigrateSchema(*db)) std::abort();
    users = std::make_unique<UserStore>(*db, clock);
    nonces = std::make_unique<NonceStore>(*db);
    verifier = std::make_unique<RequestVerifier>(*users, *nonces, clock);
    if (!users->Create({"alice", "app", "Alice", "", "tok-alice", "secret-alice", {}}, &error)) std::abort();
  }
  ManualClock clock{kNow};
  std::unique_ptr<Database> db;
  std::unique_ptr<UserStore> users;
  std::unique_ptr<NonceStore> nonces;
  std::unique_ptr<RequestVerifier> verifier;
};

// The next line of `rest`, or all of it for the last field.
std::string TakeLine(std::string_view* rest) {
  const size_t end = rest->find('\n');
  const std::string line(rest->substr(0, end));
  rest->remove_prefix(end == std::string_view::npos ? rest->size() : end + 1);
  return line;
}

void ReadFields(const std::string& body) {
  const nlohmann::json json = nlohmann::json::parse(body, nullptr, false);
  if (!json.is_object()) return;
  FieldReader fields(json);
  fields.Text("record_id", true);
  fields.Integer("group_id");
  fields.Bool("enable");
  fields.DecimalText("size");
  if (const nlohmann::json* ext = fields.Object("ext_info")) FieldReader(*ext).Text("title");
  fields.Array("parts");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // A fresh store per input keeps runs independent: no nonce is remembered from an earlier one.
  Backend backend;
  const bool sign = data[0] & 1;
  std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
  IncomingRequest request;
  request.method = TakeLine(&rest);
  request.path = TakeLine(&rest);
  request.raw_query = TakeLine(&rest);
  request.token = TakeLine(&rest);
  request.signature = TakeLine(&rest);
  request.body = std::string(rest);

  if (sign) {
    const auto canonical = CanonicalQuery(request.raw_query);
    const auto pairs = ParseQuery(request.raw_query);
    if (canonical && pairs) {
      std::string timestamp, nonce;
      for (const auto& [name, value] : *pairs) {
        if (name == "timestamp") timestamp = value;
        if (name == "nonce") nonce = value;
      }
      request.signature = SignCanonicalText(
          "secret-alice", CanonicalText(request.method, request.path, *canonical, request.body, timestamp, nonce));
    }
  }
  const Verification verification = backend.verifier->Verify(request);
  if (verification.code == 0) {
    if (!verification.user) std::abort();
    ReadFields(request.body);
  }
  return 0;
}
