#pragma once

#include "host/base/variant/variant.h"
#include "host/framework/model/model_impl.h"

namespace host::app {

// Host model 539: configuration values by section and key. A change fires the change event so
// that modules re-read what they depend on without a restart.
class ConfigModel : public framework::ModelImpl {
 public:
  explicit ConfigModel(base::variant::Variant sections = base::variant::Variant::MakeMap());

  base::variant::Variant GetValue(const std::string& section, const std::string& key,
                                  const base::variant::Variant& def = {}) const;
  void SetValue(const std::string& section, const std::string& key, base::variant::Variant value);
  const base::variant::Variant& sections() const { return sections_; }

 private:
  base::variant::Variant sections_;
};

}  // namespace host::app
