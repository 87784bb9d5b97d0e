#include "host/sdk/service/subprocess_launcher.h"

#include <gtest/gtest.h>

namespace kovanisdk::service {
namespace {

TEST(SubprocessLauncherTest, SplitsCommandLinesLikeAShell) {
  EXPECT_EQ(SplitCommandLine(R"(--shell="/opt/qr app/qr-transcoder" --uid=dGVzdA==)"),
            (std::vector<std::string>{"--shell=/opt/qr app/qr-transcoder", "--uid=dGVzdA=="}));
  EXPECT_EQ(SplitCommandLine("  a \t b  "), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(SplitCommandLine(R"("" "say \"hi\"" back\slash)"),
            (std::vector<std::string>{"", "say \"hi\"", "back\\slash"}));
  EXPECT_TRUE(SplitCommandLine("").empty());
}

TEST(SubprocessLauncherTest, ReadsTheCreateRequestFields) {
  const std::string json = R"({
    "--originalcmd": "--shell=\"/usr/bin/qr-transcoder\" --uid=dGVzdA==",
    "--shell": "/usr/bin/qr-transcoder", "--target": "qr-transcoder",
    "--detach": "0", "--anrtimeout": "50000", "--pid": ""})";
  SubprocessRequest request;
  std::string error;
  ASSERT_TRUE(SubprocessRequest::FromJson(json, &request, &error)) << error;
  EXPECT_EQ(request.program, "/usr/bin/qr-transcoder");
  EXPECT_EQ(request.target, "qr-transcoder");
  EXPECT_EQ(request.arguments, (std::vector<std::string>{"--uid=dGVzdA=="}));
  EXPECT_FALSE(request.detach);
  EXPECT_EQ(request.anr_timeout_ms, 50000);
}

TEST(SubprocessLauncherTest, RefusesRequestsWithoutAUsableProgram) {
  SubprocessRequest request;
  std::string error;
  for (const char* json : {"[]", "not json", R"({"--target":"t"})", R"({"--shell":"qr-transcoder","--target":"t"})",
                           R"({"--shell":"/bin/true"})", R"({"--shell":"/bin/true","--target":"t","--anrtimeout":"soon"})",
                           R"({"--shell":"/bin/true","--target":"t","--anrtimeout":"-5"})"}) {
    EXPECT_FALSE(SubprocessRequest::FromJson(json, &request, &error)) << json;
    EXPECT_FALSE(error.empty());
  }
  // Numbers are accepted where the module sends texts.
  ASSERT_TRUE(SubprocessRequest::FromJson(R"({"--shell":"/bin/true","--target":"t","--anrtimeout":0,"--detach":"1"})",
                                          &request, &error));
  EXPECT_TRUE(request.detach);
  EXPECT_EQ(request.anr_timeout_ms, 0);
}

}  // namespace
}  // namespace kovanisdk::service
