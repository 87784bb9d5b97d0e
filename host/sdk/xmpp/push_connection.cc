#include "host/sdk/xmpp/push_connection.h"

#include <atomic>

#include "host/app/host_application.h"
#include "host/base/logging/logger.h"
#include "host/base/net/http_engine.h"
#include "host/base/threading/clock.h"
#include "host/base/threading/looper.h"
#include "host/sdk/cgi/cgi_url.h"
#include "host/sdk/cgi/signed_request_builder.h"
#include "host/sdk/xmpp/push_line_decoder.h"
#include "host/util/crypto.h"
#include "host/util/time.h"

namespace KOVANI_SIGNAL {

namespace {

constexpr size_t kMaxRefusalBytes = 4096;

bool IsStream(const base::net::HttpOutcome& so_far) {
  return so_far.status == 200 &&
         base::net::FindHeader(so_far.headers, "content-type").find("xml") != std::string::npos;
}

bool IsEventId(const std::string& id) {
  return !id.empty() && id.size() < 19 && id.find_first_not_of("0123456789") == std::string::npos;
}

}  // namespace

// What one open stream shares between the I/O looper (its bytes) and the main looper.
struct PushConnection::StreamState {
  PushLineDecoder decoder;  // I/O looper only
  bool first_line_seen = false;
  std::string refusal;  // the body of an answer that is not the stream (an envelope)
  std::atomic<int64_t> last_data_steady_ms{0};
};

PushConnection::PushConnection(Options options, StanzaCallback on_stanza)
    : options_(std::move(options)),
      on_stanza_(std::move(on_stanza)),
      backoff_(options_.initial_backoff_ms, options_.max_backoff_ms) {}

PushConnection::~PushConnection() = default;

void PushConnection::PostToMain(const std::weak_ptr<PushConnection>& weak,
                                std::function<void(PushConnection&)> task, int64_t delay_ms) {
  base::threading::Looper* main = base::threading::LooperThread::MainLooper();
  if (!main) return;
  main->PostDelayedTask(
      [weak, task = std::move(task)] {
        if (auto self = weak.lock()) task(*self);
      },
      delay_ms, FROM_HERE);
}

void PushConnection::Start() {
  if (running_) return;
  running_ = true;
  backoff_.Reset();
  Connect();
}

void PushConnection::Stop() {
  running_ = false;
  connected_ = false;
  ++generation_;
  if (transfer_id_ && engine_) engine_->Cancel(transfer_id_);
  transfer_id_ = 0;
}

void PushConnection::Restart() {
  last_event_id_.clear();
  if (!running_) return;
  Stop();
  Start();
}

void PushConnection::Connect() {
  if (!running_) return;
  const uint64_t generation = ++generation_;
  connected_ = false;

  KOVANI_CGI::SignedRequestSpec spec;
  spec.url = kovanisdk::utils::cgi::MakeCgiCommonUrlPath(options_.path);
  spec.method = KOVANI_CGI::kMethodGet;
  spec.common_params = spec.token = spec.sign = true;
  if (!last_event_id_.empty()) spec.params.emplace_back("after", last_event_id_);
  const auto* app = host::app::HostApplication::Current();
  const host::app::Account account = app ? app->account() : host::app::Account();
  auto built = KOVANI_CGI::SignedRequestBuilder::Build(spec, account, util::time::GetServerTimestampMsec() / 1000,
                                                      util::crypto::Random(16));
  if (built.failure == KOVANI_CGI::Failure::kNone && !engine_) {
    engine_ = base::net::HttpEngine::Create(base::threading::LooperThread::IOLooper());
    if (!engine_) built.error = "no HTTP engine (no I/O looper?)";
  }
  if (built.failure != KOVANI_CGI::Failure::kNone || !engine_) {
    KLOG(3) << "push: cannot open the stream: " << built.error;
    ScheduleReconnect(generation);
    return;
  }

  ++connect_count_;
  auto state = std::make_shared<StreamState>();
  state->last_data_steady_ms = base::clock::SteadyMs();
  base::net::HttpTransfer transfer;
  transfer.method = built.request.method;
  transfer.url = built.request.url;
  transfer.headers = built.request.headers;
  transfer.timeout_ms = 0;
  std::weak_ptr<PushConnection> weak = weak_from_this();
  transfer.on_data = [weak, state, generation](const base::net::HttpOutcome& so_far, std::string_view chunk) {
    state->last_data_steady_ms = base::clock::SteadyMs();
    if (!IsStream(so_far)) {
      state->refusal.append(chunk.substr(0, kMaxRefusalBytes - std::min(kMaxRefusalBytes, state->refusal.size())));
      return true;
    }
    auto decoded = state->decoder.Feed(chunk);
    if (!state->first_line_seen && (decoded.heartbeats || decoded.dropped || !decoded.stanzas.empty())) {
      state->first_line_seen = true;
      PostToMain(weak, [generation](PushConnection& self) { self.OnFirstLine(generation); });
    }
    for (auto& stanza : decoded.stanzas) {
      PostToMain(weak, [generation, stanza = std::move(stanza)](PushConnection& self) {
        if (generation != self.generation_) return;
        if (IsEventId(stanza.Id())) self.last_event_id_ = stanza.Id();
        self.on_stanza_(stanza);
      });
    }
    return true;
  };
  KLOG(6) << "push: opening " << built.request.path
          << (last_event_id_.empty() ? std::string() : " after event " + last_event_id_);
  transfer_id_ = engine_->Start(std::move(transfer), [weak, state, generation](base::net::HttpOutcome outcome) {
    std::string why = outcome.ok() ? "the stream ended" : outcome.error_text;
    if (!state->refusal.empty()) {
      why = "refused with HTTP " + std::to_string(outcome.status) + ": " + state->refusal;
    } else if (outcome.ok() && outcome.status != 200) {
      why = "HTTP " + std::to_string(outcome.status);
    }
    PostToMain(weak, [generation, why](PushConnection& self) { self.OnStreamEnded(generation, why); });
  });
  current_state_ = state;
  PostToMain(weak, [generation](PushConnection& self) { self.CheckIdle(generation); }, options_.idle_timeout_ms);
}

void PushConnection::OnFirstLine(uint64_t generation) {
  if (generation != generation_) return;
  connected_ = true;
  backoff_.Reset();
  KLOG(6) << "push: stream open";
}

void PushConnection::OnStreamEnded(uint64_t generation, const std::string& why) {
  if (generation != generation_) return;
  connected_ = false;
  transfer_id_ = 0;
  current_state_.reset();
  KLOG(4) << "push: " << why;
  ScheduleReconnect(generation);
}

void PushConnection::ScheduleReconnect(uint64_t generation) {
  if (!running_) return;
  const int64_t delay = backoff_.NextDelayMs();
  KLOG(6) << "push: reconnecting in " << delay << " ms";
  PostToMain(
      weak_from_this(),
      [generation](PushConnection& self) {
        if (generation == self.generation_) self.Connect();
      },
      delay);
}

void PushConnection::CheckIdle(uint64_t generation) {
  if (generation != generation_ || !current_state_ || !transfer_id_) return;
  const int64_t silent = base::clock::SteadyMs() - current_state_->last_data_steady_ms.load();
  if (silent < options_.idle_timeout_ms) {
    PostToMain(weak_from_this(), [generation](PushConnection& self) { self.CheckIdle(generation); },
               options_.idle_timeout_ms - silent);
    return;
  }
  KLOG(3) << "push: nothing received for " << silent << " ms; reopening the stream";
  engine_->Cancel(transfer_id_);
}

}  // namespace KOVANI_SIGNAL
