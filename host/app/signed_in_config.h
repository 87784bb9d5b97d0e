#pragma once

#include "host/app/host_config.h"

namespace host::app::testing {

// A host signed in to a back end on loopback, for tests and fuzz targets whose requests the fake
// transport answers.
inline host::app::HostConfig SignedInConfig() {
  host::app::HostConfig config;
  config.backend_url = "http://127.0.0.1:8080";
  config.account.app_id = "qr-app";
  config.account.app_uid = "alice";
  config.account.token = "tok";
  config.account.secret = "sec";
  return config;
}

}  // namespace host::app::testing
