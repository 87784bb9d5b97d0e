#include "api/access_policy.h"

#include "common/clock.h"
#include "common/crypto.h"
#include "storage/meeting_store.h"

namespace qr_backend {

namespace {

Access Refuse(int code, std::string tips) {
  Access access;
  access.code = code;
  access.tips = std::move(tips);
  return access;
}

}  // namespace

Access AccessPolicy::Grant(const Record& record, Role role) {
  Access access;
  access.role = role;
  if (record.state == kRecordStateDone) {
    access.may_play = true;
    access.code = kPlayOk;
  } else {
    access.code = kPlayUploading;
    access.tips = "The recording is still being uploaded.";
  }
  return access;
}

int AccessPolicy::LinkState(const ShareSettings& settings) const {
  if (!settings.switch_state) return kPlayLinkOff;
  if (settings.expired_time > 0 && settings.expired_time <= clock_.NowMillis()) {
    return kPlayLinkExpired;
  }
  return kPlayOk;
}

Access AccessPolicy::ForUser(const Record& record, const std::string& app_uid) const {
  if (record.owner_uid == app_uid) return Grant(record, Role::kOwner);
  if (const auto member = shares_.Member(record.uni_record_id, app_uid)) {
    if (member->is_assigner) return Grant(record, Role::kCoOwner);
    if (member->permission_id > 0) return Grant(record, Role::kGranted);
  }
  const ShareSettings settings = shares_.Peek(record.uni_record_id);
  if (settings.point_id == kPointParticipants && LinkState(settings) == kPlayOk) {
    const auto meeting = meetings_.Find(record.uni_record_id);
    if (meeting && meetings_.IsParticipant(meeting->meeting_id, app_uid)) {
      return Grant(record, Role::kParticipant);
    }
  }
  return Refuse(kPlayNoAccess, "You have no access to this recording. Ask its owner for it.");
}

Access AccessPolicy::ForLink(const Record& record, const std::string& password) const {
  const ShareSettings settings = shares_.Peek(record.uni_record_id);
  switch (LinkState(settings)) {
    case kPlayLinkOff:
      return Refuse(kPlayLinkOff, "The owner has switched this link off.");
    case kPlayLinkExpired:
      return Refuse(kPlayLinkExpired, "This link has expired.");
    default:
      break;
  }
  if (settings.point_id == kPointParticipants) {
    return Refuse(kPlayNoAccess, "Only participants of the meeting may open this recording.");
  }
  if (!settings.password.empty() && !ConstantTimeEquals(password, settings.password)) {
    return Refuse(kPlayPasswordNeeded,
                  password.empty() ? "Enter the password of this link." : "The password is wrong.");
  }
  return Grant(record, Role::kLinkHolder);
}

}  // namespace qr_backend
