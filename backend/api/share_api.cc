#include "api/share_api.h"

#include <algorithm>
#include <charconv>
#include <set>

#include "api/access_policy.h"
#include "api/api_context.h"
#include "api/biz_code.h"
#include "api/record_item_builder.h"
#include "api/record_operations.h"
#include "common/clock.h"
#include "common/crypto.h"
#include "common/database.h"
#include "common/field_reader.h"
#include "storage/meeting_store.h"
#include "storage/notice_store.h"
#include "storage/share_store.h"
#include "storage/user_store.h"

namespace qr_backend {

namespace {

constexpr int64_t kParticipantPage = 50;
// "scene" of the participant list and the user search: whom they look among.
constexpr int64_t kSceneMeeting = 0;   // the participants of the record's meeting
constexpr int64_t kSceneContacts = 1;  // the users of the owner's app, its contacts
constexpr int64_t kGrantedPage = 20;

nlohmann::json UserInfo(const User& user, bool granted) {
  return {{"app_id", user.app_id},
          {"app_uid", user.app_uid},
          {"nickname", user.nick_name},
          {"avatar", user.avatar},
          {"is_grant", granted}};
}

nlohmann::json UiVisible() {
  nlohmann::json visible;
  for (const char* key :
       {"lintra_share_visible", "company_contacts_visible", "new_meeting_member_visible",
        "download_visible", "view_minutes_visible", "expire_visible", "senior_setting_visible"}) {
    visible[key] = true;
  }
  return visible;
}

nlohmann::json PermissionPoints() {
  return nlohmann::json::array({{{"id", kPointAnyoneWithLink},
                                 {"tip", "Anyone with the link"},
                                 {"switch_tip", "Anyone who has the link can view"},
                                 {"extra_type", 0}},
                                {{"id", kPointSignedInWithLink},
                                 {"tip", "Signed-in users with the link"},
                                 {"switch_tip", "Users who have the link can view"},
                                 {"extra_type", 0}},
                                {{"id", kPointParticipants},
                                 {"tip", "Participants of the meeting"},
                                 {"switch_tip", "Participants of the meeting can view"},
                                 {"extra_type", 1}}});
}

nlohmann::json PermissionGroups() {
  return nlohmann::json::array(
      {{{"id", 1},
        {"tip", "People of my organisation with the link"},
        {"default_access_id", kAccessView},
        {"access_cfg",
         nlohmann::json::array(
             {{{"id", kAccessView}, {"tip", "Can view"}, {"co_tip", ""}, {"is_remove", false}},
              {{"id", kAccessDownload},
               {"tip", "Can view and download"},
               {"co_tip", ""},
               {"is_remove", false}},
              {{"id", 0}, {"tip", "Remove"}, {"co_tip", ""}, {"is_remove", true}}})}}});
}

// The link's audience from "permission_group_cfg" or "permission_point_cfg". Choosing one
// clears the other, so the link data never reports a stale choice; a body with neither keeps
// the audience.
void ReadAudience(FieldReader& fields, ShareSettings& settings) {
  const nlohmann::json* group = fields.Object("permission_group_cfg");
  const nlohmann::json* point = fields.Object("permission_point_cfg");
  int64_t group_id = 0;
  int64_t access_id = kAccessView;
  if (group) {
    FieldReader group_fields(*group);
    group_id = group_fields.Integer("group_id", true);
    access_id = group_fields.Integer("access_id", false, kAccessView);
    if (!group_fields.ok()) return fields.Fail("\"permission_group_cfg\": " + group_fields.error());
    if (group_id != 0 && group_id != kGroupSameApp) {
      return fields.Fail("\"group_id\" must be 0 or 1");
    }
    if (access_id != kAccessView && access_id != kAccessDownload) {
      return fields.Fail("\"access_id\" must be 1 or 2");
    }
  }
  if (group_id != 0) {
    settings.group_id = group_id;
    settings.access_id = access_id;
    settings.point_id = 0;
    return;
  }
  if (!point) {
    if (group) settings.group_id = settings.access_id = 0;  // group 0: no group
    return;
  }
  FieldReader point_fields(*point);
  const int64_t point_id = point_fields.Integer("point_id", true);
  if (!point_fields.ok()) return fields.Fail("\"permission_point_cfg\": " + point_fields.error());
  if (point_id < kPointAnyoneWithLink || point_id > kPointParticipants) {
    return fields.Fail("\"point_id\" must be 1, 2 or 3");
  }
  settings.point_id = point_id;
  settings.group_id = 0;
  settings.access_id = 0;
}

// The app uids of an array of {"app_id", "app_uid"} members; false on a malformed entry.
bool MemberUids(const nlohmann::json* members, FieldReader& fields,
                std::vector<std::string>& uids) {
  if (!members) return true;
  for (const auto& member : *members) {
    FieldReader entry(member);
    const std::string uid = entry.Text("app_uid", true);
    if (!entry.ok()) {
      fields.Fail("a member entry: " + entry.error());
      return false;
    }
    uids.push_back(uid);
  }
  return true;
}

}  // namespace

void ShareApi::Register(ApiRouter& router) {
  const std::string base = "/v2/meetlog/permission/";
  const auto route = [&](const char* name, ApiAnswer (ShareApi::*handler)(const ApiCall&)) {
    router.Post(base + name,
                [this, handler](const ApiCall& call) { return (this->*handler)(call); });
  };
  route("get-cfg", &ShareApi::GetConfig);
  route("set-cfg", &ShareApi::SetConfig);
  route("get-ui-cfg", &ShareApi::GetUiConfig);
  route("granted-users", &ShareApi::GrantedUsers);
  route("set-grant-users", &ShareApi::SetGrantUsers);
  route("set-grant-users-big", &ShareApi::SetGrantUsersBig);
  route("grant-all-participant", &ShareApi::GrantAllParticipants);
  route("get-participant-cnt", &ShareApi::ParticipantCount);
  route("record-apply", &ShareApi::ApplyForAccess);
  route("setAssigner", &ShareApi::SetAssigner);
  route("get-invite-join-state", &ShareApi::GetInviteJoinState);
  route("set-invite-join-state", &ShareApi::SetInviteJoinState);
  router.Post(base + "participant-list",
              [this](const ApiCall& call) { return Participants(call, false); });
  router.Post(base + "search-user",
              [this](const ApiCall& call) { return Participants(call, true); });
}

std::optional<Record> ShareApi::Managed(const ApiCall& call, ApiAnswer* refusal, bool owner_only) {
  FieldReader fields(call.body);
  const std::string uni_record_id = fields.Text("uni_record_id", true);
  if (!fields.ok()) {
    *refusal = ApiAnswer::Fail(kBizBadRequest, fields.error());
    return std::nullopt;
  }
  auto record = context_.records.FindByUni(uni_record_id);
  if (!record) {
    *refusal = ApiAnswer::Fail(kBizNotFound, "no record " + uni_record_id);
    return std::nullopt;
  }
  const Access access = context_.access.ForUser(*record, call.user.app_uid);
  if (owner_only ? access.role != Role::kOwner : !access.may_manage()) {
    *refusal =
        ApiAnswer::Fail(kBizForbidden, owner_only ? "only the owner may do this"
                                                  : "only the owner and co-owners manage sharing");
    return std::nullopt;
  }
  return record;
}

std::vector<std::string> ShareApi::ParticipantsOf(const Record& record) const {
  const auto meeting = context_.meetings.Find(record.uni_record_id);
  return meeting ? context_.meetings.Participants(meeting->meeting_id) : std::vector<std::string>{};
}

bool ShareApi::Grant(const Record& record, const std::vector<std::string>& app_uids,
                     int64_t permission_id, ApiAnswer* refusal) {
  for (const std::string& uid : app_uids) {
    if (!context_.users.FindByUid(uid)) {
      *refusal = ApiAnswer::Fail(kBizNotFound, "no user " + uid);
      return false;
    }
  }
  for (const std::string& uid : app_uids) {
    if (uid == record.owner_uid) continue;  // the owner needs no grant
    if (!context_.shares.SetPermission(record.uni_record_id, uid, permission_id,
                                       context_.clock.NowSeconds())) {
      *refusal = ApiAnswer::Fail(kBizInternal, "cannot store the grant");
      return false;
    }
  }
  return true;
}

ApiAnswer ShareApi::GetConfig(const ApiCall& call) {
  ApiAnswer refusal;
  const auto record = Managed(call, &refusal);
  if (!record) return refusal;
  const auto settings = context_.shares.Settings(record->uni_record_id);
  if (!settings) return ApiAnswer::Fail(kBizInternal, "cannot read the share settings");
  int64_t assigners = 0;
  for (const RecordMember& member : context_.shares.Members(record->uni_record_id)) {
    assigners += member.is_assigner;
  }
  const std::string link = context_.settings.api_base_url + "/share/" + settings->share_id;
  const Access access = context_.access.ForUser(*record, call.user.app_uid);
  return ApiAnswer::Ok({
      {"msg", ""},
      {"is_success", true},
      {"record_type", RecordKindNumber(record->record_type)},
      {"switch_cfg",
       {{"default_state", settings->switch_state},
        {"close_tip", "Only the people you add can view."},
        {"permission_point_id", settings->point_id},
        {"permission_group_id", settings->group_id},
        {"default_need_pwd", !settings->password.empty()},
        {"point_tip", "Who may open the link"}}},
      {"ui_visible_cfg", UiVisible()},
      {"share_cfg",
       {{"share_id", settings->share_id},
        {"share_link", link},
        {"share_link_short", link},
        {"activity_id", settings->share_id},
        {"activity_uid", record->owner_uid}}},
      {"permission_point_cfg", PermissionPoints()},
      {"permission_group_cfg", PermissionGroups()},
      {"user_share_set",
       {{"switch_state", settings->switch_state},
        {"permission_point_cfg", settings->point_id},
        {"permission_group_cfg", settings->group_id},
        {"expired_time", settings->expired_time},
        {"expired_time_type", settings->expired_time_type},
        {"download_enable", settings->download_enable},
        {"view_minutes_enable", settings->view_minutes_enable}}},
      {"out_tip", ""},
      {"is_gray", false},
      {"assign_user_num", assigners},
      {"grant_permisson_cfg", nlohmann::json::object()},
      {"role_type", static_cast<int>(access.role)},
  });
}

ApiAnswer ShareApi::SetConfig(const ApiCall& call) {
  ApiAnswer refusal;
  const auto record = Managed(call, &refusal);
  if (!record) return refusal;
  auto settings = context_.shares.Settings(record->uni_record_id);
  if (!settings) return ApiAnswer::Fail(kBizInternal, "cannot read the share settings");
  FieldReader fields(call.body);
  const std::string old_password = settings->password;
  settings->switch_state = fields.Bool("switch_state", true);
  ReadAudience(fields, *settings);
  settings->expired_time = fields.Integer("expired_time", false, settings->expired_time);
  settings->expired_time_type =
      fields.Integer("expired_time_type", false, settings->expired_time_type);
  settings->download_enable = fields.Bool("download_enable", false, settings->download_enable);
  settings->view_minutes_enable =
      fields.Bool("view_minutes_enable", false, settings->view_minutes_enable);
  settings->password = fields.Text("pwd", false, settings->password);
  if (settings->expired_time < 0 || settings->expired_time_type < 0) {
    fields.Fail("\"expired_time\" and \"expired_time_type\" must not be negative");
  }
  if (!fields.ok()) return ApiAnswer::Fail(kBizBadRequest, fields.error());
  const bool ok = context_.db.Transaction([&] {
    return context_.shares.Save(*settings) &&
           (settings->password == old_password ||
            context_.shares.ForgetLinkVisitors(record->uni_record_id));
  });
  if (!ok) return ApiAnswer::Fail(kBizInternal, "cannot store the share settings");
  return ApiAnswer::Ok({{"share_id", settings->share_id}});
}

ApiAnswer ShareApi::GetUiConfig(const ApiCall& call) {
  ApiAnswer refusal;
  if (!Managed(call, &refusal)) return refusal;
  return ApiAnswer::Ok({{"ui_visible_cfg", UiVisible()}});
}

ApiAnswer ShareApi::GrantedUsers(const ApiCall& call) {
  ApiAnswer refusal;
  const auto record = Managed(call, &refusal);
  if (!record) return refusal;
  FieldReader fields(call.body);
  const std::string cursor = fields.Text("cursor", false, "0");
  const int64_t page_size =
      std::clamp<int64_t>(fields.Integer("page_size", false, kGrantedPage), 1, 200);
  int64_t offset = 0;
  auto [ptr, ec] = std::from_chars(cursor.data(), cursor.data() + cursor.size(), offset);
  if (!cursor.empty() &&
      (ec != std::errc() || ptr != cursor.data() + cursor.size() || offset < 0)) {
    fields.Fail("\"cursor\" is not a cursor this server gave");
  }
  if (!fields.ok()) return ApiAnswer::Fail(kBizBadRequest, fields.error());

  const auto members = context_.shares.Members(record->uni_record_id);
  nlohmann::json selected = nlohmann::json::array();
  for (size_t i = static_cast<size_t>(offset);
       i < members.size() && i < static_cast<size_t>(offset + page_size); ++i) {
    const auto user = context_.users.FindByUid(members[i].app_uid);
    if (!user) continue;
    nlohmann::json entry = UserInfo(*user, members[i].permission_id > 0);
    entry.update({{"department", ""},
                  {"highlight_tip", members[i].is_assigner ? "Co-owner" : ""},
                  {"user_type", members[i].is_assigner ? 2 : 1},
                  {"permission_id", members[i].permission_id},
                  {"is_highlight", members[i].is_assigner}});
    selected.push_back(std::move(entry));
  }
  const bool has_more = static_cast<size_t>(offset + page_size) < members.size();
  const auto owner = context_.users.FindByUid(record->owner_uid);
  return ApiAnswer::Ok({{"member_count", members.size()},
                        {"has_more", has_more},
                        {"next_cursor", has_more ? std::to_string(offset + page_size) : ""},
                        {"last_item_info", ""},
                        {"data_version", std::to_string(members.size())},
                        {"selected_list", std::move(selected)},
                        {"creator", owner ? UserInfo(*owner, true) : nlohmann::json::object()}});
}

ApiAnswer ShareApi::Participants(const ApiCall& call, bool search) {
  ApiAnswer refusal;
  const auto record = Managed(call, &refusal);
  if (!record) return refusal;
  FieldReader fields(call.body);
  const int64_t scene = fields.Integer("scene", false, kSceneMeeting);
  const int64_t page = std::max<int64_t>(0, fields.Integer("page"));
  const std::string keyword = fields.Text("key_word", search);
  if (scene != kSceneMeeting && scene != kSceneContacts) fields.Fail("\"scene\" must be 0 or 1");
  if (!fields.ok()) return ApiAnswer::Fail(kBizBadRequest, fields.error());

  // Everyone the scene offers that the key word matches; the count and the granted count are
  // of all of them, the list is one page.
  std::vector<User> matches;
  for (User& user : Candidates(*record, scene)) {
    if (MatchesKeyword(user, keyword)) matches.push_back(std::move(user));
  }
  const auto count = static_cast<int64_t>(matches.size());
  int64_t granted = 0;
  nlohmann::json list = nlohmann::json::array();
  for (int64_t i = 0; i < count; ++i) {
    const User& user = matches[static_cast<size_t>(i)];
    const auto member = context_.shares.Member(record->uni_record_id, user.app_uid);
    const bool is_grant = member && member->permission_id > 0;
    granted += is_grant;
    if (i >= page * kParticipantPage && i < (page + 1) * kParticipantPage) {
      list.push_back(UserInfo(user, is_grant));
    }
  }
  const bool has_more = (page + 1) * kParticipantPage < count;
  return ApiAnswer::Ok({{"count", count},
                        {"granted_cnt", granted},
                        {"has_more", has_more},
                        {"is_large_meeting", count > 500},
                        {"is_large_all_selected", false},
                        {"blacklist_size", 0},
                        {"data_version", "1"},
                        {"next_page", has_more ? page + 1 : page},
                        {"list", std::move(list)}});
}

std::vector<User> ShareApi::Candidates(const Record& record, int64_t scene) const {
  if (scene == kSceneContacts) {
    const auto owner = context_.users.FindByUid(record.owner_uid);
    return owner ? context_.users.OfApp(owner->app_id) : std::vector<User>{};
  }
  std::vector<User> users;
  for (const std::string& uid : ParticipantsOf(record)) {
    if (auto user = context_.users.FindByUid(uid)) users.push_back(std::move(*user));
  }
  return users;
}

ApiAnswer ShareApi::SetGrantUsers(const ApiCall& call) {
  ApiAnswer refusal;
  const auto record = Managed(call, &refusal);
  if (!record) return refusal;
  FieldReader fields(call.body);
  const nlohmann::json* list = fields.Array("list", true);
  std::vector<std::pair<std::string, int64_t>> grants;
  if (list) {
    for (const auto& entry : *list) {
      FieldReader grant(entry);
      const std::string uid = grant.Text("app_uid", true);
      const int64_t permission = grant.Integer("permission_id", false, kAccessView);
      if (!grant.ok() || permission < 0 || permission > kAccessDownload) {
        fields.Fail("a \"list\" entry needs \"app_uid\" and a permission_id of 0, 1 or 2");
        break;
      }
      grants.emplace_back(uid, permission);
    }
  }
  if (!fields.ok()) return ApiAnswer::Fail(kBizBadRequest, fields.error());
  const bool ok = context_.db.Transaction([&] {
    for (const auto& [uid, permission] : grants) {
      if (!Grant(*record, {uid}, permission, &refusal)) return false;
    }
    return true;
  });
  return ok ? ApiAnswer::Ok({{"count", grants.size()}}) : refusal;
}

ApiAnswer ShareApi::SetGrantUsersBig(const ApiCall& call) {
  ApiAnswer refusal;
  const auto record = Managed(call, &refusal);
  if (!record) return refusal;
  FieldReader fields(call.body);
  const bool all_participants = fields.Integer("is_participant_all") == 1;
  std::vector<std::string> selected;
  std::vector<std::string> removed;
  if (MemberUids(fields.Array("selected_list"), fields, selected)) {
    MemberUids(fields.Array("deleted_list"), fields, removed);
  }
  if (!fields.ok()) return ApiAnswer::Fail(kBizBadRequest, fields.error());
  if (all_participants) {
    for (const std::string& uid : ParticipantsOf(*record)) {
      if (std::find(removed.begin(), removed.end(), uid) == removed.end()) selected.push_back(uid);
    }
  }
  const bool ok = context_.db.Transaction([&] {
    return Grant(*record, selected, kAccessView, &refusal) && Grant(*record, removed, 0, &refusal);
  });
  return ok ? ApiAnswer::Ok({{"granted", selected.size()}, {"removed", removed.size()}}) : refusal;
}

ApiAnswer ShareApi::GrantAllParticipants(const ApiCall& call) {
  ApiAnswer refusal;
  const auto record = Managed(call, &refusal);
  if (!record) return refusal;
  const auto participants = ParticipantsOf(*record);
  const bool ok =
      context_.db.Transaction([&] { return Grant(*record, participants, kAccessView, &refusal); });
  return ok ? ApiAnswer::Ok({{"granted", participants.size()}}) : refusal;
}

ApiAnswer ShareApi::ParticipantCount(const ApiCall& call) {
  ApiAnswer refusal;
  const auto record = Managed(call, &refusal);
  if (!record) return refusal;
  return ApiAnswer::Ok({{"cnt", ParticipantsOf(*record).size()}});
}

ApiAnswer ShareApi::ApplyForAccess(const ApiCall& call) {
  FieldReader fields(call.body);
  const std::string share_id = fields.Text("share_id", true);
  const std::string subject = fields.Text("subject");
  const std::string reason = fields.Text("reason");
  if (!fields.ok()) return ApiAnswer::Fail(kBizBadRequest, fields.error());
  const auto uni_record_id = context_.shares.RecordOfShare(share_id);
  const auto record = uni_record_id ? context_.records.FindByUni(*uni_record_id) : std::nullopt;
  if (!record) return ApiAnswer::Fail(kBizNotFound, "no shared record " + share_id);
  if (context_.access.ForUser(*record, call.user.app_uid).may_view()) {
    return ApiAnswer::Fail(kBizConflict, "you can already view this recording");
  }
  const std::string unique_id = RandomHex(12);
  const int64_t now = context_.clock.NowSeconds();
  Notice notice;
  notice.app_uid = record->owner_uid;
  notice.type = kNoticeAccessRequest;
  notice.uni_record_id = record->uni_record_id;
  notice.author_uid = call.user.app_uid;
  notice.content = reason.empty() ? subject : reason;
  notice.created_at = context_.clock.NowMillis();
  const bool ok = context_.db.Transaction([&] {
    return context_.shares.AddAccessRequest(unique_id, record->uni_record_id, call.user.app_uid,
                                            subject, reason, now) &&
           AddNotice(context_, notice).has_value();
  });
  if (!ok) return ApiAnswer::Fail(kBizInternal, "cannot store the request");
  return ApiAnswer::Ok({{"unique_id", unique_id}});
}

ApiAnswer ShareApi::SetAssigner(const ApiCall& call) {
  ApiAnswer refusal;
  const auto record = Managed(call, &refusal, true);
  if (!record) return refusal;
  FieldReader fields(call.body);
  std::vector<std::string> added;
  std::vector<std::string> removed;
  if (MemberUids(fields.Array("add_members"), fields, added)) {
    MemberUids(fields.Array("del_members"), fields, removed);
  }
  if (!fields.ok()) return ApiAnswer::Fail(kBizBadRequest, fields.error());
  for (const std::string& uid : added) {
    if (!context_.users.FindByUid(uid)) return ApiAnswer::Fail(kBizNotFound, "no user " + uid);
  }
  const int64_t now = context_.clock.NowSeconds();
  const bool ok = context_.db.Transaction([&] {
    for (const std::string& uid : added) {
      if (uid != record->owner_uid &&
          !context_.shares.SetAssigner(record->uni_record_id, uid, true, now)) {
        return false;
      }
    }
    for (const std::string& uid : removed) {
      if (!context_.shares.SetAssigner(record->uni_record_id, uid, false, now)) return false;
    }
    return true;
  });
  if (!ok) return ApiAnswer::Fail(kBizInternal, "cannot store the co-owners");
  return ApiAnswer::Ok({{"added", added.size()}, {"removed", removed.size()}});
}

ApiAnswer ShareApi::GetInviteJoinState(const ApiCall& call) {
  ApiAnswer refusal;
  const auto record = Managed(call, &refusal);
  if (!record) return refusal;
  return ApiAnswer::Ok({{"status", context_.shares.Peek(record->uni_record_id).invite_join_state}});
}

ApiAnswer ShareApi::SetInviteJoinState(const ApiCall& call) {
  ApiAnswer refusal;
  const auto record = Managed(call, &refusal);
  if (!record) return refusal;
  FieldReader fields(call.body);
  const bool status = fields.Bool("status", true);
  if (!fields.ok()) return ApiAnswer::Fail(kBizBadRequest, fields.error());
  auto settings = context_.shares.Settings(record->uni_record_id);
  if (!settings) return ApiAnswer::Fail(kBizInternal, "cannot read the share settings");
  settings->invite_join_state = status;
  if (!context_.shares.Save(*settings)) {
    return ApiAnswer::Fail(kBizInternal, "cannot store the share settings");
  }
  return ApiAnswer::Ok({{"status", status}});
}

}  // namespace qr_backend
