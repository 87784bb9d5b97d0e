#include "api/record_operations.h"

#include "api/api_context.h"
#include "api/biz_code.h"
#include "api/jump_links.h"
#include "common/log.h"
#include "objects/object_authority.h"
#include "objects/object_store.h"
#include "push/push_hub.h"
#include "storage/runtime_settings.h"
#include "storage/title_review_store.h"

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
  ok = context.reviews.DeleteForRecord(record.uni_record_id) && ok;
  ok = context.links.ForgetRecord(record.uni_record_id) && ok;
  ok = context.records.Delete(record.uni_record_id) && ok;
  if (!ok) LogWarning("record " + record.uni_record_id + " was not removed completely");
  return ok;
}

void PushRecordChanged(ApiContext& context, const Record& record, int msg_type) {
  const nlohmann::json content = {{"uni_record_id", record.uni_record_id},
                                  {"file_id", record.file_id},
                                  {"msg_type", msg_type}};
  if (!context.push.Publish(record.owner_uid, kPushRecordChanged, content)) {
    LogWarning("cannot store the push for record " + record.uni_record_id);
  }
}

}  // namespace qr_backend
