#pragma once

#include <string>

namespace kovanisdk::utils::cgi {

// The back end's address for `path` ("/v2/meetlog/main/list-all-record"): the configured
// backend_url without its trailing slashes, then the path (a slash is added when it lacks one).
// Empty when no back end is configured.
std::string MakeCgiCommonUrlPath(const std::string& path);

}  // namespace kovanisdk::utils::cgi
