#pragma once

#include <string>

#include "host/app/host_config.h"

namespace host_net_test {

// A signed-in account for servers that do not check it: app id "qr-app", token "tok-<uid>",
// secret "sec-<uid>".
inline host::app::Account TestAccount(const std::string& app_uid) {
  host::app::Account account;
  account.app_id = "qr-app";
  account.app_uid = app_uid;
  account.token = "tok-" + app_uid;
  account.secret = "sec-" + app_uid;
  return account;
}

}  // namespace host_net_test
