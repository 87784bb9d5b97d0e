#include "apps/qrhost/host_session.h"

namespace qrhost {

std::unique_ptr<HostSession> HostSession::Open(const std::string& module_path, host::app::HostConfig config,
                                               std::string* error) {
  std::unique_ptr<HostSession> session(new HostSession(std::move(config)));
  session->library_ = host::app::ModuleLibrary::Load(module_path, error);
  if (!session->library_) return nullptr;
  session->library_->Activate();
  return session;
}

HostSession::HostSession(host::app::HostConfig config)
    : app_(std::make_unique<host::app::HostApplication>(std::move(config))) {}

HostSession::~HostSession() {
  library_.reset();  // deactivates and unloads while the host is still whole
  app_.reset();
}

}  // namespace qrhost
