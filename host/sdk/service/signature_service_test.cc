#include "host/sdk/service/signature_service.h"

#include <gtest/gtest.h>

#include <vector>

#include "host/app/host_application.h"
#include "host/base/threading/test_task_environment.h"
#include "host/util/crypto.h"

namespace kovanisdk::utils::service {
namespace {

class RecordingDelegate : public ISignatureServiceDelegate {
 public:
  void OnUpdateSignature(const std::string& key) override { keys.push_back(key); }
  std::vector<std::string> keys;
};

host::app::HostConfig Account(const std::string& uid, const std::string& secret) {
  host::app::HostConfig config;
  config.account.app_id = "qr-app";
  config.account.app_uid = uid;
  config.account.token = "tok-" + uid;
  config.account.secret = secret;
  return config;
}

class SignatureServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    env_.clock().SetWallMs(1'700'000'000'000);
    service_->AddDelegate(&delegate_);
  }
  void TearDown() override { service_->RemoveDelegate(&delegate_); }

  base::test::TestTaskEnvironment env_;
  std::shared_ptr<SignatureService> service_ = std::make_shared<SignatureService>();
  RecordingDelegate delegate_;
};

TEST_F(SignatureServiceTest, DerivesAVerifiableSignatureFromTheAccount) {
  host::app::HostApplication app(Account("alice", "sec"));
  const std::string text = service_->GetSignature("W11", true, true);
  const int64_t expires = 1'700'000'000 + SignatureService::kValiditySeconds;
  const std::string mac = util::crypto::HmacSha256Hex(
      "sec", "upload-signature\nW11\nqr-app\nalice\n" + std::to_string(expires));
  EXPECT_EQ(text, "QR-HMAC-SHA256 key=W11;app_uid=alice;expires=" + std::to_string(expires) + ";signature=" + mac);
  // Asked again: the same text, no announcement.
  EXPECT_EQ(service_->GetSignature("W11", true, true), text);
  EXPECT_NE(service_->GetSignature("W12", true, true), text);
  env_.RunUntilIdle();
  EXPECT_TRUE(delegate_.keys.empty());
}

TEST_F(SignatureServiceTest, NothingWithoutAnAccountOrWithoutCreate) {
  {
    host::app::HostApplication signed_out{host::app::HostConfig()};
    EXPECT_EQ(service_->GetSignature("W11", true, true), "");
  }
  host::app::HostApplication app(Account("alice", "sec"));
  EXPECT_EQ(service_->GetSignature("W11", false, true), "");
  EXPECT_NE(service_->GetSignature("W11", true, false), "");
  EXPECT_NE(service_->GetSignature("W11", false, false), "");
}

TEST_F(SignatureServiceTest, RenewsNearExpiryOnlyWhenAskedAndAnnouncesOnTheMainLooper) {
  host::app::HostApplication app(Account("alice", "sec"));
  const std::string first = service_->GetSignature("W11", true, true);
  env_.FastForwardBy((SignatureService::kValiditySeconds - SignatureService::kRenewAheadSeconds - 1) * 1000);
  EXPECT_EQ(service_->GetSignature("W11", true, true), first);  // an hour and a second left
  env_.FastForwardBy(1000);
  EXPECT_EQ(service_->GetSignature("W11", true, false), first);  // not without the flag
  const std::string renewed = service_->GetSignature("W11", true, true);
  EXPECT_NE(renewed, first);
  EXPECT_TRUE(delegate_.keys.empty());  // announced on the main looper, not from inside the call
  env_.RunUntilIdle();
  EXPECT_EQ(delegate_.keys, std::vector<std::string>{"W11"});
}

TEST_F(SignatureServiceTest, AnAccountChangeReplacesAndAnnouncesEveryKey) {
  auto app = std::make_unique<host::app::HostApplication>(Account("alice", "sec"));
  const std::string alice = service_->GetSignature("W11", true, true);
  app.reset();
  app = std::make_unique<host::app::HostApplication>(Account("bob", "other"));
  service_->OnAccountChanged();
  env_.RunUntilIdle();
  EXPECT_EQ(delegate_.keys, std::vector<std::string>{"W11"});
  const std::string bob = service_->GetSignature("W11", false, false);
  EXPECT_NE(bob, alice);
  EXPECT_NE(bob.find("app_uid=bob"), std::string::npos);
}

TEST_F(SignatureServiceTest, AnAccountChangeIsNoticedEvenWithoutBeingTold) {
  auto app = std::make_unique<host::app::HostApplication>(Account("alice", "sec"));
  service_->GetSignature("W11", true, true);
  app.reset();
  app = std::make_unique<host::app::HostApplication>(Account("alice", "rotated-secret"));
  const std::string rotated = service_->GetSignature("W11", true, true);
  env_.RunUntilIdle();
  EXPECT_EQ(delegate_.keys, std::vector<std::string>{"W11"});
  EXPECT_NE(rotated.find(util::crypto::HmacSha256Hex(
                "rotated-secret", "upload-signature\nW11\nqr-app\nalice\n" +
                                      std::to_string(1'700'000'000 + SignatureService::kValiditySeconds))),
            std::string::npos);
}

TEST_F(SignatureServiceTest, ADelegateRemovedBeforeTheAnnouncementDoesNotHearIt) {
  auto app = std::make_unique<host::app::HostApplication>(Account("alice", "sec"));
  RecordingDelegate leaving;
  service_->AddDelegate(&leaving);
  service_->GetSignature("W11", true, true);
  service_->OnAccountChanged();
  service_->RemoveDelegate(&leaving);
  env_.RunUntilIdle();
  EXPECT_TRUE(leaving.keys.empty());
  EXPECT_EQ(delegate_.keys, std::vector<std::string>{"W11"});
}

TEST(SignatureServiceAccessTest, TheHostServiceIsOneObject) {
  EXPECT_NE(GetSignatureService(), nullptr);
  EXPECT_EQ(GetSignatureService(), GetSignatureService());
}

}  // namespace
}  // namespace kovanisdk::utils::service
