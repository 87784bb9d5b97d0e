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
  // Takes a whole new configuration (a reload); every key that was added, changed or removed is
  // announced once.
  void ReplaceSections(base::variant::Variant sections);
  const base::variant::Variant& sections() const { return sections_; }

 private:
  void AnnounceChange(const std::string& section, const std::string& key);

  base::variant::Variant sections_;
};

}  // namespace host::app
