#include "api/record_item_builder.h"

#include "api/api_context.h"
#include "api/jump_links.h"
#include "common/crypto.h"
#include "storage/meeting_store.h"
#include "storage/notice_store.h"
#include "storage/share_store.h"
#include "storage/view_store.h"

namespace qr_backend {

namespace {

std::string Text(int64_t number) { return std::to_string(number); }

int64_t ExtInt(const std::string& ext_info, const char* key) {
  const auto json = nlohmann::json::parse(ext_info, nullptr, false);
  if (!json.is_object() || !json.contains(key)) return 0;
  const auto& value = json[key];
  return value.is_number_integer() ? value.get<int64_t>() : 0;
}

// "access_type": 1 only the owner (and co-owners), 2 the link is on, 3 granted users.
int AccessType(const ShareSettings& settings, size_t granted) {
  if (settings.switch_state) return 2;
  return granted > 0 ? 3 : 1;
}

std::string PrivilegeTips(int access_type, const ShareSettings& settings) {
  if (access_type == 3) return "People you added can view.";
  if (access_type != 2) return "Only you can view.";
  if (settings.has_group()) return "People of your organisation with the link can view.";
  switch (settings.point_id) {
    case kPointSignedInWithLink:
      return "Signed-in users with the link can view.";
    case kPointParticipants:
      return "Participants of the meeting can view.";
    default:
      return "Anyone with the link can view.";
  }
}

}  // namespace

int RecordKindNumber(const std::string& record_type) {
  if (record_type == "cloud_record") return 0;
  if (record_type == "user_upload") return 2;
  return 1;
}

nlohmann::json RecordItemBuilder::Build(const Record& record, const User& viewer) const {
  return Build(record, viewer, context_.access.ForUser(record, viewer.app_uid));
}

nlohmann::json RecordItemBuilder::Build(const Record& record, const User& viewer,
                                        const Access& access) const {
  const bool done = record.state == kRecordStateDone;
  const int64_t start = record.StartMillis();
  const auto owner = context_.users.FindByUid(record.owner_uid);
  const auto meeting = context_.meetings.Find(record.uni_record_id);
  const ShareSettings share = context_.shares.Peek(record.uni_record_id);
  size_t granted = 0;
  for (const RecordMember& member : context_.shares.Members(record.uni_record_id)) {
    granted += member.permission_id > 0;
  }
  const int access_type = AccessType(share, granted);
  const auto links = context_.links.For(record.uni_record_id, viewer.app_uid);
  const auto newest = context_.notices.Newest(viewer.app_uid, record.uni_record_id);
  // Link settings are the managers' business; others see neither password nor link.
  const bool manager = access.may_manage();
  const bool download = access.may_play && access.may_download;
  const std::string share_url = manager && !share.share_id.empty()
                                    ? context_.settings.api_base_url + "/share/" + share.share_id
                                    : std::string();

  return {
      {"record_id", record.record_id},
      {"title", record.title},
      {"start_time", Text(start)},
      {"end_time", Text(done ? start + record.duration_ms : 0)},
      {"duration", Text(record.duration_ms)},
      {"cover_url", context_.SignedReadUrl(record.cover_key, record.owner_uid)},
      {"encode_record_id", Base64Encode(record.record_id)},
      {"uni_record_id", record.uni_record_id},
      {"video_width", ExtInt(record.ext_info, "video_width")},
      {"video_height", ExtInt(record.ext_info, "video_height")},
      {"record_count", 1},
      {"is_del", 0},
      {"jump_path", links ? links->path : ""},
      {"jump_path_short", links ? links->short_path : ""},
      {"record_state", record.state},
      {"record_state_tips", done ? "" : "Uploading"},
      {"recorder_uid", record.owner_uid},
      {"recorder_username", owner ? owner->nick_name : ""},
      {"recorder_avatar", owner ? owner->avatar : ""},
      {"last_view_time", Text(context_.views.LastView(viewer.app_uid, record.uni_record_id))},
      {"meeting_info",
       {{"subject", meeting ? meeting->subject : ""},
        {"meeting_code", meeting ? meeting->meeting_code : ""},
        {"meeting_id", meeting ? meeting->meeting_id : ""}}},
      {"record_type", record.record_type},
      {"privilege_tips", PrivilegeTips(access_type, share)},
      {"password", manager ? share.password : ""},
      {"share_url", share_url},
      {"share_url_short", share_url},
      {"share_url_expired", Text(share.expired_time)},
      {"play_video_permitted", access.may_play ? 1 : 0},
      {"download_permitted", download ? 1 : 0},
      {"download_url", download ? context_.SignedReadUrl(record.video_key, record.owner_uid) : ""},
      {"view_minutes_permitted", access.may_view_minutes ? 1 : 0},
      {"minutes", access.may_view_minutes ? record.description : ""},
      {"play_video_code", access.code},
      {"play_video_tips", access.tips},
      {"viewer_status", static_cast<int>(access.role)},
      {"cover_msg", ""},
      {"hover_msg",
       {{"msg_type", newest ? newest->type : 0},
        {"time_at", Text(newest ? newest->created_at : 0)}}},
      {"show_red_point", context_.notices.HasCardDot(viewer.app_uid, record.uni_record_id)},
      {"sort_num", Text(record.updated_at * 1000)},
      {"file_id", record.file_id},
      {"is_single", true},
      {"access_type", access_type},
      {"permission_type", share.point_id},
      {"sharing_state", share.switch_state ? 1 : 0},
      {"activity_uid", record.owner_uid},
      {"activity_id", share.share_id},
      {"access_msg", access.may_view() ? "" : access.tips},
      {"is_rooms", 0},
      {"is_admin", manager},
      {"role_type", static_cast<int>(access.role)},
  };
}

}  // namespace qr_backend
