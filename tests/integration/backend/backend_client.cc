#include "backend_client.h"

#include <regex>
#include <sstream>

#include "api/request_signature.h"
#include "common/crypto.h"

namespace qr_backend::testing {

namespace {

HttpAnswer FromResult(const httplib::Result& result) {
  HttpAnswer answer;
  if (!result) return answer;
  answer.status = result->status;
  answer.body = result->body;
  answer.headers = result->headers;
  return answer;
}

std::unique_ptr<httplib::Client> Connect(int port) {
  auto client = std::make_unique<httplib::Client>("127.0.0.1", port);
  client->set_connection_timeout(5);
  client->set_read_timeout(20);
  client->set_write_timeout(20);
  return client;
}

int64_t Now() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace

std::string HttpAnswer::Header(const std::string& name) const {
  auto it = headers.find(name);
  return it == headers.end() ? std::string() : it->second;
}

nlohmann::json HttpAnswer::Json() const { return nlohmann::json::parse(body, nullptr, false); }

std::pair<std::string, httplib::Headers> ApiClient::Sign(const std::string& method,
                                                         const std::string& path,
                                                         const std::string& body,
                                                         const SignOptions& options) const {
  const std::string timestamp = std::to_string(Now() + options.timestamp_offset);
  const std::string nonce = options.nonce.empty() ? RandomHex(8) : options.nonce;
  QueryPairs query = {{"app_id", "qr-demo"},
                      {"platform", "linux"},
                      {"client_version", "test"},
                      {"timestamp", timestamp},
                      {"nonce", nonce}};
  query.insert(query.end(), options.extra_query.begin(), options.extra_query.end());
  const std::string raw_query = BuildQuery(query);
  std::string signature = SignCanonicalText(
      account_.secret,
      CanonicalText(method, path, *CanonicalQuery(raw_query), body, timestamp, nonce));
  if (options.tamper_signature) signature.back() = signature.back() == '0' ? '1' : '0';
  return {path + "?" + raw_query,
          httplib::Headers{{"X-QR-Token", account_.token}, {"X-QR-Signature", signature}}};
}

HttpAnswer ApiClient::Send(const std::string& method, const std::string& path,
                           const std::string& body, const SignOptions& options) const {
  const auto [target, headers] = Sign(method, path, body, options);
  auto client = Connect(port_);
  if (method == "GET") return FromResult(client->Get(target, headers));
  return FromResult(client->Post(target, headers, body, "application/json"));
}

nlohmann::json ApiClient::Post(const std::string& path, const nlohmann::json& body,
                               const SignOptions& options) const {
  // A null body ({} in a call) is sent as no body at all, as clients do for body-less requests.
  return Send("POST", path, body.is_null() ? "" : body.dump(), options).Json();
}

HttpAnswer AdminClient::Call(const std::string& method, const std::string& path,
                             const nlohmann::json& body) const {
  auto client = Connect(port_);
  const httplib::Headers headers = {{"X-QR-Admin-Token", token_}};
  if (method == "GET") return FromResult(client->Get(path, headers));
  if (method == "DELETE") return FromResult(client->Delete(path, headers));
  return FromResult(client->Post(path, headers, body.dump(), "application/json"));
}

Account AdminClient::CreateUser(const std::string& app_uid) const {
  const auto user = Call("POST", "/admin/users", {{"app_uid", app_uid}}).Json();
  if (!user.is_object() || !user.contains("token")) return {};
  return {user["app_uid"], user["token"], user["secret"]};
}

std::string ObjectClient::PathOf(const std::string& url) {
  const size_t scheme = url.find("://");
  const size_t slash = url.find('/', scheme == std::string::npos ? 0 : scheme + 3);
  return slash == std::string::npos ? "/" : url.substr(slash);
}

int ObjectClient::AcceptedPuts(const std::string& server_log, const std::string& url) {
  const std::string needle = "PUT " + PathOf(url) + " -> 200";
  std::istringstream lines(server_log);
  int count = 0;
  for (std::string line; std::getline(lines, line);) count += line.find(needle) != std::string::npos;
  return count;
}

httplib::Headers ObjectClient::Auth(const nlohmann::json& start, const std::string& verb,
                                    const std::string& which) {
  const nlohmann::json& auth =
      which == "video" ? start["video_auth_info"] : start["cover_default_auth_info"];
  return {{"Authorization", auth.value(verb, "")},
          {"X-QR-Session-Token", start.value(which + "_session_token", "")}};
}

HttpAnswer ObjectClient::Request(const std::string& method, const std::string& target,
                                 const httplib::Headers& headers, const std::string& body,
                                 const std::string& content_type) const {
  auto client = Connect(port_);
  if (method == "GET") return FromResult(client->Get(target, headers));
  if (method == "HEAD") return FromResult(client->Head(target, headers));
  if (method == "DELETE") return FromResult(client->Delete(target, headers));
  if (method == "PUT") return FromResult(client->Put(target, headers, body, content_type));
  return FromResult(client->Post(target, headers, body, content_type));
}

PushReader::PushReader(int port, const ApiClient& api, const SignOptions& options,
                       httplib::Headers extra_headers)
    : client_(Connect(port)) {
  auto [target, headers] = api.Sign("GET", "/v2/push/stream", "", options);
  headers.insert(extra_headers.begin(), extra_headers.end());
  thread_ = std::thread([this, target = target, headers = headers] {
    client_->Get(
        target, headers,
        [this](const httplib::Response& response) {
          std::lock_guard lock(mutex_);
          status_ = response.status;
          content_type_ = response.get_header_value("Content-Type");
          return true;
        },
        [this](const char* data, size_t size) {
          std::lock_guard lock(mutex_);
          if (stop_) return false;
          partial_.append(data, size);
          for (size_t end; (end = partial_.find('\n')) != std::string::npos;) {
            lines_.push_back(partial_.substr(0, end));
            partial_.erase(0, end + 1);
          }
          changed_.notify_all();
          return true;
        });
    std::lock_guard lock(mutex_);
    if (!partial_.empty()) lines_.push_back(partial_);
    ended_ = true;
    changed_.notify_all();
  });
}

PushReader::~PushReader() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  client_->stop();
  thread_.join();
}

std::optional<std::string> PushReader::NextLine(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, timeout, [&] { return !lines_.empty() || ended_; });
  if (lines_.empty()) return std::nullopt;
  std::string line = std::move(lines_.front());
  lines_.pop_front();
  return line;
}

std::optional<std::string> PushReader::NextStanza(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return std::nullopt;
    auto line = NextLine(left);
    if (!line || *line != "<ping/>") return line;
  }
}

bool PushReader::ended() const {
  std::lock_guard lock(mutex_);
  return ended_;
}

int PushReader::status() const {
  std::lock_guard lock(mutex_);
  return status_;
}

std::string PushReader::content_type() const {
  std::lock_guard lock(mutex_);
  return content_type_;
}

std::optional<Stanza> ParseStanza(const std::string& line) {
  static const std::regex pattern(
      R"re(<message id="(\d+)" type="push" to="([^"]*)"><push xmlns="halvard:kovani:meetlog_push">)re"
      R"re(<cmd>(\d+)</cmd><content>([A-Za-z0-9+/=]*)</content></push></message>)re");
  std::smatch match;
  if (!std::regex_match(line, match, pattern)) return std::nullopt;
  const auto json = Base64Decode(match[4].str());
  if (!json) return std::nullopt;
  return Stanza{std::stoll(match[1]), match[2], std::stoi(match[3]),
                nlohmann::json::parse(*json, nullptr, false)};
}

nlohmann::json StartBody(const std::string& title) {
  return {{"subject", Base64Encode(title)},
          {"record_start_time", "1700000000000"},
          {"record_id", ""},
          {"creator_instance_id", "instance-1"},
          {"record_subject", title},
          {"use_quic", false}};
}

}  // namespace qr_backend::testing
