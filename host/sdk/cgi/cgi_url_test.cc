#include "host/sdk/cgi/cgi_url.h"

#include <gtest/gtest.h>

#include "host/app/host_application.h"
#include "host/base/threading/test_task_environment.h"

namespace kovanisdk::utils::cgi {
namespace {

std::string WithBackend(const std::string& backend_url, const std::string& path) {
  host::app::HostConfig config;
  config.backend_url = backend_url;
  host::app::HostApplication app(config);
  return MakeCgiCommonUrlPath(path);
}

TEST(CgiUrlTest, JoinsTheBackendUrlAndThePathWithOneSlash) {
  base::test::TestTaskEnvironment env;
  EXPECT_EQ(WithBackend("http://127.0.0.1:8080", "/v2/meetlog/main/list-all-record"),
            "http://127.0.0.1:8080/v2/meetlog/main/list-all-record");
  EXPECT_EQ(WithBackend("http://127.0.0.1:8080//", "/v2/a"), "http://127.0.0.1:8080/v2/a");
  EXPECT_EQ(WithBackend("https://api.example.com/prefix/", "v2/a"), "https://api.example.com/prefix/v2/a");
}

TEST(CgiUrlTest, EmptyWithoutABackend) {
  base::test::TestTaskEnvironment env;
  EXPECT_EQ(MakeCgiCommonUrlPath("/v2/a"), "");
  EXPECT_EQ(WithBackend("", "/v2/a"), "");
}

}  // namespace
}  // namespace kovanisdk::utils::cgi
