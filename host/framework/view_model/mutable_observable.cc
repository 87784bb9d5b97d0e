#include "host/framework/view_model/mutable_observable.h"

#include <algorithm>

namespace framework {

void MutableObservable::Set(Variant&& value) { state_->Set(std::move(value)); }

size_t MutableObservable::State::AddObserver(Observer observer) {
  const size_t id = next_id_++;
  observers_.emplace_back(id, std::make_shared<Observer>(std::move(observer)));
  return id;
}

void MutableObservable::State::RemoveObserver(size_t id) {
  std::erase_if(observers_, [id](const auto& entry) { return entry.first == id; });
}

void MutableObservable::State::Set(Variant&& value) {
  if (value == value_) return;
  value_ = std::move(value);
  // Observers may remove themselves while being told.
  const auto copy = observers_;
  for (const auto& [id, observer] : copy) {
    const bool still_there =
        std::any_of(observers_.begin(), observers_.end(), [id = id](const auto& entry) { return entry.first == id; });
    if (still_there) (*observer)(value_);
  }
}

}  // namespace framework
