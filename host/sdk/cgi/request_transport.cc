#include "host/sdk/cgi/request_transport.h"

#include <mutex>

#include "host/base/threading/looper.h"
#include "host/sdk/cgi/curl_request_transport.h"

namespace KOVANI_CGI {

namespace {

struct TransportSlot {
  std::mutex mutex;
  std::shared_ptr<RequestTransport> installed;
  std::shared_ptr<RequestTransport> curl;
  base::threading::Looper* curl_looper = nullptr;
};

TransportSlot& Slot() {
  static TransportSlot* slot = new TransportSlot();  // never destroyed: used until exit
  return *slot;
}

}  // namespace

std::string TransportRequest::Param(const std::string& name) const {
  for (const auto& [key, value] : query) {
    if (key == name) return value;
  }
  return {};
}

std::string TransportRequest::Header(const std::string& name) const {
  return base::net::FindHeader(headers, name);
}

std::shared_ptr<RequestTransport> GetRequestTransport() {
  TransportSlot& slot = Slot();
  std::lock_guard lock(slot.mutex);
  if (slot.installed) return slot.installed;
  base::threading::Looper* io = base::threading::LooperThread::IOLooper();
  if (!io) return nullptr;
  if (!slot.curl || slot.curl_looper != io) {
    slot.curl = CurlRequestTransport::Create(io);
    slot.curl_looper = io;
  }
  return slot.curl;
}

void SetRequestTransport(std::shared_ptr<RequestTransport> transport) {
  TransportSlot& slot = Slot();
  std::lock_guard lock(slot.mutex);
  slot.installed = std::move(transport);
}

void ShutdownRequestTransport() {
  std::shared_ptr<RequestTransport> curl;
  {
    TransportSlot& slot = Slot();
    std::lock_guard lock(slot.mutex);
    curl = std::move(slot.curl);
    slot.curl_looper = nullptr;
  }
  // Destroyed here, outside the lock: its cancellations run callbacks.
  curl.reset();
}

ScopedRequestTransport::ScopedRequestTransport(std::shared_ptr<RequestTransport> transport) {
  TransportSlot& slot = Slot();
  std::lock_guard lock(slot.mutex);
  previous_ = std::move(slot.installed);
  slot.installed = std::move(transport);
}

ScopedRequestTransport::~ScopedRequestTransport() { SetRequestTransport(std::move(previous_)); }

}  // namespace KOVANI_CGI
