#include "host/sdk/cgi/envelope_reader.h"

#include <gtest/gtest.h>

namespace KOVANI_CGI {
namespace {

TransportResponse Answer(int status, const std::string& body) {
  TransportResponse response;
  response.status = status;
  response.body = body;
  return response;
}

TEST(EnvelopeReaderTest, AnEnvelopeIsASuccessWhateverItsBusinessCode) {
  auto read = EnvelopeReader::FromResponse(Answer(200, R"({"code":0,"msg":"ok","nonce":"n","data":{"a":1}})"));
  EXPECT_TRUE(read.success);
  EXPECT_EQ(read.result.status_code, 200);
  EXPECT_EQ(read.result.biz_code, 0);
  EXPECT_EQ(read.result.msg, "ok");
  EXPECT_EQ(read.result.failure, Failure::kNone);
  EXPECT_EQ(read.json["data"]["a"].AsInteger(), 1);

  read = EnvelopeReader::FromResponse(Answer(200, R"({"code":40002,"msg":"bad signature"})"));
  EXPECT_TRUE(read.success);
  EXPECT_EQ(read.result.biz_code, 40002);
  EXPECT_EQ(read.result.msg, "bad signature");
}

TEST(EnvelopeReaderTest, TransportFailuresSayWhatHappened) {
  const std::pair<base::net::NetError, Failure> cases[] = {
      {base::net::NetError::kConnectFailed, Failure::kConnectFailed},
      {base::net::NetError::kDnsFailure, Failure::kDnsFailure},
      {base::net::NetError::kTimedOut, Failure::kTimedOut},
      {base::net::NetError::kTlsFailure, Failure::kTlsFailure},
      {base::net::NetError::kPlainHttpRefused, Failure::kPlainHttpRefused},
      {base::net::NetError::kConnectionClosed, Failure::kConnectionClosed},
      {base::net::NetError::kCancelled, Failure::kCancelled},
      {base::net::NetError::kResponseTooLarge, Failure::kOther},
  };
  for (const auto& [error, failure] : cases) {
    TransportResponse response;
    response.error = error;
    response.error_text = "details";
    const auto read = EnvelopeReader::FromResponse(response);
    EXPECT_FALSE(read.success);
    EXPECT_EQ(read.result.failure, failure);
    EXPECT_EQ(read.result.status_code, 0);
    EXPECT_EQ(read.result.biz_code, -1);
    EXPECT_EQ(read.result.msg, std::string(FailureName(failure)) + ": details");
    EXPECT_TRUE(read.json.IsNull());
  }
}

TEST(EnvelopeReaderTest, HttpErrorsFailButKeepAnEnvelopeTheyCarry) {
  auto read = EnvelopeReader::FromResponse(Answer(500, R"({"error":"InternalError"})"));
  EXPECT_FALSE(read.success);
  EXPECT_EQ(read.result.failure, Failure::kHttpStatus);
  EXPECT_EQ(read.result.status_code, 500);
  EXPECT_EQ(read.result.msg, "HTTP 500");
  EXPECT_EQ(read.result.biz_code, -1);

  read = EnvelopeReader::FromResponse(Answer(403, R"({"code":40300,"msg":"not yours"})"));
  EXPECT_FALSE(read.success);
  EXPECT_EQ(read.result.failure, Failure::kHttpStatus);
  EXPECT_EQ(read.result.biz_code, 40300);
  EXPECT_EQ(read.result.msg, "not yours");
}

TEST(EnvelopeReaderTest, EmptyAndNonJsonBodiesFail) {
  auto read = EnvelopeReader::FromResponse(Answer(200, ""));
  EXPECT_FALSE(read.success);
  EXPECT_EQ(read.result.failure, Failure::kEmptyBody);
  EXPECT_EQ(read.result.status_code, 200);

  read = EnvelopeReader::FromResponse(Answer(200, "<html>proxy error</html>"));
  EXPECT_FALSE(read.success);
  EXPECT_EQ(read.result.failure, Failure::kInvalidBody);
  EXPECT_EQ(read.result.msg, "the answer is not JSON");

  for (const char* body : {R"([1,2])", R"({"msg":"no code"})", R"({"code":"0"})", "null"}) {
    read = EnvelopeReader::FromResponse(Answer(200, body));
    EXPECT_FALSE(read.success) << body;
    EXPECT_EQ(read.result.failure, Failure::kInvalidBody) << body;
    EXPECT_EQ(read.result.biz_code, -1) << body;
  }
}

}  // namespace
}  // namespace KOVANI_CGI
