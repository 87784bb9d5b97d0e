#pragma once

#include <string>

#include "host/base/json/json_value.h"

namespace qr_transcoder {

// Where tasks send their events: the bridge connection in the process, a recorder in tests.
// Send may be called from any task thread at once.
class IEventSink {
 public:
  virtual ~IEventSink() = default;
  virtual void Send(const std::string& name, const base::json::JsonValue& fields) = 0;
};

}  // namespace qr_transcoder
