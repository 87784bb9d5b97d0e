#include "host/sdk/cgi/cgi_url.h"

#include "host/app/host_application.h"

namespace kovanisdk::utils::cgi {

std::string MakeCgiCommonUrlPath(const std::string& path) {
  const auto* app = host::app::HostApplication::Current();
  if (!app || app->host_config().backend_url.empty()) return {};
  std::string url = app->host_config().backend_url;
  while (!url.empty() && url.back() == '/') url.pop_back();
  if (path.empty() || path.front() != '/') url.push_back('/');
  return url + path;
}

}  // namespace kovanisdk::utils::cgi
