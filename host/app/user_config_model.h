#pragma once

#include <map>
#include <string>

#include "host/base/variant/variant.h"
#include "host/framework/model/model_impl.h"

namespace host::app {

// Host model 517: the signed-in user's settings by key. With a file they survive restarts: every
// change replaces the file atomically, so a crash leaves the old or the new settings.
class UserConfigModel : public framework::ModelImpl {
 public:
  // An empty path keeps the settings in memory only.
  explicit UserConfigModel(std::string path = {});

  base::variant::Variant Get(const std::string& key, const base::variant::Variant& def = {}) const;
  void Set(const std::string& key, base::variant::Variant value);
  // Switches to another user's file (after a sign-in); every key that differs is announced.
  void Open(std::string path);
  const std::string& path() const { return path_; }

 private:
  void Load();
  void Save() const;

  std::string path_;
  std::map<std::string, base::variant::Variant> values_;
};

}  // namespace host::app
