#pragma once

#include <map>
#include <string>

#include "host/base/variant/variant.h"
#include "host/framework/model/model_impl.h"

namespace host::app {

// Host model 517: the signed-in user's settings by key.
class UserConfigModel : public framework::ModelImpl {
 public:
  UserConfigModel();

  base::variant::Variant Get(const std::string& key, const base::variant::Variant& def = {}) const;
  void Set(const std::string& key, base::variant::Variant value);

 private:
  std::map<std::string, base::variant::Variant> values_;
};

}  // namespace host::app
