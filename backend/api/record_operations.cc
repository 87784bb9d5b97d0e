#include "api/record_operations.h"

#include <set>

#include "api/api_context.h"
#include "api/biz_code.h"
#include "api/jump_links.h"
#include "common/crypto.h"
#include "common/log.h"
#include "objects/object_authority.h"
#include "objects/object_store.h"
#include "push/push_hub.h"
#include "storage/meeting_store.h"
#include "storage/runtime_settings.h"
#include "storage/share_store.h"
#include "storage/title_review_store.h"
#include "storage/view_store.h"

namespace qr_backend {

OwnedRecord FindOwnedRecord(ApiContext& context, const User& caller, RecordIdKind kind,
                            const std::string& id) {
  OwnedRecord found;
  found.record = kind == RecordIdKind::kRecordId ? context.records.FindByRecordId(id)
                                                 : context.records.FindByUni(id);
  if (!found.record) {
    found.refusal = ApiAnswer::Fail(kBizNotFound, "no record " + id);
  } else if (found.record->owner_uid != caller.app_uid) {
    found.record.reset();
    found.refusal = ApiAnswer::Fail(kBizForbidden, "record " + id + " belongs to another user");
  }
  return found;
}

int64_t QuotaOf(const ApiContext& context, const User& user) {
  return user.quota_bytes.value_or(context.runtime.Get().default_quota_bytes);
}

bool RemoveRecord(ApiContext& context, const Record& record) {
  const std::string& bucket = context.settings.bucket;
  bool ok = true;
  for (const std::string& key : {record.video_key, record.cover_key}) {
    // Revoke first, so no upload can recreate an object that is being removed.
    ok = context.authority.Revoke(bucket, key) && ok;
    ok = context.objects.AbortUploadsOf(bucket, key) && ok;
    ok = context.objects.Delete(bucket, key) && ok;
  }
  PushMeetingChanged(context, record, kMeetingRecordRemoved);
  ok = context.reviews.DeleteForRecord(record.uni_record_id) && ok;
  ok = context.links.ForgetRecord(record.uni_record_id) && ok;
  ok = context.meetings.ForgetRecord(record.uni_record_id) && ok;
  ok = context.shares.ForgetRecord(record.uni_record_id) && ok;
  ok = context.views.ForgetRecord(record.uni_record_id) && ok;
  ok = context.notices.ForgetRecord(record.uni_record_id) && ok;
  ok = context.records.Delete(record.uni_record_id) && ok;
  if (!ok) LogWarning("record " + record.uni_record_id + " was not removed completely");
  return ok;
}

namespace {

void Publish(ApiContext& context, const std::string& app_uid, int cmd,
             const nlohmann::json& content) {
  if (!context.push.Publish(app_uid, cmd, content)) {
    LogWarning("cannot store push " + std::to_string(cmd) + " for " + app_uid);
  }
}

}  // namespace

void PushRecordChanged(ApiContext& context, const Record& record, int msg_type) {
  Publish(context, record.owner_uid, kPushRecordChanged,
          {{"uni_record_id", record.uni_record_id},
           {"file_id", record.file_id},
           {"msg_type", msg_type}});
  if (msg_type != kRecordDeleted) PushMeetingChanged(context, record, kMeetingRecordChanged);
}

void PushMeetingChanged(ApiContext& context, const Record& record, int notify_type) {
  const auto meeting = context.meetings.Find(record.uni_record_id);
  if (!meeting) return;
  std::set<std::string> receivers = {record.owner_uid};
  for (const std::string& uid : context.meetings.Participants(meeting->meeting_id)) {
    receivers.insert(uid);
  }
  const nlohmann::json content = {{"notify_type", notify_type},
                                  {"can_query", true},
                                  {"table_type", 3},
                                  {"meeting_id", meeting->meeting_id},
                                  {"sub_meeting_id", meeting->sub_meeting_id},
                                  {"room_id", meeting->room_id},
                                  {"trace_id", RandomHex(8)}};
  for (const std::string& uid : receivers) Publish(context, uid, kPushMeetingRecords, content);
}

std::optional<int64_t> AddNotice(ApiContext& context, const Notice& notice) {
  const auto id = context.notices.Add(notice);
  if (!id) return std::nullopt;
  bool lit = false;
  context.notices.SetCardDot(notice.app_uid, notice.uni_record_id, true, &lit);
  if (lit) {
    const auto record = context.records.FindByUni(notice.uni_record_id);
    Publish(context, notice.app_uid, kPushCardRedDot,
            {{"uni_record_id", notice.uni_record_id},
             {"file_id", record ? record->file_id : ""},
             {"show_reddot", true}});
  }
  Publish(context, notice.app_uid, kPushMainBoard, {{"msg_type", notice.type}});
  return id;
}

}  // namespace qr_backend
