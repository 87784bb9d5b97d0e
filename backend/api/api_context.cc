#include "api/api_context.h"

namespace qr_backend {

std::string ApiContext::ObjectUrl(const std::string& key) const {
  return settings.cos_base_url + "/" + settings.bucket + "/" + key;
}

}  // namespace qr_backend
