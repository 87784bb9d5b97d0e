#pragma once

#include <string>

namespace base::net {

// The parts of an absolute URL. Parsing never throws: text that is not an absolute URL gives an
// invalid URL whose parts are empty.
class URL {
 public:
  static URL From(const std::string& text);

  bool IsValid() const { return valid_; }
  const std::string& scheme() const { return scheme_; }  // lower case: "https"
  const std::string& host() const { return host_; }      // as written, without brackets
  int port() const { return port_; }                     // explicit, else the scheme's default
  const std::string& path() const { return path_; }      // "/" when the URL has none
  const std::string& query() const { return query_; }    // without '?'; raw, still encoded
  const std::string& spec() const { return spec_; }      // the whole URL, normalised

  bool IsHttps() const { return scheme_ == "https"; }
  bool IsHttp() const { return scheme_ == "http"; }

 private:
  bool valid_ = false;
  std::string scheme_;
  std::string host_;
  int port_ = 0;
  std::string path_;
  std::string query_;
  std::string spec_;
};

}  // namespace base::net
