// Overhead of the signed request channel per request on loopback (next to a bare libcurl
// request to the same server), and its throughput against qr-backend with 1 and 8 requests in
// flight. A benchmark, not a test: bench/host_net/run. Prints the rows bench/run collects.
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "backend_client.h"
#include "backend_process.h"
#include "host/app/host_application.h"
#include "host/base/logging/logger.h"
#include "host/base/threading/host_loopers.h"
#include "host/sdk/cgi/request_transport.h"
#include "host/sdk/cgi/signed_request_builder.h"
#include "host_net_fixture.h"
#include "test_account.h"
#include "test_http_server.h"
#include "testing/temp_dir.h"

namespace {

constexpr char kEnvelope[] = R"({"code":0,"msg":"ok","nonce":"0123456789abcdef","data":{"total_capacity":"1"}})";

// The host side: real loopers on this thread, a host application pointed at `backend_url`.
class Host {
 public:
  Host(const std::string& backend_url, const host::app::Account& account) {
    base::logging::SetLevel(1);
    host::app::HostConfig config;
    config.backend_url = backend_url;
    config.account = account;
    app_ = std::make_unique<host::app::HostApplication>(config);
  }
  ~Host() {
    KOVANI_CGI::ShutdownRequestTransport();
    app_.reset();
  }

  // Sends `count` requests to `path`, keeping `in_flight` of them running; answers how many failed.
  int Send(const std::string& path, int count, int in_flight) {
    int started = 0;
    int finished = 0;
    int failed = 0;
    std::function<void()> start_one = [&] {
      ++started;
      host_net_test::JsonRequest::Post(path, "")->Run([&](const host_net_test::ChannelAnswer& answer) {
        if (!answer.success || answer.result.biz_code != 0) ++failed;
        if (++finished == count) {
          loopers_.QuitMainLoop();
        } else if (started < count) {
          start_one();
        }
      });
    };
    for (int i = 0; i < in_flight && started < count; ++i) start_one();
    loopers_.RunMainLoop();
    return failed;
  }

 private:
  base::threading::HostLoopers loopers_;
  std::unique_ptr<host::app::HostApplication> app_;
};

host_net_test::TestHttpServer& LoopbackServer() {
  static auto* server = new host_net_test::TestHttpServer([](httplib::Server& server) {
    server.Post("/v2/bench", [](const httplib::Request&, httplib::Response& response) {
      response.set_content(kEnvelope, "application/json");
    });
  });
  return *server;
}

// The channel's cost on top of the exchange: signing only, no I/O.
void BM_SignRequest(benchmark::State& state) {
  KOVANI_CGI::SignedRequestSpec spec;
  spec.url = "http://127.0.0.1:8080/v2/meetlog/main/list-all-record";
  spec.body = R"({"last_index":"","page_size":"20","cover_image_type":"mid","first_page":true})";
  spec.common_params = spec.token = spec.sign = true;
  for (auto _ : state) {
    auto built = KOVANI_CGI::SignedRequestBuilder::Build(spec, host_net_test::TestAccount("bench"), 1700000000, "0123456789abcdef");
    benchmark::DoNotOptimize(built);
  }
}
BENCHMARK(BM_SignRequest);

// One signed request at a time through the channel to an in-process loopback server.
void BM_ChannelRequestLoopback(benchmark::State& state) {
  auto& server = LoopbackServer();
  Host host("http://127.0.0.1:" + std::to_string(server.port()), host_net_test::TestAccount("bench"));
  host.Send("/v2/bench", 10, 1);  // warm the connection
  for (auto _ : state) {
    if (host.Send("/v2/bench", 1, 1) != 0) state.SkipWithError("a request failed");
  }
}
BENCHMARK(BM_ChannelRequestLoopback)->UseRealTime();

// The same exchange with a bare, reused libcurl handle: what the channel adds is the difference.
void BM_BareCurlLoopback(benchmark::State& state) {
  auto& server = LoopbackServer();
  CURL* curl = curl_easy_init();
  const std::string url = "http://127.0.0.1:" + std::to_string(server.port()) + "/v2/bench";
  std::string body;
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_POSTFIELDS, "");
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, +[](char* data, size_t size, size_t count, void* out) {
    static_cast<std::string*>(out)->append(data, size * count);
    return size * count;
  });
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
  for (auto _ : state) {
    body.clear();
    if (curl_easy_perform(curl) != CURLE_OK || body != kEnvelope) state.SkipWithError("a request failed");
  }
  curl_easy_cleanup(curl);
}
BENCHMARK(BM_BareCurlLoopback)->UseRealTime();

// A qr-backend for the whole run, stopped when the program exits.
struct BenchBackend {
  BenchBackend() : process(dir.path() + "/data") {
    if (!process.Start({"--quiet"})) std::abort();
    user = qr_backend::testing::AdminClient(process.api_port(), process.admin_token()).CreateUser("bench");
  }
  qr_backend::TempDir dir;
  qr_backend::testing::BackendProcess process;
  qr_backend::testing::Account user;
};

// Requests per second against the real back end (signature verification, nonce bookkeeping in
// SQLite, the capacity query) with `range(0)` requests in flight.
void BM_BackendCapacity(benchmark::State& state) {
  static BenchBackend backend;
  host::app::Account account = host_net_test::TestAccount("bench");
  account.app_uid = backend.user.app_uid;
  account.token = backend.user.token;
  account.secret = backend.user.secret;
  Host host("http://127.0.0.1:" + std::to_string(backend.process.api_port()), account);
  constexpr int kBatch = 200;
  const int in_flight = static_cast<int>(state.range(0));
  for (auto _ : state) {
    if (host.Send("/v2/meetlog/query/record-capacity", kBatch, in_flight) != 0) state.SkipWithError("a request failed");
  }
  state.SetItemsProcessed(state.iterations() * kBatch);
}
BENCHMARK(BM_BackendCapacity)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->UseRealTime()->Unit(benchmark::kMillisecond);

// Turns the runs into rows: name | ours | reference | ratio | note.
class TableReporter : public benchmark::BenchmarkReporter {
 public:
  bool ReportContext(const Context&) override { return true; }
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred) {
        Row(run.benchmark_name(), "FAILED", "-", "-", run.error_message);
      } else {
        runs_[run.run_name.function_name + (run.run_name.args.empty() ? "" : "/" + run.run_name.args)] = run;
      }
    }
  }
  void Finalize() override {
    if (const Run* sign = Find("BM_SignRequest")) {
      Row("host_net request signing", Micros(sign->GetAdjustedCPUTime() * 1e-9), "-", "-", "CPU per request");
    }
    const Run* channel = Find("BM_ChannelRequestLoopback");
    const Run* bare = Find("BM_BareCurlLoopback");
    if (channel && bare) {
      const double ours = channel->GetAdjustedRealTime() * 1e-9;
      const double theirs = bare->GetAdjustedRealTime() * 1e-9;
      Row("host_net signed request, loopback", Micros(ours), Micros(theirs), Ratio(ours / theirs),
          "reference: a bare reused libcurl handle to the same server");
    }
    for (const auto& [name, run] : runs_) {
      if (name.rfind("BM_BackendCapacity/", 0) != 0) continue;
      char rate[32];
      std::snprintf(rate, sizeof rate, "%.0f req/s", run.counters.at("items_per_second").value);
      Row("host_net qr-backend, " + name.substr(19) + " in flight", rate, "-", "-", "signed capacity queries");
    }
  }

 private:
  const Run* Find(const std::string& name) const {
    const auto it = runs_.find(name);
    return it == runs_.end() ? nullptr : &it->second;
  }
  static std::string Micros(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f us", seconds * 1e6);
    return text;
  }
  static std::string Ratio(double ratio) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", ratio);
    return text;
  }
  static void Row(const std::string& name, const std::string& ours, const std::string& reference,
                  const std::string& ratio, const std::string& note) {
    std::printf("%-44s | %-16s | %-16s | %-8s | %s\n", name.c_str(), ours.c_str(), reference.c_str(), ratio.c_str(),
                note.c_str());
  }

  std::map<std::string, Run> runs_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  TableReporter table;
  benchmark::RunSpecifiedBenchmarks(&table);
  benchmark::Shutdown();
  return 0;
}
