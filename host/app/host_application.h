#pragma once

#include <functional>
#include <map>
#include <memory>

#include "host/app/auth_model.h"
#include "host/app/config_model.h"
#include "host/app/host_config.h"
#include "host/app/user_config_model.h"
#include "host/base/variant/variant.h"
#include "host/framework/module/module_runtime_base_impl.h"

namespace host::app {

using HostModelFactory = std::function<std::shared_ptr<framework::ModelImpl>()>;

// The host application as modules see it: its own runtime, whose model provider serves the host
// models by id, and the host services' global state. One per process (or per test); its
// destructor resets that global state.
class HostApplication {
 public:
  explicit HostApplication(HostConfig config = {});
  // The running host application; null when there is none.
  static HostApplication* Current();
  ~HostApplication();
  HostApplication(const HostApplication&) = delete;
  HostApplication& operator=(const HostApplication&) = delete;

  const HostConfig& host_config() const { return config_; }
  const Account& account() const { return config_.account; }
  std::shared_ptr<ConfigModel> config();
  // Takes a new configuration while running: configuration values that changed are announced by
  // model 539; a different account switches the user configuration and is announced by model 504.
  void ApplyConfig(HostConfig config);
  // Reads the file the configuration came from again; false (and nothing changes) when it cannot.
  bool ReloadConfig(std::string* error);
  std::shared_ptr<UserConfigModel> user_config();
  std::shared_ptr<AuthModel> auth();
  // Adds (or replaces, before first use) the factory of a host model.
  void RegisterHostModel(int32_t model_id, HostModelFactory factory);
  framework::module::ModuleRuntimeBaseImpl* runtime();

 private:
  class AppRuntime;
  std::string UserConfigPath() const;

  HostConfig config_;
  std::map<int32_t, HostModelFactory> factories_;
  std::unique_ptr<AppRuntime> runtime_;
};

}  // namespace host::app
