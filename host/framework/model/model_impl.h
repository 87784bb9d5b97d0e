#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "host/base/location.h"
#include "host/base/variant/variant.h"

namespace framework {

using Variant = base::variant::Variant;
using SubscriberId = uint64_t;
using EventCallback = std::function<void(int32_t event_id, const Variant& payload)>;
// `result` may be null when the caller wants no answer.
using MethodHandler = std::function<bool(const Variant& args, Variant* result)>;

// A fresh id for an object that subscribes to model events.
SubscriberId NewSubscriberId();

// Base of every model: operations by method id through Call, events by event id to subscribers.
// A callback may subscribe or unsubscribe (itself or others) while an event is being fired; a
// subscriber that was removed is never called afterwards.
class ModelImpl : public std::enable_shared_from_this<ModelImpl> {
 public:
  explicit ModelImpl(int32_t type = 0);
  virtual ~ModelImpl();
  ModelImpl(const ModelImpl&) = delete;
  ModelImpl& operator=(const ModelImpl&) = delete;

  virtual void Init();
  virtual void UnInit();
  virtual void Subscribe(int32_t event_id, SubscriberId subscriber, EventCallback callback);
  virtual void SubscribeWithLocation(int32_t event_id, SubscriberId subscriber, EventCallback callback,
                                     const base::Location& from);
  virtual void Unsubscribe(int32_t event_id, SubscriberId subscriber);
  virtual void Unsubscribe(SubscriberId subscriber);
  // Runs the operation `method_id`; returns whether the model handled it.
  virtual bool Call(int32_t method_id, const Variant& args, Variant* result);
  // A call that names its caller, so the model can answer with FireP2PEvent later.
  virtual bool P2PCall(SubscriberId caller, int32_t method_id, const Variant& args, Variant* result);
  // Calls `done(handled, result)` on the caller's looper after the operation ran on the main looper.
  virtual void AsyncCall(int32_t method_id, const Variant& args, std::function<void(bool, const Variant&)> done);
  virtual int32_t type() const { return type_; }
  virtual Variant GetStateOf(int32_t state_id) const;

  size_t SubscriberCount(int32_t event_id) const;

 protected:
  void FireEvent(int32_t event_id, const Variant& payload = Variant());
  void FireP2PEvent(int32_t event_id, SubscriberId subscriber, const Variant& payload = Variant());
  // Registers the handler that Call runs for `method_id`.
  void BindMethod(int32_t method_id, MethodHandler handler);
  // The caller of the P2PCall being handled, 0 outside one.
  SubscriberId current_caller() const { return current_caller_; }

 private:
  struct Subscription {
    Subscription(SubscriberId s, EventCallback c, const base::Location& f) : subscriber(s), callback(std::move(c)), from(f) {}
    const SubscriberId subscriber;
    const EventCallback callback;
    const base::Location from;
    std::atomic<bool> active{true};
  };
  std::vector<std::shared_ptr<Subscription>> Snapshot(int32_t event_id) const;

  const int32_t type_;
  mutable std::mutex mutex_;
  std::map<int32_t, std::vector<std::shared_ptr<Subscription>>> subscriptions_;
  std::map<int32_t, MethodHandler> methods_;
  SubscriberId current_caller_ = 0;
};

}  // namespace framework
