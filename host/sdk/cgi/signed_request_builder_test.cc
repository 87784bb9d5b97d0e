#include "host/sdk/cgi/signed_request_builder.h"

#include <gtest/gtest.h>

#include "host/app/host_config.h"

namespace KOVANI_CGI {
namespace {

host::app::Account Alice() {
  host::app::Account account;
  account.app_id = "qr-app";
  account.app_uid = "alice";
  account.token = "tok-alice";
  account.secret = "sec-alice";
  return account;
}

SignedRequestSpec Post(const std::string& path = "/v2/record/control/get-start-data") {
  SignedRequestSpec spec;
  spec.url = "http://127.0.0.1:8080" + path;
  spec.method = kMethodPost;
  spec.body = R"({"subject":"x"})";
  spec.common_params = spec.token = spec.sign = true;
  return spec;
}

TEST(SignedRequestBuilderTest, PostCarriesCommonParamsTokenAndAVerifiableSignature) {
  const auto built = SignedRequestBuilder::Build(Post(), Alice(), 1700000000, "0123456789abcdef");
  ASSERT_EQ(built.failure, Failure::kNone) << built.error;
  const TransportRequest& request = built.request;
  EXPECT_EQ(request.method, "POST");
  EXPECT_EQ(request.path, "/v2/record/control/get-start-data");
  EXPECT_EQ(request.body, R"({"subject":"x"})");
  EXPECT_EQ(request.url,
            "http://127.0.0.1:8080/v2/record/control/get-start-data?app_id=qr-app&client_version=1.0.0&"
            "nonce=0123456789abcdef&platform=linux&timestamp=1700000000");
  EXPECT_EQ(request.Param("app_uid"), "");  // only with WithAppUid
  EXPECT_EQ(request.Header("x-qr-token"), "tok-alice");
  EXPECT_EQ(request.Header("Content-Type"), "application/json");
  const std::string query = request.url.substr(request.url.find('?') + 1);
  EXPECT_EQ(request.Header("X-QR-Signature"),
            RequestSigner::Sign("sec-alice", RequestSigner::CanonicalText("POST", request.path, query, request.body,
                                                                          "1700000000", "0123456789abcdef")));
  EXPECT_EQ(request.timeout_ms, kDefaultTimeoutMs);
}

TEST(SignedRequestBuilderTest, GetSendsItsParamsInTheSignedQueryAndNoBody) {
  SignedRequestSpec spec = Post("/v2/meetlog/main/clear-reddot");
  spec.method = kMethodGet;
  spec.app_uid = true;
  spec.params = {{"uni_record_id", "u 1"}, {"file_id", "f/2"}};
  const auto built = SignedRequestBuilder::Build(spec, Alice(), 5, "00000000000000ff");
  ASSERT_EQ(built.failure, Failure::kNone);
  EXPECT_EQ(built.request.method, "GET");
  EXPECT_EQ(built.request.body, "");
  EXPECT_EQ(built.request.Header("Content-Type"), "");
  EXPECT_EQ(built.request.Param("uni_record_id"), "u 1");
  EXPECT_EQ(built.request.Param("app_uid"), "alice");
  EXPECT_NE(built.request.url.find("file_id=f%2F2"), std::string::npos);
  EXPECT_NE(built.request.url.find("uni_record_id=u%201"), std::string::npos);
}

TEST(SignedRequestBuilderTest, WithoutFlagsOnlyTimestampAndNonceAreAdded) {
  SignedRequestSpec spec;
  spec.url = "http://h/p";
  const auto built = SignedRequestBuilder::Build(spec, host::app::Account(), 9, "aaaaaaaaaaaaaaaa");
  ASSERT_EQ(built.failure, Failure::kNone);
  EXPECT_EQ(built.request.url, "http://h/p?nonce=aaaaaaaaaaaaaaaa&timestamp=9");
  EXPECT_EQ(built.request.Header("X-QR-Token"), "");
  EXPECT_EQ(built.request.Header("X-QR-Signature"), "");
}

TEST(SignedRequestBuilderTest, RefusesWhatCannotBeSentAsAsked) {
  const auto failure_of = [](SignedRequestSpec spec, host::app::Account account = Alice()) {
    return SignedRequestBuilder::Build(spec, account, 1, "0000000000000000").failure;
  };
  SignedRequestSpec spec = Post();
  spec.https_only = true;
  EXPECT_EQ(failure_of(spec), Failure::kPlainHttpRefused);
  spec.url = "https://127.0.0.1/p";
  EXPECT_EQ(failure_of(spec), Failure::kNone);

  spec = Post();
  spec.method = 2;
  EXPECT_EQ(failure_of(spec), Failure::kInvalidRequest);
  spec = Post();
  spec.url = "";
  EXPECT_EQ(failure_of(spec), Failure::kInvalidRequest);
  spec.url = "http://h/p?x=1";
  EXPECT_EQ(failure_of(spec), Failure::kInvalidRequest);

  host::app::Account signed_out;
  EXPECT_EQ(failure_of(Post(), signed_out), Failure::kNotSignedIn);
  host::app::Account no_secret = Alice();
  no_secret.secret.clear();
  EXPECT_EQ(failure_of(Post(), no_secret), Failure::kNotSignedIn);
}

TEST(SignedRequestBuilderTest, KeepsPriorityHttpsOnlyAndTimeout) {
  SignedRequestSpec spec = Post();
  spec.url = "https://h/p";
  spec.high_priority = spec.https_only = true;
  spec.timeout_ms = 1234;
  const auto built = SignedRequestBuilder::Build(spec, Alice(), 1, "0000000000000000");
  EXPECT_TRUE(built.request.high_priority);
  EXPECT_TRUE(built.request.https_only);
  EXPECT_EQ(built.request.timeout_ms, 1234);
  spec.timeout_ms = 0;
  EXPECT_EQ(SignedRequestBuilder::Build(spec, Alice(), 1, "0000000000000000").request.timeout_ms, kDefaultTimeoutMs);
}

}  // namespace
}  // namespace KOVANI_CGI
