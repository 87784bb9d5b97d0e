#include "api/api_context.h"

#include "common/url_codec.h"
#include "objects/object_authority.h"
#include "objects/object_store.h"

namespace qr_backend {

std::string ApiContext::ObjectUrl(const std::string& key) const {
  return settings.cos_base_url + "/" + settings.bucket + "/" + key;
}

std::string ApiContext::SignedReadUrl(const std::string& key, const std::string& owner_uid,
                                      const std::string& verb) const {
  if (!objects.Head(settings.bucket, key)) return {};
  const auto grant =
      authority.IssueRead(settings.bucket, key, owner_uid, settings.play_auth_ttl_seconds, verb);
  if (!grant) return {};
  return ObjectUrl(key) + "?" +
         BuildQuery({{"auth", grant->auth.at(verb)}, {"session_token", grant->session_token}});
}

}  // namespace qr_backend
