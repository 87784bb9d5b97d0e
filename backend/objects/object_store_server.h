#pragma once

#include <optional>
#include <string>

#include "common/httplib_fwd.h"

namespace qr_backend {

class ObjectAuthority;
class ObjectStore;

// The object store's HTTP face, path style: "/<bucket>/<key>". Every request needs the
// authorisation issued for its verb and object plus the matching session token, either as the
// headers "Authorization" and "X-QR-Session-Token" or as the query parameters "auth" and
// "session_token"; anything else is 403. docs/backend.md gives the requests and answers.
class ObjectStoreServer {
 public:
  ObjectStoreServer(ObjectStore& store, ObjectAuthority& authority)
      : store_(store), authority_(authority) {}

  void Register(httplib::Server& server);

  void Get(const httplib::Request& request, httplib::Response& response);
  void Put(const httplib::Request& request, httplib::Response& response,
           const httplib::ContentReader& reader);
  void Post(const httplib::Request& request, httplib::Response& response);
  void Delete(const httplib::Request& request, httplib::Response& response);

 private:
  struct Target {
    std::string bucket;
    std::string key;
    std::string owner_uid;
  };

  // The object the request may act on with `verb`; otherwise writes the 403 and returns nullopt.
  // With `play_allowed`, a "play" authorisation stands in for "get" on a ranged request.
  std::optional<Target> Authorise(const httplib::Request& request, httplib::Response& response,
                                  const std::string& verb, bool play_allowed = false);
  void GetObject(const httplib::Request& request, httplib::Response& response,
                 const Target& target);
  void ListParts(const httplib::Request& request, httplib::Response& response,
                 const Target& target);
  void CompleteUpload(const httplib::Request& request, httplib::Response& response,
                      const Target& target);

  ObjectStore& store_;
  ObjectAuthority& authority_;
};

}  // namespace qr_backend
