// qr-backend: the reference back end (recording API, object store, push stream, player page).

#include <signal.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "server/backend_app.h"
#include "server/backend_config.h"

int main(int argc, char** argv) {
  std::string message;
  const auto config =
      qr_backend::ParseBackendConfig(std::vector<std::string>(argv + 1, argv + argc), &message);
  if (!config) {
    const bool help = message == qr_backend::BackendUsage();
    (help ? std::cout : std::cerr) << message << (message.back() == '\n' ? "" : "\n");
    return help ? 0 : 2;
  }

  // Termination signals are taken by sigwait below, never by whichever thread they hit; every
  // thread started from here on inherits the mask.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGTERM);
  sigaddset(&stop_signals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  qr_backend::BackendApp app(*config);
  std::string error;
  if (!app.Start(&error)) {
    std::cerr << "qr-backend: " << error << "\n";
    return 1;
  }
  std::cout << app.StartupLine() << std::endl;

  int received = 0;
  sigwait(&stop_signals, &received);
  app.Stop();
  app.Wait();
  return 0;
}
