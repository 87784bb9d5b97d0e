#include "server/backend_config.h"

#include <gtest/gtest.h>

#include <fstream>

#include "testing/temp_dir.h"

namespace qr_backend {
namespace {

TEST(BackendConfigTest, CommandLineSetsPortsDataAndBind) {
  std::string message;
  const auto config = ParseBackendConfig(
      {"--data", "/d", "--api-port", "8080", "--cos-port", "0", "--bind", "0.0.0.0", "--quiet"},
      &message);
  ASSERT_TRUE(config) << message;
  EXPECT_EQ(config->data_dir, "/d");
  EXPECT_EQ(config->api_port, 8080);
  EXPECT_EQ(config->cos_port, 0);
  EXPECT_TRUE(config->quiet);
  EXPECT_EQ(config->UrlHost(), "127.0.0.1");  // a wildcard bind is dialled on loopback
}

TEST(BackendConfigTest, RefusesBadArguments) {
  std::string message;
  EXPECT_FALSE(ParseBackendConfig({"--api-port", "70000"}, &message));
  EXPECT_FALSE(ParseBackendConfig({"--api-port", "80x"}, &message));
  EXPECT_FALSE(ParseBackendConfig({"--data"}, &message));
  EXPECT_FALSE(ParseBackendConfig({"--frobnicate", "1"}, &message));
  EXPECT_FALSE(ParseBackendConfig({"--help"}, &message));
  EXPECT_EQ(message, BackendUsage());
}

TEST(BackendConfigTest, FileOverridesDefaultsAndRefusesUnknownKeys) {
  TempDir dir;
  const std::string path = dir.path() + "/config.json";
  std::ofstream(path) << R"({"segment_size": 1048576, "censor_block_words": ["x"],
                            "push_heartbeat_ms": 200, "bucket": "b2"})";
  std::string message;
  const auto config = ParseBackendConfig({"--config", path}, &message);
  ASSERT_TRUE(config) << message;
  EXPECT_EQ(config->segment_size, 1048576);
  EXPECT_EQ(config->push_heartbeat_ms, 200);
  EXPECT_EQ(config->bucket, "b2");
  EXPECT_EQ(config->runtime.censor.block_words, std::vector<std::string>{"x"});
  EXPECT_EQ(config->object_auth_ttl_seconds, 24 * 3600);

  std::ofstream(path) << R"({"segment_sise": 1})";
  EXPECT_FALSE(ParseBackendConfig({"--config", path}, &message));
  EXPECT_NE(message.find("segment_sise"), std::string::npos);
  std::ofstream(path) << R"({"segment_size": 0})";
  EXPECT_FALSE(ParseBackendConfig({"--config", path}, &message));
  std::ofstream(path) << R"({"segment_size": "big"})";
  EXPECT_FALSE(ParseBackendConfig({"--config", path}, &message));
  EXPECT_FALSE(ParseBackendConfig({"--config", dir.path() + "/missing.json"}, &message));
}

}  // namespace
}  // namespace qr_backend
