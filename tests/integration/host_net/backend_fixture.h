#pragma once

#include <memory>
#include <string>

#include "backend_client.h"
#include "backend_process.h"
#include "host_net_fixture.h"
#include "testing/temp_dir.h"

namespace host_net_test {

// A real qr-backend on loopback, a user "alice" created through its admin API, and the host
// configured to speak to it as alice.
class BackendNetTest : public HostNetTest {
 protected:
  void SetUp() override {
    backend_ = std::make_unique<qr_backend::testing::BackendProcess>(dir_.path() + "/data",
                                                                     nlohmann::json{{"push_heartbeat_ms", 200}});
    ASSERT_TRUE(backend_->Start()) << backend_->log();
    alice_ = Admin().CreateUser("alice");
    ASSERT_FALSE(alice_.token.empty()) << backend_->log();
    UseBackend(BackendUrl(), AccountOf(alice_));
  }
  void TearDown() override {
    HostNetTest::TearDown();
    if (backend_->running()) {
      EXPECT_EQ(backend_->Stop(), 0) << backend_->log();
    }
  }

  std::string BackendUrl() const { return "http://127.0.0.1:" + std::to_string(backend_->api_port()); }
  qr_backend::testing::AdminClient Admin() const { return {backend_->api_port(), backend_->admin_token()}; }
  static host::app::Account AccountOf(const qr_backend::testing::Account& user) {
    host::app::Account account;
    account.app_id = "qr-app";
    account.app_uid = user.app_uid;
    account.token = user.token;
    account.secret = user.secret;
    return account;
  }

  qr_backend::TempDir dir_;
  std::unique_ptr<qr_backend::testing::BackendProcess> backend_;
  qr_backend::testing::Account alice_;
};

}  // namespace host_net_test
