#pragma once

#include <functional>

#include "host/sdk/cgi/signal_request_core.h"

namespace KOVANI_CGI {

// Base of every back-end request class. `Signature` is the type of the closure the request calls
// from its HandleBizResponse with its own result structure, for example
//   class QuickRecordSpaceRequest
//       : public KOVANI_CGI::KovaniSignalRequestBase<void(const QuickRecordSpaceInfo&)> {...};
template <typename Signature>
class KovaniSignalRequestBase : public SignalRequestCore {
 public:
  using Closure = std::function<Signature>;

  // Keeps `closure` and sends the request; see SignalRequestCore::Send.
  void Run(Closure closure) {
    closure_ = std::move(closure);
    Send();
  }

 protected:
  Closure closure_;
};

}  // namespace KOVANI_CGI
