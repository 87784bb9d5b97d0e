#include "host/base/net/http_transfer.h"

#include <strings.h>

namespace base::net {

std::string FindHeader(const HttpHeaders& headers, std::string_view name) {
  for (const auto& [key, value] : headers) {
    if (key.size() == name.size() && strncasecmp(key.data(), name.data(), name.size()) == 0) {
      return value;
    }
  }
  return {};
}

}  // namespace base::net
