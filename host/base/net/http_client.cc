#include "host/base/net/http_client.h"

#include <mutex>

#include "host/base/logging/logger.h"
#include "host/base/net/http_engine.h"
#include "host/base/net/url.h"
#include "host/base/threading/looper.h"

namespace base::net {

namespace {

// Closed by the client's destructor. A report holds it while the delegate runs, so that once the
// destructor returned no report runs or will run, whichever thread destroys the client.
struct Gate {
  std::recursive_mutex mutex;
  bool open = true;
};

class HttpClientImpl : public HttpClient {
 public:
  HttpClientImpl(threading::Looper* looper, Delegate* delegate, std::shared_ptr<DnsResolver> resolver,
                 std::shared_ptr<HttpEngine> engine)
      : looper_(looper),
        delegate_(delegate),
        resolver_(std::move(resolver)),
        engine_(std::move(engine)),
        gate_(std::make_shared<Gate>()) {}

  ~HttpClientImpl() override {
    std::lock_guard lock(gate_->mutex);
    gate_->open = false;
  }

  bool Start(const std::shared_ptr<HttpRequest>& request) override {
    if (!request) return false;
    HttpTransfer transfer;
    transfer.method = request->method();
    transfer.url = request->url();
    transfer.headers = request->headers();
    transfer.body = request->body();
    transfer.timeout_ms = request->timeout_ms();
    transfer.fresh_connection = request->fresh_connection();
    transfer.resolve = ResolveEntries(request->url());
    engine_->Start(std::move(transfer), [this, gate = gate_, looper = looper_, delegate = delegate_,
                                         url = request->url()](HttpOutcome outcome) {
      auto response = std::make_shared<HttpResponse>(url, std::move(outcome));
      looper->PostTask(
          [this, gate, delegate, response] {
            std::lock_guard lock(gate->mutex);
            if (gate->open) delegate->OnComplete(this, response);
          },
          FROM_HERE);
    });
    return true;
  }

 private:
  std::vector<std::string> ResolveEntries(const std::string& url) {
    if (!resolver_) return {};
    const URL parsed = URL::From(url);
    std::vector<std::string> entries;
    for (const auto& address : resolver_->Resolve(parsed.host())) {
      const bool v6 = address.find(':') != std::string::npos;
      entries.push_back(parsed.host() + ":" + std::to_string(parsed.port()) + ":" +
                        (v6 ? "[" + address + "]" : address));
    }
    return entries;
  }

  threading::Looper* looper_;
  Delegate* delegate_;
  std::shared_ptr<DnsResolver> resolver_;
  std::shared_ptr<HttpEngine> engine_;
  std::shared_ptr<Gate> gate_;
};

}  // namespace

std::unique_ptr<HttpClient> CreateHttpClient(threading::Looper* looper, HttpClient::Delegate* delegate,
                                             std::shared_ptr<DnsResolver> resolver) {
  if (!looper || !delegate) return nullptr;
  auto engine = HttpEngine::Create(threading::LooperThread::IOLooper());
  if (!engine) return nullptr;
  return std::make_unique<HttpClientImpl>(looper, delegate, std::move(resolver), std::move(engine));
}

}  // namespace base::net
