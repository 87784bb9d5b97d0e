#include "api/request_verifier.h"

#include <gtest/gtest.h>

#include "api/biz_code.h"
#include "api/request_signature.h"
#include "common/clock.h"
#include "storage/nonce_store.h"
#include "testing/test_database.h"

namespace qr_backend {
namespace {

constexpr int64_t kNow = 1'700'000'000;

class BackendRequestVerifierTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    alice_ = *users_.Create({"alice", "app", "Alice", "", "tok-alice", "secret-alice", {}}, &error);
  }

  // A request signed the documented way; callers spoil one piece at a time.
  IncomingRequest Signed(const std::string& nonce = "0123456789abcdef", int64_t timestamp = kNow) {
    IncomingRequest request;
    request.method = "POST";
    request.path = "/v2/record/control/delete";
    request.raw_query = "app_id=app&timestamp=" + std::to_string(timestamp) + "&nonce=" + nonce;
    request.body = R"({"record_id":"1"})";
    request.token = alice_.token;
    request.signature = SignCanonicalText(
        alice_.secret,
        CanonicalText(request.method, request.path, *CanonicalQuery(request.raw_query),
                      request.body, std::to_string(timestamp), nonce));
    return request;
  }

  TestDatabase database_;
  ManualClock clock_{kNow};
  UserStore users_{database_.db(), clock_};
  NonceStore nonces_{database_.db()};
  RequestVerifier verifier_{users_, nonces_, clock_};
  User alice_;
};

TEST_F(BackendRequestVerifierTest, AcceptsAProperlySignedRequest) {
  const Verification v = verifier_.Verify(Signed());
  EXPECT_EQ(v.code, kBizOk) << v.msg;
  ASSERT_TRUE(v.user);
  EXPECT_EQ(v.user->app_uid, "alice");
  EXPECT_EQ(v.nonce, "0123456789abcdef");
}

TEST_F(BackendRequestVerifierTest, UnknownOrMissingTokenComesFirst) {
  IncomingRequest request = Signed();
  request.token = "nobody";
  request.signature = "garbage";  // a later check would fail too; the token one wins
  EXPECT_EQ(verifier_.Verify(request).code, kBizUnknownToken);
  request.token.clear();
  const Verification v = verifier_.Verify(request);
  EXPECT_EQ(v.code, kBizUnknownToken);
  EXPECT_EQ(v.nonce, "0123456789abcdef");  // echoed even when refused
}

TEST_F(BackendRequestVerifierTest, MissingOrMalformedTimestampAndNonce) {
  IncomingRequest request = Signed();
  request.raw_query = "timestamp=" + std::to_string(kNow);
  EXPECT_EQ(verifier_.Verify(request).code, kBizMissingTimestampOrNonce);
  request.raw_query = "timestamp=" + std::to_string(kNow) + "&nonce=0123456789ABCDEF";
  EXPECT_EQ(verifier_.Verify(request).code, kBizMissingTimestampOrNonce);
  request.raw_query = "timestamp=12x&nonce=0123456789abcdef";
  EXPECT_EQ(verifier_.Verify(request).code, kBizMissingTimestampOrNonce);
  request.raw_query = "timestamp=1&timestamp=2&nonce=0123456789abcdef";
  EXPECT_EQ(verifier_.Verify(request).code, kBizMissingTimestampOrNonce);
}

TEST_F(BackendRequestVerifierTest, TimestampWindowIsThreeHundredSecondsEitherWay) {
  EXPECT_EQ(verifier_.Verify(Signed("00000000000000a1", kNow - 300)).code, kBizOk);
  EXPECT_EQ(verifier_.Verify(Signed("00000000000000a2", kNow + 300)).code, kBizOk);
  EXPECT_EQ(verifier_.Verify(Signed("00000000000000a3", kNow - 301)).code, kBizStaleTimestamp);
  EXPECT_EQ(verifier_.Verify(Signed("00000000000000a4", kNow + 301)).code, kBizStaleTimestamp);
}

TEST_F(BackendRequestVerifierTest, AnyChangedPieceBreaksTheSignature) {
  IncomingRequest body = Signed("00000000000000b1");
  body.body = R"({"record_id":"2"})";
  EXPECT_EQ(verifier_.Verify(body).code, kBizBadSignature);
  IncomingRequest path = Signed("00000000000000b2");
  path.path = "/v2/record/control/complete";
  EXPECT_EQ(verifier_.Verify(path).code, kBizBadSignature);
  IncomingRequest method = Signed("00000000000000b3");
  method.method = "GET";
  EXPECT_EQ(verifier_.Verify(method).code, kBizBadSignature);
  IncomingRequest query = Signed("00000000000000b4");
  query.raw_query += "&app_uid=mallory";
  EXPECT_EQ(verifier_.Verify(query).code, kBizBadSignature);
  IncomingRequest upper = Signed("00000000000000b5");
  for (char& c : upper.signature) c = static_cast<char>(std::toupper(c));
  EXPECT_EQ(verifier_.Verify(upper).code, kBizBadSignature);
}

TEST_F(BackendRequestVerifierTest, QueryOrderDoesNotMatter) {
  IncomingRequest request = Signed();
  request.raw_query = "nonce=0123456789abcdef&timestamp=" + std::to_string(kNow) + "&app_id=app";
  EXPECT_EQ(verifier_.Verify(request).code, kBizOk);
}

TEST_F(BackendRequestVerifierTest, ReplayedNonceIsRefusedOnlyAfterTheSignatureChecks) {
  EXPECT_EQ(verifier_.Verify(Signed()).code, kBizOk);
  EXPECT_EQ(verifier_.Verify(Signed()).code, kBizReplayedNonce);
  // A forged request with a fresh nonce must not burn that nonce for the real client.
  IncomingRequest forged = Signed("00000000000000c1");
  forged.signature = std::string(64, '0');
  EXPECT_EQ(verifier_.Verify(forged).code, kBizBadSignature);
  EXPECT_EQ(verifier_.Verify(Signed("00000000000000c1")).code, kBizOk);
}

TEST_F(BackendRequestVerifierTest, NoncesAreKeptPerUser) {
  std::string error;
  const User bob = *users_.Create({"bob", "app", "Bob", "", "tok-bob", "secret-bob", {}}, &error);
  EXPECT_EQ(verifier_.Verify(Signed()).code, kBizOk);
  alice_ = bob;
  EXPECT_EQ(verifier_.Verify(Signed()).code, kBizOk);
}

}  // namespace
}  // namespace qr_backend
