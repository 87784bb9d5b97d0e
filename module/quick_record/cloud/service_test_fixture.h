#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "host/app/host_application.h"
#include "host/app/signed_in_config.h"
#include "host/base/json/json_value.h"
#include "host/base/logging/logger.h"
#include "host/base/threading/test_task_environment.h"
#include "host/sdk/cgi/fake_request_transport.h"

namespace quick_record::testing {

// Mock time, a signed-in host whose back end is answered by a fake transport, and a log capture.
class ServiceTest : public ::testing::Test {
 protected:
  // The only request sent to `path`; a failure (and an empty request) when there is not exactly one.
  KOVANI_CGI::TransportRequest OnlyRequestTo(const std::string& path) const {
    KOVANI_CGI::TransportRequest found;
    size_t count = 0;
    for (const auto& request : fake_->requests()) {
      if (request.path != path) continue;
      ++count;
      found = request;
    }
    EXPECT_EQ(count, 1u) << path;
    return found;
  }
  base::json::JsonValue OnlyBodyTo(const std::string& path) const {
    return base::json::JsonValue::Parse(OnlyRequestTo(path).body);
  }
  size_t CountRequestsTo(const std::string& path) const {
    size_t count = 0;
    for (const auto& request : fake_->requests()) count += request.path == path;
    return count;
  }

  base::test::TestTaskEnvironment env_;
  std::unique_ptr<host::app::HostApplication> app_ =
      std::make_unique<host::app::HostApplication>(host::app::testing::SignedInConfig());
  std::shared_ptr<KOVANI_CGI::FakeRequestTransport> fake_ = std::make_shared<KOVANI_CGI::FakeRequestTransport>();
  KOVANI_CGI::ScopedRequestTransport scoped_{fake_};
  base::logging::ScopedLogCapture log_;
};

}  // namespace quick_record::testing
