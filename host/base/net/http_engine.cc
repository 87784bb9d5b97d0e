#include "host/base/net/http_engine.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <deque>
#include <map>
#include <mutex>

#include "host/base/logging/logger.h"
#include "host/base/net/socket_watcher.h"
#include "host/base/threading/clock.h"
#include "host/base/threading/looper.h"

namespace base::net {

namespace {

constexpr char kUserAgent[] = "quickrec-host/1.0";

NetError ErrorOf(CURLcode code) {
  switch (code) {
    case CURLE_OK:
      return NetError::kNone;
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
      return NetError::kInvalidRequest;
    case CURLE_COULDNT_CONNECT:
      return NetError::kConnectFailed;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return NetError::kDnsFailure;
    case CURLE_OPERATION_TIMEDOUT:
      return NetError::kTimedOut;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
      return NetError::kTlsFailure;
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_PARTIAL_FILE:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
      return NetError::kConnectionClosed;
    case CURLE_ABORTED_BY_CALLBACK:
      return NetError::kCancelled;
    default:
      return NetError::kOther;
  }
}

std::string Trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
    text.remove_prefix(1);
  }
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
    text.remove_suffix(1);
  }
  return std::string(text);
}

// One transfer from Start() to its completion.
struct Job {
  uint64_t id = 0;
  HttpTransfer transfer;
  HttpEngine::Completion done;
  CURL* easy = nullptr;
  curl_slist* headers = nullptr;
  curl_slist* resolve = nullptr;
  HttpOutcome outcome;
  int64_t max_body_bytes = 0;
  bool too_large = false;
  bool stopped_by_consumer = false;
  char error_buffer[CURL_ERROR_SIZE] = {};

  ~Job() {
    if (easy) curl_easy_cleanup(easy);
    curl_slist_free_all(headers);
    curl_slist_free_all(resolve);
  }

  void Complete(NetError error, std::string text) {
    outcome.error = error;
    outcome.error_text = std::move(text);
    if (outcome.error != NetError::kNone && outcome.status == 0) outcome.remote_ip.clear();
    auto callback = std::move(done);
    done = nullptr;
    if (callback) callback(std::move(outcome));
  }
};

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
  auto* job = static_cast<Job*>(user);
  const std::string_view line(data, size * count);
  if (line.rfind("HTTP/", 0) == 0) {
    // A new status line starts a new answer (after "100 Continue" or a redirect).
    job->outcome.headers.clear();
    job->outcome.headers_wall_ms = 0;
    const size_t space = line.find(' ');
    job->outcome.status =
        space == std::string_view::npos ? 0 : std::atoi(std::string(line.substr(space + 1, 3)).c_str());
  } else if (line == "\r\n" || line == "\n") {
    job->outcome.headers_wall_ms = clock::WallMs();
  } else if (const size_t colon = line.find(':'); colon != std::string_view::npos) {
    std::string name = Trim(line.substr(0, colon));
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    job->outcome.headers.emplace_back(std::move(name), Trim(line.substr(colon + 1)));
  }
  return size * count;
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
  auto* job = static_cast<Job*>(user);
  const size_t bytes = size * count;
  if (job->transfer.on_data) {
    if (job->transfer.on_data(job->outcome, std::string_view(data, bytes))) return bytes;
    job->stopped_by_consumer = true;
    return 0;
  }
  if (static_cast<int64_t>(job->outcome.body.size() + bytes) > job->max_body_bytes) {
    job->too_large = true;
    return 0;
  }
  job->outcome.body.append(data, bytes);
  return bytes;
}

class CurlHttpEngine : public HttpEngine, public std::enable_shared_from_this<CurlHttpEngine> {
 public:
  CurlHttpEngine(threading::Looper* io_looper, Options options)
      : io_(io_looper), options_(options) {}

  ~CurlHttpEngine() override {
    shutting_down_ = true;
    watcher_.reset();
    for (auto& [id, job] : active_) {
      curl_multi_remove_handle(multi_, job->easy);
      job->Complete(NetError::kCancelled, "the HTTP engine was shut down");
    }
    active_.clear();
    for (auto& job : TakeQueued()) job->Complete(NetError::kCancelled, "the HTTP engine was shut down");
    if (multi_) curl_multi_cleanup(multi_);
  }

  bool Init() {
    multi_ = curl_multi_init();
    if (!multi_) return false;
    curl_multi_setopt(multi_, CURLMOPT_SOCKETFUNCTION, &CurlHttpEngine::OnSocket);
    curl_multi_setopt(multi_, CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(multi_, CURLMOPT_TIMERFUNCTION, &CurlHttpEngine::OnTimer);
    curl_multi_setopt(multi_, CURLMOPT_TIMERDATA, this);
    curl_multi_setopt(multi_, CURLMOPT_MAXCONNECTS, static_cast<long>(options_.max_active * 2));
    std::weak_ptr<CurlHttpEngine> weak = weak_from_this();
    threading::Looper* io = io_;
    watcher_ = SocketWatcher::Create([weak, io](int fd, SocketWatcher::Readiness readiness) {
      // Once the host's loopers are uninstalled our looper is about to go: drop the event
      // rather than post to it.
      if (threading::LooperThread::IOLooper() != io) return;
      io->PostTask(
          [weak, fd, readiness] {
            if (auto self = weak.lock()) self->OnReady(fd, readiness);
          },
          FROM_HERE);
    });
    return watcher_ != nullptr;
  }

  uint64_t Start(HttpTransfer transfer, Completion done) override {
    auto job = std::make_unique<Job>();
    job->transfer = std::move(transfer);
    job->done = std::move(done);
    job->max_body_bytes = options_.max_body_bytes;
    uint64_t id;
    {
      std::lock_guard lock(mutex_);
      id = job->id = ++next_id_;
      (job->transfer.high_priority ? queued_high_ : queued_normal_).push_back(std::move(job));
    }
    PostToIo([](CurlHttpEngine& self) { self.Pump(); });
    return id;
  }

  void Cancel(uint64_t id) override {
    PostToIo([id](CurlHttpEngine& self) { self.CancelOnIo(id); });
  }

 private:
  template <typename Fn>
  void PostToIo(Fn fn) {
    std::weak_ptr<CurlHttpEngine> weak = weak_from_this();
    io_->PostTask(
        [weak, fn = std::move(fn)] {
          if (auto self = weak.lock()) fn(*self);
        },
        FROM_HERE);
  }

  std::deque<std::unique_ptr<Job>> TakeQueued() {
    std::lock_guard lock(mutex_);
    std::deque<std::unique_ptr<Job>> all = std::move(queued_high_);
    for (auto& job : queued_normal_) all.push_back(std::move(job));
    queued_high_.clear();
    queued_normal_.clear();
    return all;
  }

  std::unique_ptr<Job> PopNext() {
    std::lock_guard lock(mutex_);
    for (auto* queue : {&queued_high_, &queued_normal_}) {
      if (queue->empty()) continue;
      auto job = std::move(queue->front());
      queue->pop_front();
      return job;
    }
    return nullptr;
  }

  void Pump() {
    while (active_.size() < options_.max_active) {
      auto job = PopNext();
      if (!job) return;
      std::string error;
      if (!Configure(*job, &error)) {
        job->Complete(NetError::kInvalidRequest, error);
        continue;
      }
      const CURLMcode added = curl_multi_add_handle(multi_, job->easy);
      if (added != CURLM_OK) {
        job->Complete(NetError::kOther, curl_multi_strerror(added));
        continue;
      }
      active_[job->id] = std::move(job);
    }
  }

  void CancelOnIo(uint64_t id) {
    std::unique_ptr<Job> job;
    if (auto it = active_.find(id); it != active_.end()) {
      job = std::move(it->second);
      active_.erase(it);
      curl_multi_remove_handle(multi_, job->easy);
    } else {
      std::lock_guard lock(mutex_);
      for (auto* queue : {&queued_high_, &queued_normal_}) {
        auto found = std::find_if(queue->begin(), queue->end(),
                                  [id](const auto& queued) { return queued->id == id; });
        if (found == queue->end()) continue;
        job = std::move(*found);
        queue->erase(found);
        break;
      }
    }
    if (!job) return;
    job->Complete(NetError::kCancelled, "cancelled");
    Pump();
  }

  bool Configure(Job& job, std::string* error) {
    const HttpTransfer& t = job.transfer;
    job.easy = curl_easy_init();
    if (!job.easy) {
      *error = "cannot create a transfer";
      return false;
    }
    CURL* easy = job.easy;
    curl_easy_setopt(easy, CURLOPT_PRIVATE, &job);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, job.error_buffer);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_USERAGENT, kUserAgent);
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(easy, CURLOPT_TCP_KEEPALIVE, 1L);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &OnHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &job);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &OnBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &job);
    if (t.timeout_ms > 0) curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(t.timeout_ms));
    if (t.https_only) curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "https");
    if (t.fresh_connection) {
      curl_easy_setopt(easy, CURLOPT_FRESH_CONNECT, 1L);
      curl_easy_setopt(easy, CURLOPT_FORBID_REUSE, 1L);
    }
    for (const auto& entry : t.resolve) job.resolve = curl_slist_append(job.resolve, entry.c_str());
    if (job.resolve) curl_easy_setopt(easy, CURLOPT_RESOLVE, job.resolve);

    if (t.method == "GET") {
      curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    } else if (t.method == "HEAD") {
      curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
    } else if (!t.method.empty()) {
      curl_easy_setopt(easy, CURLOPT_POST, 1L);
      curl_easy_setopt(easy, CURLOPT_POSTFIELDS, t.body.data());
      curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(t.body.size()));
      if (t.method != "POST") curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, t.method.c_str());
    } else {
      *error = "no HTTP method";
      return false;
    }
    for (const auto& [name, value] : t.headers) {
      job.headers = curl_slist_append(job.headers, (name + ": " + value).c_str());
    }
    // Waiting for "100 Continue" costs a round trip for nothing on our small bodies.
    job.headers = curl_slist_append(job.headers, "Expect:");
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, job.headers);

    if (curl_easy_setopt(easy, CURLOPT_URL, t.url.c_str()) != CURLE_OK) {
      *error = "unusable URL: " + t.url;
      return false;
    }
    return true;
  }

  void Finish(CURL* easy, CURLcode code) {
    Job* raw = nullptr;
    curl_easy_getinfo(easy, CURLINFO_PRIVATE, &raw);
    auto it = raw ? active_.find(raw->id) : active_.end();
    if (it == active_.end()) return;
    std::unique_ptr<Job> job = std::move(it->second);
    active_.erase(it);
    curl_multi_remove_handle(multi_, easy);

    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    if (status > 0) job->outcome.status = static_cast<int>(status);
    char* ip = nullptr;
    if (curl_easy_getinfo(easy, CURLINFO_PRIMARY_IP, &ip) == CURLE_OK && ip) job->outcome.remote_ip = ip;

    NetError error = ErrorOf(code);
    std::string text;
    if (code != CURLE_OK) text = job->error_buffer[0] ? job->error_buffer : curl_easy_strerror(code);
    if (code == CURLE_WRITE_ERROR && job->too_large) {
      error = NetError::kResponseTooLarge;
      text = "the answer exceeds " + std::to_string(job->max_body_bytes) + " bytes";
    } else if (code == CURLE_WRITE_ERROR && job->stopped_by_consumer) {
      error = NetError::kCancelled;
      text = "stopped by the consumer";
    } else if (job->transfer.https_only && code == CURLE_UNSUPPORTED_PROTOCOL) {
      error = NetError::kPlainHttpRefused;
      text = "https only: refusing " + job->transfer.url;
    }
    job->Complete(error, std::move(text));
  }

  void DrainFinished() {
    int pending = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_, &pending)) {
      if (message->msg == CURLMSG_DONE) Finish(message->easy_handle, message->data.result);
    }
  }

  void Act(curl_socket_t fd, int action) {
    int running = 0;
    curl_multi_socket_action(multi_, fd, action, &running);
    DrainFinished();
    Pump();
  }

  void OnReady(int fd, SocketWatcher::Readiness readiness) {
    const int action = (readiness.readable ? CURL_CSELECT_IN : 0) |
                       (readiness.writable ? CURL_CSELECT_OUT : 0) |
                       (readiness.error ? CURL_CSELECT_ERR : 0);
    Act(fd, action);
    watcher_->Rearm(fd);
  }

  void OnTimeout(uint64_t generation) {
    if (generation != timer_generation_) return;
    Act(CURL_SOCKET_TIMEOUT, 0);
  }

  static int OnSocket(CURL*, curl_socket_t fd, int what, void* user, void*) {
    auto* self = static_cast<CurlHttpEngine*>(user);
    if (self->shutting_down_) return 0;
    if (what == CURL_POLL_REMOVE) {
      self->watcher_->Unwatch(fd);
    } else {
      self->watcher_->Watch(fd, what == CURL_POLL_IN || what == CURL_POLL_INOUT,
                            what == CURL_POLL_OUT || what == CURL_POLL_INOUT);
    }
    return 0;
  }

  static int OnTimer(CURLM*, long timeout_ms, void* user) {
    auto* self = static_cast<CurlHttpEngine*>(user);
    if (self->shutting_down_) return 0;
    const uint64_t generation = ++self->timer_generation_;
    if (timeout_ms < 0) return 0;
    std::weak_ptr<CurlHttpEngine> weak = self->weak_from_this();
    self->io_->PostDelayedTask(
        [weak, generation] {
          if (auto engine = weak.lock()) engine->OnTimeout(generation);
        },
        timeout_ms, FROM_HERE);
    return 0;
  }

  threading::Looper* const io_;
  const Options options_;
  CURLM* multi_ = nullptr;
  std::unique_ptr<SocketWatcher> watcher_;
  bool shutting_down_ = false;
  uint64_t timer_generation_ = 0;  // I/O looper only
  std::map<uint64_t, std::unique_ptr<Job>> active_;  // I/O looper only

  std::mutex mutex_;
  uint64_t next_id_ = 0;
  std::deque<std::unique_ptr<Job>> queued_high_;
  std::deque<std::unique_ptr<Job>> queued_normal_;
};

}  // namespace

std::shared_ptr<HttpEngine> HttpEngine::Create(threading::Looper* io_looper, Options options) {
  if (!io_looper || options.max_active == 0) return nullptr;
  static std::once_flag global_init;
  std::call_once(global_init, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  auto engine = std::make_shared<CurlHttpEngine>(io_looper, options);
  if (!engine->Init()) {
    KLOG(1) << "cannot set up the HTTP engine";
    return nullptr;
  }
  return engine;
}

}  // namespace base::net
