#include "objects/object_authority.h"

#include <gtest/gtest.h>

#include "common/clock.h"
#include "testing/test_database.h"

namespace qr_backend {
namespace {

class BackendObjectAuthorityTest : public ::testing::Test {
 protected:
  ObjectGrant Issue(const std::string& key = "records/r1/video.mp4") {
    auto grant = authority_.Issue("bucket", key, "alice", 3600, {"get", "put", "post", "head"});
    EXPECT_TRUE(grant);
    return grant.value_or(ObjectGrant{});
  }
  AuthCheck Check(const std::string& verb, const std::string& key, const std::string& auth,
                  const std::string& session) {
    return authority_.Check(verb, "bucket", key, auth, session).check;
  }

  TestDatabase database_;
  ManualClock clock_{1000};
  ObjectAuthority authority_{database_.db(), clock_, "server-key"};
  const std::string key_ = "records/r1/video.mp4";
};

TEST_F(BackendObjectAuthorityTest, EachVerbOpensOnlyItsOwnVerb) {
  const ObjectGrant grant = Issue();
  ASSERT_EQ(grant.auth.size(), 4u);
  const AuthOutcome ok =
      authority_.Check("put", "bucket", key_, grant.auth.at("put"), grant.session_token);
  EXPECT_EQ(ok.check, AuthCheck::kOk);
  EXPECT_EQ(ok.owner_uid, "alice");
  EXPECT_EQ(Check("post", key_, grant.auth.at("put"), grant.session_token), AuthCheck::kWrongVerb);
  EXPECT_EQ(Check("get", key_, grant.auth.at("get"), grant.session_token), AuthCheck::kOk);
}

TEST_F(BackendObjectAuthorityTest, BoundToObjectAndSession) {
  const ObjectGrant grant = Issue();
  const ObjectGrant other = Issue("records/r2/video.mp4");
  EXPECT_EQ(Check("put", "records/r2/video.mp4", grant.auth.at("put"), grant.session_token),
            AuthCheck::kBadSignature);
  EXPECT_EQ(Check("put", key_, grant.auth.at("put"), other.session_token),
            AuthCheck::kBadSignature);
  EXPECT_EQ(authority_.Check("put", "other-bucket", key_, grant.auth.at("put"), grant.session_token)
                .check,
            AuthCheck::kBadSignature);
}

TEST_F(BackendObjectAuthorityTest, TamperedTextsAreRefused) {
  const ObjectGrant grant = Issue();
  std::string later = grant.auth.at("put");
  later.replace(later.find("expires=") + 8, 4, "9999");  // push the expiry out
  EXPECT_EQ(Check("put", key_, later, grant.session_token), AuthCheck::kBadSignature);
  EXPECT_EQ(Check("put", key_, "Bearer abc", grant.session_token), AuthCheck::kMalformed);
  EXPECT_EQ(
      Check("put", key_, "QR-HMAC-SHA256 verb=put;expires=x;signature=00", grant.session_token),
      AuthCheck::kMalformed);
  EXPECT_EQ(Check("put", key_, "", grant.session_token), AuthCheck::kMissing);
  EXPECT_EQ(Check("put", key_, grant.auth.at("put"), ""), AuthCheck::kMissing);
}

TEST_F(BackendObjectAuthorityTest, ExpiresAtTheIssuedTime) {
  const ObjectGrant grant = Issue();
  EXPECT_EQ(grant.expires_at, 1000 + 3600);
  clock_.Set(1000 + 3599);
  EXPECT_EQ(Check("put", key_, grant.auth.at("put"), grant.session_token), AuthCheck::kOk);
  clock_.Set(1000 + 3600);
  EXPECT_EQ(Check("put", key_, grant.auth.at("put"), grant.session_token), AuthCheck::kExpired);
}

TEST_F(BackendObjectAuthorityTest, RevokingTheObjectEndsEveryGrantOfIt) {
  const ObjectGrant first = Issue();
  const ObjectGrant second = Issue();
  const ObjectGrant other = Issue("records/r2/video.mp4");
  ASSERT_TRUE(authority_.Revoke("bucket", key_));
  EXPECT_EQ(Check("get", key_, first.auth.at("get"), first.session_token),
            AuthCheck::kUnknownSession);
  EXPECT_EQ(Check("get", key_, second.auth.at("get"), second.session_token),
            AuthCheck::kUnknownSession);
  EXPECT_EQ(Check("get", "records/r2/video.mp4", other.auth.at("get"), other.session_token),
            AuthCheck::kOk);
}

TEST_F(BackendObjectAuthorityTest, GrantsSurviveARestartWithTheSameKey) {
  const ObjectGrant grant = Issue();
  database_.Reopen();
  ObjectAuthority reopened(database_.db(), clock_, "server-key");
  EXPECT_EQ(reopened.Check("put", "bucket", key_, grant.auth.at("put"), grant.session_token).check,
            AuthCheck::kOk);
  ObjectAuthority rekeyed(database_.db(), clock_, "another-key");
  EXPECT_EQ(rekeyed.Check("put", "bucket", key_, grant.auth.at("put"), grant.session_token).check,
            AuthCheck::kBadSignature);
}

}  // namespace
}  // namespace qr_backend
