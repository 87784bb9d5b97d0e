#include "server/admin_api.h"

#include <httplib.h>

#include <regex>

#include "api/api_context.h"
#include "api/record_operations.h"
#include "common/clock.h"
#include "common/crypto.h"
#include "common/database.h"
#include "common/field_reader.h"
#include "push/push_hub.h"
#include "server/fault_injector.h"
#include "storage/meeting_store.h"
#include "storage/notice_store.h"
#include "storage/record_store.h"
#include "storage/runtime_settings.h"
#include "storage/user_store.h"
#include "storage/view_store.h"

namespace qr_backend {

namespace {

nlohmann::json Error(int* status, int code, std::string message) {
  *status = code;
  return {{"error", std::move(message)}};
}

nlohmann::json UserJson(const User& user) {
  nlohmann::json quota = nullptr;
  if (user.quota_bytes) quota = *user.quota_bytes;
  return {{"app_uid", user.app_uid}, {"app_id", user.app_id}, {"nick_name", user.nick_name},
          {"avatar", user.avatar},   {"token", user.token},   {"secret", user.secret},
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
  Route(server, "POST", "/admin/records", &AdminApi::SeedRecords);
  Route(server, "POST", R"(/admin/records/([^/]+)/meeting)", &AdminApi::AttachMeeting);
  Route(server, "POST", R"(/admin/meetings/([^/]+)/participants)", &AdminApi::AddParticipants);
  Route(server, "POST", "/admin/views", &AdminApi::RecordView);
  Route(server, "POST", "/admin/notices", &AdminApi::AddNotice);
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
  if (!context_.users.SetQuota(request.matches[1], quota))
    return Error(status, 404, "no such user");
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
          {"cover_key", record->cover_key},
          {"file_type", record->file_type},
          {"speaker_nums", record->speaker_nums},
          {"switch_status", record->switch_status}};
}

nlohmann::json AdminApi::SeedRecords(const httplib::Request&, const nlohmann::json& body,
                                     int* status) {
  FieldReader fields(body);
  const std::string owner = fields.Text("app_uid", true);
  const int64_t count = fields.Integer("count", false, 1);
  const std::string title = fields.Text("title", false, "Seeded recording");
  const std::string record_type = fields.Text("record_type", false, "fast_record");
  const int64_t state = fields.Integer("record_state", false, kRecordStateDone);
  const int64_t duration_ms = fields.Integer("duration_ms", false, 60000);
  // Record i is made `age_step_seconds` * i older than now; 0 gives them all the same time.
  const int64_t age_step = fields.Integer("age_step_seconds");
  if (fields.ok() && (count < 1 || count > 20000)) fields.Fail("\"count\" must be 1 to 20000");
  if (fields.ok() && !IsRecordKind(record_type)) fields.Fail("unknown \"record_type\"");
  if (!fields.ok()) return Error(status, 400, fields.error());
  if (!context_.users.FindByUid(owner)) return Error(status, 404, "no such user");
  nlohmann::json created = nlohmann::json::array();
  const int64_t now = context_.clock.NowSeconds();
  const bool ok = context_.db.Transaction([&] {
    for (int64_t i = 0; i < count; ++i) {
      Record record;
      record.uni_record_id = "qr" + RandomHex(12);
      record.record_id = RandomDecimalId();
      record.file_id = RandomHex(8);
      record.owner_uid = owner;
      record.title = count == 1 ? title : title + " " + std::to_string(i + 1);
      record.record_type = record_type;
      record.state = static_cast<int>(state);
      record.video_key = "records/" + record.uni_record_id + "/video.mp4";
      record.cover_key = "records/" + record.uni_record_id + "/cover.jpg";
      record.cover_feature_id = RandomHex(8);
      record.duration_ms = duration_ms;
      record.created_at = record.updated_at = record.completed_at = now - i * age_step;
      if (!context_.records.Insert(record)) return false;
      created.push_back({{"uni_record_id", record.uni_record_id},
                         {"record_id", record.record_id},
                         {"file_id", record.file_id}});
    }
    return true;
  });
  if (!ok) return Error(status, 500, "cannot store the records");
  return {{"records", std::move(created)}};
}

nlohmann::json AdminApi::AttachMeeting(const httplib::Request& request, const nlohmann::json& body,
                                       int* status) {
  FieldReader fields(body);
  RecordMeeting meeting;
  meeting.meeting_id = fields.Text("meeting_id", true);
  meeting.sub_meeting_id = fields.Text("sub_meeting_id");
  meeting.room_id = fields.Text("room_id");
  meeting.meeting_code = fields.Text("meeting_code");
  meeting.subject = fields.Text("subject");
  if (!fields.ok()) return Error(status, 400, fields.error());
  const auto record = context_.records.FindByUni(request.matches[1]);
  if (!record) return Error(status, 404, "no such record");
  if (!context_.meetings.Attach(record->uni_record_id, meeting)) {
    return Error(status, 500, "cannot store the meeting");
  }
  PushMeetingChanged(context_, *record, kMeetingRecordAdded);
  return {{"uni_record_id", record->uni_record_id}, {"meeting_id", meeting.meeting_id}};
}

nlohmann::json AdminApi::AddParticipants(const httplib::Request& request,
                                         const nlohmann::json& body, int* status) {
  FieldReader fields(body);
  const nlohmann::json* uids = fields.Array("app_uids", true);
  std::vector<std::string> participants;
  if (uids) {
    for (const auto& uid : *uids) {
      if (!uid.is_string() || !context_.users.FindByUid(uid.get<std::string>())) {
        return Error(status, 400, "\"app_uids\" must name existing users");
      }
      participants.push_back(uid.get<std::string>());
    }
  }
  if (!fields.ok()) return Error(status, 400, fields.error());
  if (!context_.meetings.AddParticipants(request.matches[1], participants)) {
    return Error(status, 500, "cannot store the participants");
  }
  return {{"meeting_id", request.matches[1]},
          {"participants", context_.meetings.Participants(request.matches[1])}};
}

nlohmann::json AdminApi::RecordView(const httplib::Request&, const nlohmann::json& body,
                                    int* status) {
  FieldReader fields(body);
  const std::string app_uid = fields.Text("app_uid", true);
  const nlohmann::json* unis = fields.Array("uni_record_ids", true);
  // Record i of the list was viewed `viewed_at` - i milliseconds.
  const int64_t viewed_at = fields.Integer("viewed_at", false, context_.clock.NowMillis());
  if (!fields.ok()) return Error(status, 400, fields.error());
  if (!context_.users.FindByUid(app_uid)) return Error(status, 404, "no such user");
  int64_t offset = 0;
  const bool ok = context_.db.Transaction([&] {
    for (const auto& uni : *unis) {
      if (!uni.is_string() || !context_.records.FindByUni(uni.get<std::string>())) {
        *status = 404;
        return false;
      }
      if (!context_.views.Record(app_uid, uni.get<std::string>(), viewed_at - offset++)) {
        return false;
      }
    }
    return true;
  });
  if (!ok) return Error(status, *status == 404 ? 404 : 500, "no such record, or not stored");
  return {{"app_uid", app_uid}, {"views", offset}};
}

nlohmann::json AdminApi::AddNotice(const httplib::Request&, const nlohmann::json& body,
                                   int* status) {
  FieldReader fields(body);
  Notice notice;
  notice.app_uid = fields.Text("app_uid", true);
  notice.uni_record_id = fields.Text("uni_record_id", true);
  notice.path = fields.Text("path", false, kDefaultNoticePath);
  notice.type = static_cast<int>(fields.Integer("type", false, kNoticeComment));
  notice.author_uid = fields.Text("author_uid");
  notice.content = fields.Text("content");
  notice.video_elapsed = fields.Integer("video_elapsed");
  notice.comment_id = fields.Text("comment_id");
  notice.reply_id = fields.Text("reply_id");
  notice.reply_to_uid = fields.Text("reply_to_uid");
  notice.created_at = context_.clock.NowMillis();
  if (!fields.ok()) return Error(status, 400, fields.error());
  if (!context_.users.FindByUid(notice.app_uid) ||
      !context_.records.FindByUni(notice.uni_record_id)) {
    return Error(status, 404, "no such user or record");
  }
  const auto id = qr_backend::AddNotice(context_, notice);
  if (!id) return Error(status, 500, "cannot store the notice");
  return {{"id", *id}};
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
