// Every request class of the module on any answer of the back end, through the fake transport, so
// the real HandleBizResponse path runs: the first byte picks the class, the second the HTTP status,
// the rest is the body. Each request must call back exactly once, and an answer that is not a 2xx
// or not a JSON object must leave the result as it was before the answer was read.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "host/app/host_application.h"
#include "host/app/signed_in_config.h"
#include "host/base/threading/test_task_environment.h"
#include "host/sdk/cgi/fake_request_transport.h"
#include "module/quick_record/cloud/request_parser_cases.h"

namespace {

struct Module {
  base::test::TestTaskEnvironment env;
  host::app::HostApplication app{host::app::testing::SignedInConfig()};
  std::vector<quick_record::testing::ParserCase> parsers = quick_record::testing::AllParsers();
};

Module& TheModule() {
  static Module* module = new Module;
  return *module;
}

constexpr int kStatuses[] = {200, 200, 200, 200, 201, 204, 302, 400, 401, 403, 404, 429, 500, 502, 503};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  Module& m = TheModule();
  const auto& parser = m.parsers[data[0] % m.parsers.size()];
  const int status = kStatuses[data[1] % (sizeof kStatuses / sizeof kStatuses[0])];
  const std::string body(reinterpret_cast<const char*>(data + 2), size - 2);
  // A fake per input: it keeps every request it was sent, which over a campaign fills the memory.
  auto fake = std::make_shared<KOVANI_CGI::FakeRequestTransport>();
  KOVANI_CGI::ScopedRequestTransport scoped{fake};
  fake->AnswerJson(parser.path, body, status);
  std::vector<std::string> digests;
  parser.send(&digests);
  m.env.RunUntilIdle();
  if (digests.size() != 1) std::abort();
  const bool object = base::json::JsonValue::Parse(body).IsObject();
  // Any 2xx is a success (EnvelopeReader); only answers outside it, or not JSON objects, are ignored.
  if ((status < 200 || status > 299 || !object) && digests[0] != parser.default_digest) std::abort();
  return 0;
}
