#include "host/base/datarouter/data_router.h"

#include <exception>

#include "host/base/logging/logger.h"

namespace base::datarouter {
namespace {

// At shutdown the well-known loopers are uninstalled before they are destroyed; an answer for a
// looper that is no longer installed has nowhere to go.
bool IsInstalled(threading::Looper* looper) {
  using threading::LooperThread;
  return looper && (looper == LooperThread::MainLooper() || looper == LooperThread::WorkerLooper() ||
                    looper == LooperThread::IOLooper());
}

}  // namespace

std::shared_ptr<DataRouteResponsePacket> CreateDataRouteResponsePacket() {
  return std::make_shared<DataRouteResponsePacket>();
}

std::shared_ptr<DataRouteResponsePacket> CreateDataRouteResponsePacket(bool success, base::variant::Variant body) {
  auto packet = CreateDataRouteResponsePacket();
  packet->SetSuccess(success);
  packet->SetBody(std::move(body));
  return packet;
}

DataRouter::DataRouter(threading::Looper* looper) : looper_(looper) {}

DataRouter::~DataRouter() {
  std::deque<Pending> pending;
  {
    std::lock_guard lock(mutex_);
    pending.swap(pending_);
  }
  for (auto& entry : pending) {
    auto response = CreateDataRouteResponsePacket();
    response->SetError(DataRouteResponsePacket::kRouterGone, "data router destroyed");
    if (IsInstalled(entry.reply_looper)) {
      Deliver(std::move(entry), std::move(response));
    } else {
      KLOG(4) << "data route answer dropped at shutdown, uri " << entry.request->uri();
    }
  }
}

void DataRouter::AddFactory(std::shared_ptr<HandlerFactory> factory) {
  if (!factory) return;
  auto entry = std::make_shared<FactoryEntry>();
  entry->factory = std::move(factory);
  {
    std::lock_guard lock(mutex_);
    factories_.push_back(entry);
  }
  // Initialise at once rather than on the first request, so a slow open does not delay it.
  if (looper_) {
    looper_->PostTask(
        [entry] {
          if (!entry->initialized) {
            entry->initialized = true;
            entry->factory->Init();
          }
        },
        FROM_HERE);
  }
}

void DataRouter::RemoveFactory(const std::shared_ptr<HandlerFactory>& factory) {
  std::lock_guard lock(mutex_);
  std::erase_if(factories_, [&](const auto& entry) { return entry->factory == factory; });
}

void DataRouter::Route(std::shared_ptr<DataRouteRequestPacket> request, ResponseCallback done,
                       threading::Looper* reply_looper) {
  if (!request || !done || !reply_looper) return;
  {
    std::lock_guard lock(mutex_);
    pending_.push_back(Pending{std::move(request), std::move(done), reply_looper});
  }
  if (!looper_) return;  // answered with kRouterGone when the router goes away
  looper_->PostTask(
      [weak = weak_from_this()] {
        if (auto self = weak.lock()) self->RunNext();
      },
      FROM_HERE);
}

void DataRouter::RunNext() {
  Pending next;
  {
    std::lock_guard lock(mutex_);
    if (pending_.empty()) return;
    next = std::move(pending_.front());
    pending_.pop_front();
  }
  auto response = Dispatch(next.request);
  Deliver(std::move(next), std::move(response));
}

std::shared_ptr<DataRouteResponsePacket> DataRouter::Dispatch(const std::shared_ptr<DataRouteRequestPacket>& request) {
  std::vector<std::shared_ptr<FactoryEntry>> factories;
  {
    std::lock_guard lock(mutex_);
    factories = factories_;
  }
  auto response = CreateDataRouteResponsePacket();
  // Handlers are caller code; whatever they throw must not cost the caller its answer.
  try {
    for (auto& entry : factories) {
      if (!entry->initialized) {
        entry->initialized = true;
        entry->factory->Init();
      }
      if (auto handler = entry->factory->CreateHandler(request)) {
        handler->Handle(response);
        return response;
      }
    }
  } catch (const std::exception& e) {
    KLOG(1) << "data route handler threw for uri " << request->uri() << ": " << e.what();
    response->SetError(DataRouteResponsePacket::kHandlerFailed, e.what());
    return response;
  }
  KLOG(3) << "no data route handler for uri " << request->uri();
  response->SetError(DataRouteResponsePacket::kNoHandler, "no handler for uri " + request->uri());
  return response;
}

void DataRouter::Deliver(Pending pending, std::shared_ptr<DataRouteResponsePacket> response) {
  threading::Looper* reply_looper = pending.reply_looper;
  reply_looper->PostTask([done = std::move(pending.done), response = std::move(response)] { done(response); },
                         FROM_HERE);
}

std::shared_ptr<DataRouter> CreateDataRouter(threading::Looper* looper) { return std::make_shared<DataRouter>(looper); }

DataRouteService::DataRouteService(std::shared_ptr<DataRouter> router,
                                   std::shared_ptr<DataRouter::HandlerFactory> factory)
    : router_(std::move(router)), factory_(std::move(factory)) {
  if (router_) router_->AddFactory(factory_);
}

DataRouteService::~DataRouteService() {
  if (router_) router_->RemoveFactory(factory_);
}

}  // namespace base::datarouter
