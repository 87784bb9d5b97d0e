#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "host/app/host_application.h"
#include "host/base/json/json_value.h"
#include "host/base/threading/host_loopers.h"
#include "host/sdk/cgi/cgi_url.h"
#include "host/sdk/cgi/kovani_signal_request_base.h"
#include "host/sdk/cgi/request_transport.h"

namespace host_net_test {

// What one HandleBizResponse call brought.
struct ChannelAnswer {
  bool success = false;
  KOVANI_CGI::Result result;
  base::json::JsonValue json;
  bool on_main_looper = false;
};

// A request class of the kind the module writes, answering into a shared list.
class JsonRequest : public KOVANI_CGI::KovaniSignalRequestBase<void(const ChannelAnswer&)> {
 public:
  // POST (method 3) with a JSON body and every signing flag, to a path of the configured back end.
  static std::shared_ptr<JsonRequest> Post(const std::string& path, const std::string& body = "{}") {
    auto request = std::make_shared<JsonRequest>();
    request->SetUrl(kovanisdk::utils::cgi::MakeCgiCommonUrlPath(path));
    request->SetMethod(3);
    request->SetBody(body);
    request->WithCommonParams(true);
    request->WithToken(true);
    request->WithSign(true);
    return request;
  }

 protected:
  void HandleBizResponse(bool success, const KOVANI_CGI::Result& result, const base::json::JsonValue& json) override {
    const bool on_main = base::threading::LooperThread::MainLooper()->RunsTasksOnCurrentThread();
    if (closure_) closure_(ChannelAnswer{success, result, json, on_main});
  }
};

// Real host loopers (the test thread is the main looper) and a host application whose back end
// and account the test chooses.
class HostNetTest : public ::testing::Test {
 protected:
  // Before any server of a derived fixture stops: a server waits for open keep-alive connections.
  void TearDown() override {
    // The process's libcurl transport is bound to these loopers; end it before they go.
    KOVANI_CGI::ShutdownRequestTransport();
  }

  void UseBackend(const std::string& backend_url, const host::app::Account& account = {}) {
    host::app::HostConfig config;
    config.backend_url = backend_url;
    config.account = account;
    app_.reset();
    app_ = std::make_unique<host::app::HostApplication>(config);
  }

  // Runs the request and answers how it came back; counts every answer in answers_.
  void Run(const std::shared_ptr<JsonRequest>& request) {
    request->Run([this](const ChannelAnswer& answer) { answers_.push_back(answer); });
  }
  bool RunUntil(const std::function<bool()>& done, int64_t timeout_ms = 10000) {
    return loopers_.RunMainLoopUntil(done, timeout_ms);
  }
  // Waits for `count` answers, then a little longer to catch a second answer to one request.
  bool WaitForAnswers(size_t count, int64_t timeout_ms = 10000) {
    const bool reached = RunUntil([&] { return answers_.size() >= count; }, timeout_ms);
    RunUntil([] { return false; }, 100);
    return reached && answers_.size() == count;
  }

  base::threading::HostLoopers loopers_;
  std::unique_ptr<host::app::HostApplication> app_;
  std::vector<ChannelAnswer> answers_;
};

}  // namespace host_net_test
