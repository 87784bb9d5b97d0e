#pragma once

#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <thread>

#include "common/url_codec.h"

namespace qr_backend::testing {

struct Account {
  std::string app_uid;
  std::string token;
  std::string secret;
};

// How a test spoils a signed request on purpose.
struct SignOptions {
  int64_t timestamp_offset = 0;  // seconds added to the current time
  std::string nonce;             // empty: a fresh random one
  bool tamper_signature = false;
  QueryPairs extra_query;  // signed with the rest
};

struct HttpAnswer {
  int status = 0;  // 0: the connection failed
  std::string body;
  httplib::Headers headers;
  std::string Header(const std::string& name) const;
  nlohmann::json Json() const;
};

// Signs requests the documented way for one account and sends them to the API port.
class ApiClient {
 public:
  ApiClient(int port, Account account) : port_(port), account_(std::move(account)) {}

  // POSTs the JSON body and returns the answer's envelope; a discarded value when the answer
  // was not JSON (no HTTP 200, or no answer at all).
  nlohmann::json Post(const std::string& path, const nlohmann::json& body,
                      const SignOptions& options = {}) const;
  HttpAnswer Send(const std::string& method, const std::string& path, const std::string& body,
                  const SignOptions& options = {}) const;
  // The signed target ("/path?query") and headers of a request; for streaming clients.
  std::pair<std::string, httplib::Headers> Sign(const std::string& method, const std::string& path,
                                                const std::string& body,
                                                const SignOptions& options = {}) const;
  const Account& account() const { return account_; }

 private:
  int port_;
  Account account_;
};

// The admin API, with the token the server printed.
class AdminClient {
 public:
  AdminClient(int port, std::string token) : port_(port), token_(std::move(token)) {}

  HttpAnswer Call(const std::string& method, const std::string& path,
                  const nlohmann::json& body = nlohmann::json::object()) const;
  // The new user; an empty account when the call failed.
  Account CreateUser(const std::string& app_uid) const;

 private:
  int port_;
  std::string token_;
};

// The object store port; authorisation comes from a start answer's "data".
class ObjectClient {
 public:
  explicit ObjectClient(int port) : port_(port) {}

  // Path of an object URL ("http://host:port/bucket/key" -> "/bucket/key").
  static std::string PathOf(const std::string& url);
  // Authorisation headers for the video ("video") or cover ("cover") of a start answer.
  static httplib::Headers Auth(const nlohmann::json& start, const std::string& verb,
                               const std::string& which = "video");
  // How many PUTs to the object (parts or whole) the server accepted, from its request log.
  static int AcceptedPuts(const std::string& server_log, const std::string& url);

  HttpAnswer Request(const std::string& method, const std::string& target,
                     const httplib::Headers& headers, const std::string& body = "",
                     const std::string& content_type = "application/octet-stream") const;

 private:
  int port_;
};

// Reads a push stream on a thread of its own and hands out its lines.
class PushReader {
 public:
  PushReader(int port, const ApiClient& client, const SignOptions& options = {},
             httplib::Headers extra_headers = {});
  ~PushReader();

  // The next line, or nullopt when none came within `timeout` or the stream ended.
  std::optional<std::string> NextLine(std::chrono::milliseconds timeout);
  // The next line that is not a heartbeat.
  std::optional<std::string> NextStanza(std::chrono::milliseconds timeout);
  bool ended() const;
  int status() const;
  std::string content_type() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::string> lines_;
  std::string partial_;
  bool ended_ = false;
  bool stop_ = false;
  int status_ = 0;
  std::string content_type_;
  std::unique_ptr<httplib::Client> client_;
  std::thread thread_;
};

// One event line of a push stream, decoded.
struct Stanza {
  int64_t id = 0;
  std::string to;
  int cmd = 0;
  nlohmann::json content;
};
// nullopt when the line is not an event stanza of the documented form.
std::optional<Stanza> ParseStanza(const std::string& line);

// A start request body with the given title.
nlohmann::json StartBody(const std::string& title);

}  // namespace qr_backend::testing
