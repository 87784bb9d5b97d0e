#include "server/admin_api.h"

#include <httplib.h>

#include <regex>

#include "api/api_context.h"
#include "common/crypto.h"
#include "common/field_reader.h"
#include "push/push_hub.h"
#include "server/fault_injector.h"
#include "storage/record_store.h"
#include "storage/runtime_settings.h"
#include "storage/user_store.h"

namespace qr_backend {

namespace {

nlohmann::json Error(int* status, int code, std::string message) {
  *status = code;
  return {{"error", std::move(message)}};
}

nlohmann::json UserJson(const User& user) {
  nlohmann::json quota = nullptr;
  if (user.quota_bytes) quota = *user.quota_bytes;
  return {{"app_uid", user.app_uid}, {"app_id", user.app_id},   {"nick_name", user.nick_name},
          {"avatar", user.avatar},   {"token", user.token},     {"secret", user.secret},
          {"quota_bytes", quota}};
}

// App uids travel in stanza attributes, query strings and log lines; keep them plain.
bool IsPlainId(const std::string& text) {
  static const std::regex pattern("[A-Za-z0-9_.@-]{1,64}");
  return std::regex_match(text, pattern);
}

bool IsLoopback(const std::string& address) {
  return address.rfind("127.", 0) == 0 || address == "::1" || address.rfind("::ffff:127.", 0) == 0;
}

}  // namespace

void AdminApi::Register(httplib::Server& server) {
  Route(server, "POST", "/admin/users", &AdminApi::CreateUser);
  Route(server, "GET", R"(/admin/users/([^/]+))", &AdminApi::GetUser);
  Route(server, "POST", R"(/admin/users/([^/]+)/quota)", &AdminApi::SetQuota);
  Route(server, "GET", R"(/admin/records/([^/]+))", &AdminApi::GetRecord);
  Route(server, "POST", "/admin/push", &AdminApi::InjectPush);
  Route(server, "GET", "/admin/settings", &AdminApi::GetSettings);
  Route(server, "POST", "/admin/settings", &AdminApi::UpdateSettings);
  Route(server, "GET", "/admin/faults", &AdminApi::ListFaults);
  Route(server, "POST", "/admin/faults", &AdminApi::AddFault);
  Route(server, "DELETE", "/admin/faults", &AdminApi::ClearFaults);
}

bool AdminApi::Allowed(const httplib::Request& request) const {
  return IsLoopback(request.remote_addr) &&
         ConstantTimeEquals(request.get_header_value("X-QR-Admin-Token"), admin_token_);
}

void AdminApi::Route(httplib::Server& server, const char* method, const char* pattern,
                     Handler handler) {
  auto wrapped = [this, handler](const httplib::Request& request, httplib::Response& response) {
    int status = 200;
    nlohmann::json answer;
    nlohmann::json body = nlohmann::json::object();
    if (!request.body.empty()) body = nlohmann::json::parse(request.body, nullptr, false);
    if (!Allowed(request)) {
      answer = Error(&status, 403, "admin calls need a loopback caller and X-QR-Admin-Token");
    } else if (!body.is_object()) {
      answer = Error(&status, 400, "the body must be a JSON object");
    } else {
      answer = (this->*handler)(request, body, &status);
    }
    response.status = status;
    response.set_content(answer.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace),
                         "application/json");
  };
  const std::string verb = method;
  if (verb == "GET") {
    server.Get(pattern, wrapped);
  } else if (verb == "POST") {
    server.Post(pattern, wrapped);
  } else {
    server.Delete(pattern, wrapped);
  }
}

nlohmann::json AdminApi::CreateUser(const httplib::Request&, const nlohmann::json& body,
                                    int* status) {
  FieldReader fields(body);
  User user;
  user.app_uid = fields.Text("app_uid");
  user.app_id = fields.Text("app_id", false, "qr-app");
  user.nick_name = fields.Text("nick_name");
  user.avatar = fields.Text("avatar");
  user.token = fields.Text("token");
  user.secret = fields.Text("secret");
  if (body.contains("quota_bytes")) user.quota_bytes = fields.Integer("quota_bytes");
  if (!fields.ok()) return Error(status, 400, fields.error());
  if (!user.app_uid.empty() && !IsPlainId(user.app_uid)) {
    return Error(status, 400, "app_uid may hold 1 to 64 of A-Z a-z 0-9 _ . @ -");
  }
  if (user.nick_name.empty()) user.nick_name = user.app_uid.empty() ? "User" : user.app_uid;
  std::string error;
  const auto created = context_.users.Create(user, &error);
  if (!created) return Error(status, 409, error);
  return UserJson(*created);
}

nlohmann::json AdminApi::GetUser(const httplib::Request& request, const nlohmann::json&,
                                 int* status) {
  const auto user = context_.users.FindByUid(request.matches[1]);
  if (!user) return Error(status, 404, "no such user");
  return UserJson(*user);
}

nlohmann::json AdminApi::SetQuota(const httplib::Request& request, const nlohmann::json& body,
                                  int* status) {
  FieldReader fields(body);
  const int64_t quota = fields.Integer("quota_bytes", true);
  if (fields.ok() && quota < 0) fields.Fail("\"quota_bytes\" must not be negative");
  if (!fields.ok()) return Error(status, 400, fields.error());
  if (!context_.users.SetQuota(request.matches[1], quota)) return Error(status, 404, "no such user");
  return UserJson(*context_.users.FindByUid(request.matches[1]));
}

nlohmann::json AdminApi::GetRecord(const httplib::Request& request, const nlohmann::json&,
                                   int* status) {
  const auto record = context_.records.FindByUni(request.matches[1]);
  if (!record) return Error(status, 404, "no such record");
  return {{"uni_record_id", record->uni_record_id},
          {"record_id", record->record_id},
          {"file_id", record->file_id},
          {"owner_uid", record->owner_uid},
          {"title", record->title},
          {"record_type", record->record_type},
          {"record_state", record->state},
          {"file_size", record->file_size},
          {"duration_ms", record->duration_ms},
          {"ext_info", nlohmann::json::parse(record->ext_info, nullptr, false)},
          {"batch_id", record->batch_id},
          {"batch_upload_notify", record->batch_upload_notify},
          {"video_key", record->video_key},
          {"cover_key", record->cover_key}};
}

nlohmann::json AdminApi::InjectPush(const httplib::Request&, const nlohmann::json& body,
                                    int* status) {
  FieldReader fields(body);
  const std::string app_uid = fields.Text("app_uid", true);
  const int64_t cmd = fields.Integer("cmd", true);
  const nlohmann::json* content = fields.Object("content", true);
  if (!fields.ok()) return Error(status, 400, fields.error());
  if (!context_.users.FindByUid(app_uid)) return Error(status, 404, "no such user");
  const auto id = context_.push.Publish(app_uid, static_cast<int>(cmd), *content);
  if (!id) return Error(status, 500, "cannot store the push");
  return {{"id", *id}};
}

nlohmann::json AdminApi::GetSettings(const httplib::Request&, const nlohmann::json&, int*) {
  return context_.runtime.Get();
}

nlohmann::json AdminApi::UpdateSettings(const httplib::Request&, const nlohmann::json& body,
                                        int* status) {
  std::string error;
  if (!context_.runtime.Update(body, &error)) return Error(status, 400, error);
  return context_.runtime.Get();
}

nlohmann::json AdminApi::ListFaults(const httplib::Request&, const nlohmann::json&, int*) {
  return {{"faults", faults_.List()}};
}

nlohmann::json AdminApi::AddFault(const httplib::Request&, const nlohmann::json& body,
                                  int* status) {
  std::string error;
  auto rule = FaultInjector::Parse(body, &error);
  if (!rule) return Error(status, 400, error);
  return {{"id", faults_.Add(std::move(*rule))}};
}

nlohmann::json AdminApi::ClearFaults(const httplib::Request&, const nlohmann::json&, int*) {
  faults_.Clear();
  return {{"faults", nlohmann::json::array()}};
}

}  // namespace qr_backend
