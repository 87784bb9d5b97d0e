#include "host/base/net/url.h"

#include <curl/curl.h>

#include <cstdlib>
#include <memory>

namespace base::net {

namespace {

struct UrlDeleter {
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
};

std::string Part(CURLU* url, CURLUPart part, unsigned int flags = 0) {
  char* value = nullptr;
  if (curl_url_get(url, part, &value, flags) != CURLUE_OK || !value) return {};
  std::string text(value);
  curl_free(value);
  return text;
}

}  // namespace

URL URL::From(const std::string& text) {
  URL result;
  std::unique_ptr<CURLU, UrlDeleter> url(curl_url());
  // Only absolute URLs: no guessing of a scheme for "example.com/path".
  if (!url || curl_url_set(url.get(), CURLUPART_URL, text.c_str(), 0) != CURLUE_OK) return result;
  result.scheme_ = Part(url.get(), CURLUPART_SCHEME);
  result.host_ = Part(url.get(), CURLUPART_HOST);
  if (result.host_.size() > 2 && result.host_.front() == '[' && result.host_.back() == ']') {
    result.host_.pop_back();
    result.host_.erase(0, 1);
  }
  result.port_ = std::atoi(Part(url.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT).c_str());
  result.path_ = Part(url.get(), CURLUPART_PATH);
  if (result.path_.empty()) result.path_.push_back('/');
  result.query_ = Part(url.get(), CURLUPART_QUERY);
  result.spec_ = Part(url.get(), CURLUPART_URL);
  result.valid_ = !result.scheme_.empty() && !result.host_.empty();
  return result.valid_ ? result : URL();
}

}  // namespace base::net
