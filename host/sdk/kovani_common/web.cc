#include "host/sdk/kovani_common/web.h"

#include "host/sdk/utils/config_service.h"

namespace kovani_common::utils::web {
namespace {
constexpr char kDefaultWebHost[] = "https://www.quickrec.dev";
}

std::string GetWebHost() {
  std::string host = kovanisdk::utils::config::GetString("web", "host", kDefaultWebHost);
  while (!host.empty() && host.back() == '/') host.pop_back();
  return host.empty() ? kDefaultWebHost : host;
}

std::string ReviseWebUrl(const std::string& url) {
  if (url.rfind("http://", 0) == 0 || url.rfind("https://", 0) == 0) return url;
  return GetWebHost() + (url.empty() || url.front() != '/' ? "/" : "") + url;
}

}  // namespace kovani_common::utils::web
