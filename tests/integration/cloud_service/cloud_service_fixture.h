#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "backend_client.h"
#include "backend_process.h"
#include "host/app/host_application.h"
#include "host/base/threading/host_loopers.h"
#include "host/sdk/cgi/request_transport.h"
#include "module/quick_record/cloud/quick_record_service_plugin_impl.h"
#include "testing/temp_dir.h"

namespace cloud_service_test {

using qr_backend::testing::Account;

// A real qr-backend on loopback with the users alice and bob, real host loopers (the test thread
// runs the main looper), the host signed in as alice, and the module's cloud service.
class CloudServiceTest : public ::testing::Test {
 protected:
  static constexpr int64_t kWaitMs = 10000;

  virtual nlohmann::json Config() const {
    return {{"censor_review_polls", 1}, {"censor_block_words", nlohmann::json::array({"forbidden"})}};
  }

  void SetUp() override {
    backend_ = std::make_unique<qr_backend::testing::BackendProcess>(dir_.path() + "/data", Config());
    ASSERT_TRUE(backend_->Start()) << backend_->log();
    alice_ = Admin().CreateUser("alice");
    bob_ = Admin().CreateUser("bob");
    ASSERT_FALSE(alice_.token.empty() || bob_.token.empty()) << backend_->log();
    SignIn(alice_);
    plugin_ = std::make_shared<quick_record::QuickRecordServicePluginImpl>();
  }

  void TearDown() override {
    plugin_.reset();
    // The process's libcurl transport is bound to these loopers; end it before they go.
    KOVANI_CGI::ShutdownRequestTransport();
    app_.reset();
    if (backend_->running()) {
      EXPECT_EQ(backend_->Stop(), 0) << backend_->log();
    }
  }

  // The host as `user`; the service keeps working and signs with the new account.
  void SignIn(const Account& user) {
    host::app::HostConfig config;
    config.backend_url = "http://127.0.0.1:" + std::to_string(backend_->api_port());
    config.account.app_id = "qr-app";
    config.account.app_uid = user.app_uid;
    config.account.token = user.token;
    config.account.secret = user.secret;
    app_.reset();
    app_ = std::make_unique<host::app::HostApplication>(config);
  }

  // Runs the main looper until `done` (at most kWaitMs), then a little longer so that a second
  // callback for the same request would show.
  bool Wait(const std::function<bool()>& done, int64_t timeout_ms = kWaitMs) {
    const bool reached = loopers_.RunMainLoopUntil(done, timeout_ms);
    loopers_.RunMainLoopUntil([] { return false; }, 50);
    return reached;
  }

  qr_backend::testing::AdminClient Admin() const { return {backend_->api_port(), backend_->admin_token()}; }
  qr_backend::testing::ObjectClient Objects() const { return qr_backend::testing::ObjectClient(backend_->cos_port()); }

  // Records made for `app_uid` through the admin API, newest first.
  std::vector<std::string> Seed(const std::string& app_uid, int count, nlohmann::json extra = nlohmann::json::object()) {
    extra["app_uid"] = app_uid;
    extra["count"] = count;
    extra["age_step_seconds"] = 1;
    const auto answer = Admin().Call("POST", "/admin/records", extra);
    EXPECT_EQ(answer.status, 200) << answer.body;
    std::vector<std::string> ids;
    for (const auto& record : answer.Json().value("records", nlohmann::json::array())) {
      ids.push_back(record["uni_record_id"]);
    }
    return ids;
  }
  nlohmann::json AdminRecord(const std::string& uni_record_id) const {
    const auto answer = Admin().Call("GET", "/admin/records/" + uni_record_id);
    return answer.status == 200 ? answer.Json() : nlohmann::json();
  }

  base::threading::HostLoopers loopers_;
  qr_backend::TempDir dir_;
  std::unique_ptr<qr_backend::testing::BackendProcess> backend_;
  std::unique_ptr<host::app::HostApplication> app_;
  std::shared_ptr<quick_record::QuickRecordServicePluginImpl> plugin_;
  Account alice_;
  Account bob_;
};

}  // namespace cloud_service_test
