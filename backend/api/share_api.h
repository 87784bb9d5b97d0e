#pragma once

#include <optional>
#include <string>
#include <vector>

#include "api/api_router.h"
#include "storage/record_store.h"
#include "storage/user_store.h"

namespace qr_backend {

struct ApiContext;

// Sharing a record, under "/v2/meetlog/permission/": the link settings ("get-cfg", "set-cfg",
// "get-ui-cfg"), named grants ("granted-users", "set-grant-users", "set-grant-users-big"),
// meeting participants ("participant-list", "search-user", "grant-all-participant",
// "get-participant-cnt"), access requests ("record-apply"), co-owners ("setAssigner") and the
// messenger switch ("get-invite-join-state", "set-invite-join-state"). The owner and co-owners
// manage; only the owner appoints co-owners; anyone signed in may ask for access.
class ShareApi {
 public:
  explicit ShareApi(ApiContext& context) : context_(context) {}
  void Register(ApiRouter& router);

  ApiAnswer GetConfig(const ApiCall& call);
  ApiAnswer SetConfig(const ApiCall& call);
  ApiAnswer GetUiConfig(const ApiCall& call);
  ApiAnswer GrantedUsers(const ApiCall& call);
  ApiAnswer Participants(const ApiCall& call, bool search);
  ApiAnswer SetGrantUsers(const ApiCall& call);
  ApiAnswer SetGrantUsersBig(const ApiCall& call);
  ApiAnswer GrantAllParticipants(const ApiCall& call);
  ApiAnswer ParticipantCount(const ApiCall& call);
  ApiAnswer ApplyForAccess(const ApiCall& call);
  ApiAnswer SetAssigner(const ApiCall& call);
  ApiAnswer GetInviteJoinState(const ApiCall& call);
  ApiAnswer SetInviteJoinState(const ApiCall& call);

 private:
  // The record named by "uni_record_id" when the caller may manage its sharing (only the owner
  // when `owner_only`); otherwise `refusal` says why.
  std::optional<Record> Managed(const ApiCall& call, ApiAnswer* refusal, bool owner_only = false);
  std::vector<std::string> ParticipantsOf(const Record& record) const;
  // The users a participant list or search of `scene` looks among.
  std::vector<User> Candidates(const Record& record, int64_t scene) const;
  // Sets each user's grant; false with `refusal` set when one of them does not exist.
  bool Grant(const Record& record, const std::vector<std::string>& app_uids, int64_t permission_id,
             ApiAnswer* refusal);

  ApiContext& context_;
};

}  // namespace qr_backend
