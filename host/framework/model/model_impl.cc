#include "host/framework/model/model_impl.h"

#include <algorithm>
#include <atomic>

#include "host/base/threading/looper.h"

namespace framework {

SubscriberId NewSubscriberId() {
  static std::atomic<SubscriberId> next{1};
  return next.fetch_add(1);
}

ModelImpl::ModelImpl(int32_t type) : type_(type) {}

ModelImpl::~ModelImpl() = default;

void ModelImpl::Init() {}

void ModelImpl::UnInit() {
  std::lock_guard lock(mutex_);
  for (auto& [event, list] : subscriptions_) {
    for (auto& s : list) s->active = false;
  }
  subscriptions_.clear();
}

void ModelImpl::Subscribe(int32_t event_id, SubscriberId subscriber, EventCallback callback) {
  SubscribeWithLocation(event_id, subscriber, std::move(callback), base::Location{});
}

void ModelImpl::SubscribeWithLocation(int32_t event_id, SubscriberId subscriber, EventCallback callback,
                                      const base::Location& from) {
  if (!callback) return;
  std::lock_guard lock(mutex_);
  auto& list = subscriptions_[event_id];
  // One subscription per (event, subscriber): subscribing again replaces the callback.
  for (auto& s : list) {
    if (s->subscriber == subscriber) s->active = false;
  }
  std::erase_if(list, [&](const auto& s) { return s->subscriber == subscriber; });
  list.push_back(std::make_shared<Subscription>(subscriber, std::move(callback), from));
}

void ModelImpl::Unsubscribe(int32_t event_id, SubscriberId subscriber) {
  std::lock_guard lock(mutex_);
  auto it = subscriptions_.find(event_id);
  if (it == subscriptions_.end()) return;
  for (auto& s : it->second) {
    if (s->subscriber == subscriber) s->active = false;
  }
  std::erase_if(it->second, [&](const auto& s) { return s->subscriber == subscriber; });
}

void ModelImpl::Unsubscribe(SubscriberId subscriber) {
  std::lock_guard lock(mutex_);
  for (auto& [event, list] : subscriptions_) {
    for (auto& s : list) {
      if (s->subscriber == subscriber) s->active = false;
    }
    std::erase_if(list, [&](const auto& s) { return s->subscriber == subscriber; });
  }
}

bool ModelImpl::Call(int32_t method_id, const Variant& args, Variant* result) {
  MethodHandler handler;
  {
    std::lock_guard lock(mutex_);
    auto it = methods_.find(method_id);
    if (it == methods_.end()) return false;
    handler = it->second;
  }
  return handler(args, result);
}

bool ModelImpl::P2PCall(SubscriberId caller, int32_t method_id, const Variant& args, Variant* result) {
  const SubscriberId previous = current_caller_;
  current_caller_ = caller;
  const bool handled = Call(method_id, args, result);
  current_caller_ = previous;
  return handled;
}

void ModelImpl::AsyncCall(int32_t method_id, const Variant& args, std::function<void(bool, const Variant&)> done) {
  using base::threading::LooperThread;
  auto* reply = LooperThread::CurrentLooper() ? LooperThread::CurrentLooper() : LooperThread::MainLooper();
  auto* main = LooperThread::MainLooper();
  if (!main || !reply) return;
  std::weak_ptr<ModelImpl> weak = weak_from_this();
  main->PostTask(
      [weak, method_id, args, done = std::move(done), reply] {
        auto self = weak.lock();
        if (!self) return;
        auto result = std::make_shared<Variant>();
        const bool handled = self->Call(method_id, args, result.get());
        if (done) reply->PostTask([done, handled, result] { done(handled, *result); }, FROM_HERE);
      },
      FROM_HERE);
}

Variant ModelImpl::GetStateOf(int32_t) const { return Variant(); }

size_t ModelImpl::SubscriberCount(int32_t event_id) const {
  std::lock_guard lock(mutex_);
  auto it = subscriptions_.find(event_id);
  return it == subscriptions_.end() ? 0 : it->second.size();
}

std::vector<std::shared_ptr<ModelImpl::Subscription>> ModelImpl::Snapshot(int32_t event_id) const {
  std::lock_guard lock(mutex_);
  auto it = subscriptions_.find(event_id);
  return it == subscriptions_.end() ? std::vector<std::shared_ptr<Subscription>>{} : it->second;
}

void ModelImpl::FireEvent(int32_t event_id, const Variant& payload) {
  for (const auto& s : Snapshot(event_id)) {
    // Checked per call: an earlier callback may have removed this one.
    if (s->active) s->callback(event_id, payload);
  }
}

void ModelImpl::FireP2PEvent(int32_t event_id, SubscriberId subscriber, const Variant& payload) {
  for (const auto& s : Snapshot(event_id)) {
    if (s->active && s->subscriber == subscriber) s->callback(event_id, payload);
  }
}

void ModelImpl::BindMethod(int32_t method_id, MethodHandler handler) {
  std::lock_guard lock(mutex_);
  methods_[method_id] = std::move(handler);
}

}  // namespace framework
