#pragma once

#include <string>

// Addresses of the product's web pages.
namespace kovani_common::utils::web {

// The configured web host ("https://host[:port]", no trailing slash): configuration section
// "web", key "host".
std::string GetWebHost();
// Turns a path or a relative address into a full address on the web host; full addresses stay.
std::string ReviseWebUrl(const std::string& url);

}  // namespace kovani_common::utils::web
