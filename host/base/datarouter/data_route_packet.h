#pragma once

#include <memory>
#include <string>

#include "host/base/variant/variant.h"

namespace base::datarouter {

// What travels through a data router: the request names its URI and carries a request object;
// the response says whether it succeeded and carries a response object. Objects are variants, so
// a caller may send a map or a typed object (Variant::FromShared) that the handler reads back
// with Object<T>().
class DataRouteRequestPacket {
 public:
  DataRouteRequestPacket(std::string uri, base::variant::Variant body) : uri_(std::move(uri)), body_(std::move(body)) {}

  const std::string& uri() const { return uri_; }
  const base::variant::Variant& body() const { return body_; }
  template <typename T>
  std::shared_ptr<T> Object() const {
    return body_.AsShared<T>();
  }

 private:
  const std::string uri_;
  const base::variant::Variant body_;
};

class DataRouteResponsePacket {
 public:
  // Codes of the router itself; handlers may use any other values for their own failures.
  static constexpr int kOk = 0;
  static constexpr int kHandlerFailed = 1;  // the handler ran and reported failure
  static constexpr int kNoHandler = 2;      // no factory knows the URI
  static constexpr int kRouterGone = 3;     // the router was destroyed before the request ran

  bool success() const { return success_; }
  int code() const { return code_; }
  const std::string& message() const { return message_; }
  const base::variant::Variant& body() const { return body_; }
  template <typename T>
  std::shared_ptr<T> Object() const {
    return body_.AsShared<T>();
  }

  void SetSuccess(bool success) {
    success_ = success;
    code_ = success ? kOk : (code_ == kOk ? kHandlerFailed : code_);
  }
  void SetError(int code, std::string message) {
    success_ = false;
    code_ = code;
    message_ = std::move(message);
  }
  void SetBody(base::variant::Variant body) { body_ = std::move(body); }
  template <typename T>
  void SetObject(std::shared_ptr<T> object) {
    body_ = base::variant::Variant::FromShared(std::move(object));
  }

 private:
  bool success_ = false;
  int code_ = kHandlerFailed;
  std::string message_;
  base::variant::Variant body_;
};

// A response that starts as a failure until the handler says otherwise.
std::shared_ptr<DataRouteResponsePacket> CreateDataRouteResponsePacket();
std::shared_ptr<DataRouteResponsePacket> CreateDataRouteResponsePacket(bool success, base::variant::Variant body);

}  // namespace base::datarouter
