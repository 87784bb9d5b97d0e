#include "api/access_policy.h"

#include "common/clock.h"
#include "common/crypto.h"
#include "storage/meeting_store.h"
#include "storage/user_store.h"

namespace qr_backend {

namespace {

Access Refuse(int code, std::string tips) {
  Access access;
  access.code = code;
  access.tips = std::move(tips);
  return access;
}

Access NoAccess() {
  return Refuse(kPlayNoAccess, "You have no access to this recording. Ask its owner for it.");
}

Access ParticipantsOnly() {
  return Refuse(kPlayNoAccess, "Only participants of the meeting may open this recording.");
}

bool ForParticipantsOnly(const ShareSettings& settings) {
  return !settings.has_group() && settings.point_id == kPointParticipants;
}

}  // namespace

Access AccessPolicy::Grant(const Record& record, Role role, bool download, bool minutes) {
  Access access;
  access.role = role;
  access.may_download = download;
  access.may_view_minutes = minutes;
  if (record.state == kRecordStateDone) {
    access.may_play = true;
    access.code = kPlayOk;
  } else {
    access.code = kPlayUploading;
    access.tips = "The recording is still being uploaded.";
  }
  return access;
}

Access AccessPolicy::PastPassword(const Record& record, const ShareSettings& settings,
                                  const std::string& password) {
  if (!settings.password.empty() && !ConstantTimeEquals(password, settings.password)) {
    return Refuse(kPlayPasswordNeeded,
                  password.empty() ? "Enter the password of this link." : "The password is wrong.");
  }
  return LinkRights(record, settings);
}

Access AccessPolicy::LinkRights(const Record& record, const ShareSettings& settings) {
  const bool group_downloads = settings.has_group() && settings.access_id == kAccessDownload;
  return Grant(record, Role::kLinkHolder, settings.download_enable || group_downloads,
               settings.view_minutes_enable);
}

int AccessPolicy::LinkState(const ShareSettings& settings) const {
  if (!settings.switch_state) return kPlayLinkOff;
  if (settings.expired_time > 0 && settings.expired_time <= clock_.NowMillis()) {
    return kPlayLinkExpired;
  }
  return kPlayOk;
}

Access AccessPolicy::LinkRefusal(int state) {
  return state == kPlayLinkOff ? Refuse(kPlayLinkOff, "The owner has switched this link off.")
                               : Refuse(kPlayLinkExpired, "This link has expired.");
}

bool AccessPolicy::AdmitsSignedIn(const ShareSettings& settings, const Record& record,
                                  const std::string& app_uid) const {
  if (settings.has_group()) {
    const auto viewer = users_.FindByUid(app_uid);
    const auto owner = users_.FindByUid(record.owner_uid);
    return viewer && owner && viewer->app_id == owner->app_id;
  }
  return settings.point_id == kPointAnyoneWithLink || settings.point_id == kPointSignedInWithLink;
}

Access AccessPolicy::ForUser(const Record& record, const std::string& app_uid) const {
  if (record.owner_uid == app_uid) return Grant(record, Role::kOwner, true, true);
  const ShareSettings settings = shares_.Peek(record.uni_record_id);
  if (const auto member = shares_.Member(record.uni_record_id, app_uid)) {
    if (member->is_assigner) return Grant(record, Role::kCoOwner, true, true);
    if (member->permission_id > 0) {
      return Grant(record, Role::kGranted,
                   settings.download_enable || member->permission_id >= kAccessDownload,
                   settings.view_minutes_enable);
    }
  }
  const int state = LinkState(settings);
  const bool visitor = shares_.IsLinkVisitor(record.uni_record_id, app_uid);
  if (state != kPlayOk) return visitor ? LinkRefusal(state) : NoAccess();
  if (ForParticipantsOnly(settings)) {
    const auto meeting = meetings_.Find(record.uni_record_id);
    if (meeting && meetings_.IsParticipant(meeting->meeting_id, app_uid)) {
      return Grant(record, Role::kParticipant, settings.download_enable,
                   settings.view_minutes_enable);
    }
  }
  // A visitor gave the password when they came; a new password has forgotten them since.
  if (visitor && AdmitsSignedIn(settings, record, app_uid)) return LinkRights(record, settings);
  return NoAccess();
}

Access AccessPolicy::ForUserWithLink(const Record& record, const std::string& app_uid,
                                     const std::string& password) const {
  const Access known = ForUser(record, app_uid);
  if (known.may_view() && known.role != Role::kLinkHolder) return known;
  const ShareSettings settings = shares_.Peek(record.uni_record_id);
  if (const int state = LinkState(settings); state != kPlayOk) return LinkRefusal(state);
  if (ForParticipantsOnly(settings)) return ParticipantsOnly();
  if (!AdmitsSignedIn(settings, record, app_uid)) {
    return Refuse(kPlayNoAccess, "Only people of the owner's organisation may open this link.");
  }
  return PastPassword(record, settings, password);
}

Access AccessPolicy::ForLink(const Record& record, const std::string& password) const {
  const ShareSettings settings = shares_.Peek(record.uni_record_id);
  if (const int state = LinkState(settings); state != kPlayOk) return LinkRefusal(state);
  if (ForParticipantsOnly(settings)) return ParticipantsOnly();
  if (settings.has_group() || settings.point_id != kPointAnyoneWithLink) {
    return Refuse(kPlayNoAccess, "Sign in to open this link.");
  }
  return PastPassword(record, settings, password);
}

}  // namespace qr_backend
