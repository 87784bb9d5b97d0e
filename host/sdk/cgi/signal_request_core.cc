#include "host/sdk/cgi/signal_request_core.h"

#include <atomic>
#include <functional>

#include "host/app/host_application.h"
#include "host/base/logging/logger.h"
#include "host/base/threading/looper.h"
#include "host/sdk/cgi/envelope_reader.h"
#include "host/sdk/cgi/server_time.h"
#include "host/util/crypto.h"
#include "host/util/time.h"

namespace KOVANI_CGI {

namespace {

// Answers are handled on the main looper. Without one (the host is shutting down) there is no
// thread they may run on: they are dropped with a log line.
void RunOnMain(std::function<void()> task, const std::string& url) {
  base::threading::Looper* main = base::threading::LooperThread::MainLooper();
  if (main) {
    main->PostTask(std::move(task), FROM_HERE);
  } else {
    KLOG(1) << "no main looper: the answer for " << url << " is dropped";
  }
}

}  // namespace

// Hands the one answer of one Run to the main looper. A transport that answers twice is logged
// and ignored; one that drops the request without answering (its callback destroyed uncalled)
// still produces an answer, marked cancelled.
class ResponseDelivery {
 public:
  explicit ResponseDelivery(std::shared_ptr<SignalRequestCore> request) : request_(std::move(request)) {}
  ~ResponseDelivery() {
    if (delivered_.load()) return;
    TransportResponse dropped;
    dropped.error = base::net::NetError::kCancelled;
    dropped.error_text = "the transport dropped the request";
    Post(std::move(dropped));
  }

  void Deliver(TransportResponse response) {
    if (delivered_.exchange(true)) {
      KLOG(1) << "a second answer for " << request_->spec().url << " was ignored";
      return;
    }
    Post(std::move(response));
  }

 private:
  void Post(TransportResponse response) {
    RunOnMain([request = request_, response = std::move(response)] { request->OnTransportResponse(response); },
              request_->spec().url);
  }

  std::shared_ptr<SignalRequestCore> request_;
  std::atomic<bool> delivered_{false};
};

void SignalRequestCore::Send() {
  std::shared_ptr<SignalRequestCore> self = weak_from_this().lock();
  if (!self) {
    // Nothing would keep the request alive until its answer: refuse now rather than crash later.
    KLOG(1) << "a signed request must be held by a std::shared_ptr to run: " << spec_.url;
    Result result;
    result.failure = Failure::kInvalidRequest;
    result.msg = "invalid_request: the request is not held by a std::shared_ptr";
    HandleBizResponse(false, result, base::json::JsonValue());
    return;
  }
  nonce_ = util::crypto::Random(16);
  const auto* app = host::app::HostApplication::Current();
  const host::app::Account account = app ? app->account() : host::app::Account();
  auto built = SignedRequestBuilder::Build(spec_, account, util::time::GetServerTimestampMsec() / 1000, nonce_);
  std::shared_ptr<RequestTransport> transport = GetRequestTransport();
  if (built.failure == Failure::kNone && !transport) {
    built.failure = Failure::kOther;
    built.error = "no request transport (the host has no I/O looper)";
  }
  if (built.failure != Failure::kNone) {
    KLOG(3) << "request not sent: " << FailureName(built.failure) << ": " << built.error;
    Result result;
    result.failure = built.failure;
    result.msg = std::string(FailureName(built.failure)) + ": " + built.error;
    RunOnMain([self, result] { self->HandleBizResponse(false, result, base::json::JsonValue()); }, spec_.url);
    return;
  }
  KLOG(6) << "send " << built.request.method << " " << built.request.path << " nonce " << nonce_;
  auto delivery = std::make_shared<ResponseDelivery>(self);
  transport->Send(std::move(built.request),
                  [delivery](TransportResponse response) { delivery->Deliver(std::move(response)); });
}

void SignalRequestCore::OnTransportResponse(const TransportResponse& response) {
  LearnServerTime(base::net::FindHeader(response.headers, "date"), response.headers_wall_ms);
  const auto read = EnvelopeReader::FromResponse(response);
  if (read.success) {
    KLOG(6) << "answer for " << spec_.url << ": biz_code " << read.result.biz_code;
  } else {
    KLOG(3) << "request " << spec_.url << " failed: " << read.result.msg;
  }
  HandleBizResponse(read.success, read.result, read.json);
}

}  // namespace KOVANI_CGI
