#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "host/base/variant/variant.h"

namespace framework {

using Variant = base::variant::Variant;

// A value that others can read and watch without owning it.
class Observable {
 public:
  using Observer = std::function<void(const Variant&)>;
  virtual ~Observable() = default;
  virtual const Variant& Get() const = 0;
  // Returns an id for RemoveObserver.
  virtual size_t AddObserver(Observer observer) = 0;
  virtual void RemoveObserver(size_t id) = 0;
};

class MutableObservable {
 public:
  MutableObservable() : state_(std::make_shared<State>()) {}

  void Set(Variant&& value);
  const Variant& Get() const { return state_->Get(); }
  // A weak view: it expires with this object.
  std::weak_ptr<Observable> AsObservable() const { return state_; }

 private:
  class State : public Observable {
   public:
    const Variant& Get() const override { return value_; }
    size_t AddObserver(Observer observer) override;
    void RemoveObserver(size_t id) override;
    void Set(Variant&& value);

   private:
    Variant value_;
    size_t next_id_ = 1;
    std::vector<std::pair<size_t, std::shared_ptr<Observer>>> observers_;
  };
  std::shared_ptr<State> state_;
};

}  // namespace framework
