#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "backend_client.h"
#include "backend_process.h"
#include "testing/temp_dir.h"

namespace qr_backend::testing {

// One qr-backend process per test, in a temporary data directory, with two users.
class BackendTest : public ::testing::Test {
 protected:
  // Short heartbeats keep stream tests fast; tests may add keys.
  virtual nlohmann::json Config() const { return {{"push_heartbeat_ms", 200}}; }

  void SetUp() override {
    backend_ = std::make_unique<BackendProcess>(dir_.path() + "/data", Config());
    ASSERT_TRUE(backend_->Start()) << backend_->log();
    alice_ = Admin().CreateUser("alice");
    bob_ = Admin().CreateUser("bob");
    ASSERT_FALSE(alice_.token.empty() || bob_.token.empty()) << backend_->log();
  }

  void TearDown() override {
    if (backend_->running()) {
      EXPECT_EQ(backend_->Stop(), 0) << backend_->log();
    }
  }

  void Restart() {
    ASSERT_EQ(backend_->Stop(), 0) << backend_->log();
    ASSERT_TRUE(backend_->Start()) << backend_->log();
  }

  AdminClient Admin() const { return {backend_->api_port(), backend_->admin_token()}; }
  ApiClient Api(const Account& account) const { return {backend_->api_port(), account}; }
  ObjectClient Objects() const { return ObjectClient(backend_->cos_port()); }

  // A push stream of the account, once its subscription is live (the first line came).
  std::unique_ptr<PushReader> OpenPushStream(const Account& account,
                                             const SignOptions& options = {},
                                             httplib::Headers headers = {}) {
    auto reader = std::make_unique<PushReader>(backend_->api_port(), Api(account), options,
                                               std::move(headers));
    EXPECT_EQ(reader->NextLine(std::chrono::seconds(5)), "<ping/>");
    return reader;
  }

  // GETs a page of the API port the way a browser does (no signature); `url` may be a full
  // URL or a path.
  HttpAnswer Browse(const std::string& url, const httplib::Headers& headers = {}) const {
    httplib::Client browser("127.0.0.1", backend_->api_port());
    const auto result = browser.Get(ObjectClient::PathOf(url), headers);
    HttpAnswer answer;
    if (result) {
      answer.status = result->status;
      answer.body = result->body;
      answer.headers = result->headers;
    }
    return answer;
  }

  // The first capture of `pattern` in an HTML page, its "&amp;" turned back into "&"; empty
  // when the page does not hold it.
  static std::string FindInPage(const std::string& html, const std::string& pattern) {
    std::smatch match;
    if (!std::regex_search(html, match, std::regex(pattern))) return {};
    std::string text = match[1];
    for (size_t at; (at = text.find("&amp;")) != std::string::npos;) text.replace(at, 5, "&");
    return text;
  }

  // Starts a record for the account and returns the answer's "data".
  nlohmann::json StartRecord(const Account& account, const std::string& title = "My talk") {
    const auto answer = Api(account).Post("/v2/record/control/get-start-data", StartBody(title));
    EXPECT_EQ(answer.value("code", -1), 0) << answer.dump();
    return answer.value("data", nlohmann::json::object());
  }

  // PUTs `content` as the video of a started record.
  HttpAnswer PutVideo(const nlohmann::json& start, const std::string& content) {
    return Objects().Request("PUT", ObjectClient::PathOf(start["video_cos_key"]),
                             ObjectClient::Auth(start, "put"), content, "video/mp4");
  }

  nlohmann::json Complete(const Account& account, const nlohmann::json& start, int64_t size,
                          const std::string& duration = "61000") {
    return Api(account).Post("/v2/record/control/complete",
                             {{"record_id", start["record_id"]},
                              {"record_start_time", "1700000000000"},
                              {"creator_instance_id", "instance-1"},
                              {"file_size", std::to_string(size)},
                              {"file_duration", duration},
                              {"ext_info", {{"record_mode", "1"}, {"screen_type", "0"}}}});
  }

  // A record whose video is uploaded and which is complete; returns the start answer's "data".
  nlohmann::json FinishedRecord(const Account& account, const std::string& title = "Done") {
    const auto start = StartRecord(account, title);
    EXPECT_EQ(PutVideo(start, "0123456789").status, 200);
    EXPECT_EQ(Complete(account, start, 10).value("code", -1), 0);
    return start;
  }

  // Records made through the admin API, without objects; their uni record ids, newest first.
  std::vector<std::string> Seed(const std::string& app_uid, int count,
                                nlohmann::json extra = nlohmann::json::object()) {
    extra["app_uid"] = app_uid;
    extra["count"] = count;
    const auto answer = Admin().Call("POST", "/admin/records", extra);
    EXPECT_EQ(answer.status, 200) << answer.body;
    std::vector<std::string> ids;
    for (const auto& record : answer.Json().value("records", nlohmann::json::array())) {
      ids.push_back(record["uni_record_id"]);
    }
    return ids;
  }

  TempDir dir_;
  std::unique_ptr<BackendProcess> backend_;
  Account alice_;
  Account bob_;
};

// Tests of the object store on the video object of one started record of alice's.
class BackendVideoObjectTest : public BackendTest {
 protected:
  void SetUp() override {
    BackendTest::SetUp();
    start_ = StartRecord(alice_);
    path_ = ObjectClient::PathOf(start_["video_cos_key"]);
  }

  // A request to the store authorised for `verb` by the start answer.
  HttpAnswer Call(const std::string& method, const std::string& target, const std::string& verb,
                  const std::string& body = "", httplib::Headers extra = {}) {
    httplib::Headers headers = ObjectClient::Auth(start_, verb);
    headers.insert(extra.begin(), extra.end());
    return Objects().Request(method, target, headers, body, "video/mp4");
  }

  nlohmann::json start_;
  std::string path_;
};

}  // namespace qr_backend::testing
