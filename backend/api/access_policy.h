#pragma once

#include <string>

#include "storage/record_store.h"
#include "storage/share_store.h"

namespace qr_backend {

class Clock;
class MeetingStore;
class UserStore;

// Who someone is to a record; "viewer_status" and "role_type" carry these numbers.
enum class Role : int {
  kNone = 0,
  kOwner = 1,
  kCoOwner = 2,      // may view and manage sharing
  kGranted = 3,      // granted by name
  kParticipant = 4,  // took part in the record's meeting, and the link admits participants
  kLinkHolder = 5,   // came through the share link: a browser, or a signed-in user
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
  bool may_download = false;  // may fetch the whole video object, not only play it
  bool may_view_minutes = false;

  bool may_view() const { return role != Role::kNone; }
  bool may_manage() const { return role == Role::kOwner || role == Role::kCoOwner; }
};

// The one place that decides who may see, play and download a record and read its minutes,
// for the lists, the single-record query, the share endpoints and the player page alike.
//
// Owners and co-owners may do everything. Everyone else comes in through a named grant, the
// meeting (point 3), or the share link, and the link's settings decide the rest:
// - the link opens nothing while switched off or after its expiry;
// - its audience: point 1 anyone with the link, point 2 signed-in users with the link, point 3
//   the meeting's participants only (the link itself opens nothing), group 1 signed-in users of
//   the owner's app with the link;
// - its password is asked of whoever comes through the link;
// - "download_enable" and "view_minutes_enable" hold for everyone but owners and co-owners; a
//   grant with permission 2 or a group with access 2 downloads as well.
class AccessPolicy {
 public:
  AccessPolicy(const ShareStore& shares, const MeetingStore& meetings, const UserStore& users,
               const Clock& clock)
      : shares_(shares), meetings_(meetings), users_(users), clock_(clock) {}

  // A signed-in user: by role, grant, meeting, or as a visitor of the link they opened before.
  Access ForUser(const Record& record, const std::string& app_uid) const;
  // A signed-in user who opens the share link now with `password` (empty when none); the
  // caller remembers them as a link visitor when the answer is kLinkHolder.
  Access ForUserWithLink(const Record& record, const std::string& app_uid,
                         const std::string& password) const;
  // A browser that opens the share link without signing in.
  Access ForLink(const Record& record, const std::string& password) const;

 private:
  // The link's own refusal (switched off, expired), or kPlayOk.
  int LinkState(const ShareSettings& settings) const;
  // The refusal of a link in `state` (kPlayLinkOff or kPlayLinkExpired).
  static Access LinkRefusal(int state);
  // What the link gives whoever it admits.
  static Access LinkRights(const Record& record, const ShareSettings& settings);
  // The last gate of the link, its password; then the link's rights.
  static Access PastPassword(const Record& record, const ShareSettings& settings,
                             const std::string& password);
  // Whether the link's audience takes this signed-in user when they hold the link.
  bool AdmitsSignedIn(const ShareSettings& settings, const Record& record,
                      const std::string& app_uid) const;
  static Access Grant(const Record& record, Role role, bool download, bool minutes);

  const ShareStore& shares_;
  const MeetingStore& meetings_;
  const UserStore& users_;
  const Clock& clock_;
};

}  // namespace qr_backend
