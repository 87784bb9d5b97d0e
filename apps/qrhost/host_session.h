#pragma once

#include <memory>
#include <string>

#include "host/app/host_application.h"
#include "host/app/module_library.h"
#include "host/base/threading/host_loopers.h"

namespace qrhost {

// A running host with the module loaded and activated: the loopers, the host application and the
// module library, torn down in the reverse order.
class HostSession {
 public:
  // Null with a one-line `*error` when the module cannot be loaded.
  static std::unique_ptr<HostSession> Open(const std::string& module_path, host::app::HostConfig config,
                                           std::string* error);
  ~HostSession();

  base::threading::HostLoopers& loopers() { return loopers_; }
  host::app::HostApplication& app() { return *app_; }

 private:
  explicit HostSession(host::app::HostConfig config);

  base::threading::HostLoopers loopers_;
  std::unique_ptr<host::app::HostApplication> app_;
  std::unique_ptr<host::app::ModuleLibrary> library_;
};

}  // namespace qrhost
