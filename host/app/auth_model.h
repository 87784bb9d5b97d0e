#pragma once

#include <string>

#include "host/framework/model/model_impl.h"

namespace host::app {

// Host model 504: whether a user is signed in, announced when it changes.
class AuthModel : public framework::ModelImpl {
 public:
  explicit AuthModel(std::string app_uid);
  // Announces a new signed-in user ("" signs out); nothing happens when the user is the same.
  void SetSignedInUser(const std::string& app_uid, const std::string& source);
  int32_t auth_state() const;

 private:
  base::variant::Variant State() const;
  std::string app_uid_;
};

}  // namespace host::app
