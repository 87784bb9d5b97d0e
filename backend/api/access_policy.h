#pragma once

#include <string>

#include "storage/record_store.h"
#include "storage/share_store.h"

namespace qr_backend {

class Clock;
class MeetingStore;

// Who someone is to a record; "viewer_status" and "role_type" carry these numbers.
enum class Role : int {
  kNone = 0,
  kOwner = 1,
  kCoOwner = 2,      // may view and manage sharing
  kGranted = 3,      // granted by name
  kParticipant = 4,  // took part in the record's meeting, and the link admits participants
  kLinkHolder = 5,   // holds the share link (the browser)
};

// "play_video_code" values.
constexpr int kPlayOk = 0;
constexpr int kPlayUploading = 1;
constexpr int kPlayNoAccess = 2;
constexpr int kPlayLinkOff = 3;
constexpr int kPlayLinkExpired = 4;
constexpr int kPlayPasswordNeeded = 5;

struct Access {
  Role role = Role::kNone;
  bool may_play = false;
  int code = kPlayNoAccess;
  std::string tips;

  bool may_view() const { return role != Role::kNone; }
  bool may_manage() const { return role == Role::kOwner || role == Role::kCoOwner; }
};

// The one place that decides who may see and play a record, for the lists, the single-record
// query, the share endpoints and the player page alike.
class AccessPolicy {
 public:
  AccessPolicy(const ShareStore& shares, const MeetingStore& meetings, const Clock& clock)
      : shares_(shares), meetings_(meetings), clock_(clock) {}

  Access ForUser(const Record& record, const std::string& app_uid) const;
  // Whoever opens the share link, with the password they gave (empty when none).
  Access ForLink(const Record& record, const std::string& password) const;

 private:
  // The link's own refusal (switched off, expired), or kPlayOk.
  int LinkState(const ShareSettings& settings) const;
  static Access Grant(const Record& record, Role role);

  const ShareStore& shares_;
  const MeetingStore& meetings_;
  const Clock& clock_;
};

}  // namespace qr_backend
