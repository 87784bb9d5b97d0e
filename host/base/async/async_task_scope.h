#pragma once

#include <memory>
#include <utility>

namespace base {

// Owns the pending asynchronous callbacks of an object: a callback wrapped by the scope runs only
// while the scope is alive, so completions that arrive after the owner is gone are dropped.
// Wrapped callbacks must run on the owner's thread (they are posted back to it).
class AsyncTaskScope {
 public:
  AsyncTaskScope() : token_(std::make_shared<char>(0)) {}
  ~AsyncTaskScope() = default;
  AsyncTaskScope(const AsyncTaskScope&) = delete;
  AsyncTaskScope& operator=(const AsyncTaskScope&) = delete;

  template <typename Callback>
  auto Wrap(Callback callback) const {
    return [weak = std::weak_ptr<char>(token_), callback = std::move(callback)](auto&&... args) mutable {
      if (weak.lock()) callback(std::forward<decltype(args)>(args)...);
    };
  }

  // Drops every callback wrapped so far; later wraps work again.
  void CancelAll() { token_ = std::make_shared<char>(0); }

 private:
  std::shared_ptr<char> token_;
};

}  // namespace base
