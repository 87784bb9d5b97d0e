// Faults armed through the admin API hit real requests, then disarm.

#include "backend_fixture.h"

namespace qr_backend::testing {
namespace {

class BackendFaultInjectionTest : public BackendTest {
 protected:
  void Arm(const nlohmann::json& rule) {
    const auto answer = Admin().Call("POST", "/admin/faults", rule);
    ASSERT_EQ(answer.status, 200) << answer.body;
  }
};

TEST_F(BackendFaultInjectionTest, Http500HitsTheArmedPathOnce) {
  Arm({{"server", "api"},
       {"path", "/v2/meetlog/query/record-capacity"},
       {"kind", "http500"},
       {"times", 1}});
  EXPECT_EQ(Api(alice_).Send("POST", "/v2/meetlog/query/record-capacity", "{}").status, 500);
  EXPECT_EQ(Api(alice_).Post("/v2/meetlog/query/record-capacity", {})["code"], 0);
}

TEST_F(BackendFaultInjectionTest, DropBreaksTheUploadConnection) {
  const auto start = StartRecord(alice_);
  Arm({{"server", "cos"},
       {"method", "PUT"},
       {"path", "/qr-records/*"},
       {"kind", "drop"},
       {"times", 1}});
  EXPECT_EQ(PutVideo(start, "payload").status, 0);  // no complete answer
  EXPECT_EQ(PutVideo(start, "payload").status, 200);
}

TEST_F(BackendFaultInjectionTest, WrongServerHeaderFoolsTheReachabilityProbe) {
  Arm({{"server", "cos"}, {"path", "/"}, {"kind", "wrong_server"}});
  const auto probe = Objects().Request("GET", "/", {});
  EXPECT_EQ(probe.status, 403);
  EXPECT_EQ(probe.Header("Server"), "not-cos-server");
  ASSERT_EQ(Admin().Call("DELETE", "/admin/faults").status, 200);
  EXPECT_EQ(Objects().Request("GET", "/", {}).Header("Server"), "halvard-cos");
}

TEST_F(BackendFaultInjectionTest, DelayHoldsTheAnswerBack) {
  Arm({{"server", "api"}, {"path", "/v2/record/control/*"}, {"kind", "delay"}, {"delay_ms", 400}});
  const auto begin = std::chrono::steady_clock::now();
  StartRecord(alice_);
  EXPECT_GE(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(400));
  const auto listed = Admin().Call("GET", "/admin/faults").Json();
  ASSERT_EQ(listed["faults"].size(), 1u);
  EXPECT_EQ(listed["faults"][0]["kind"], "delay");
}

TEST_F(BackendFaultInjectionTest, BadRulesAreRefusedAndTheAdminApiIsNeverHit) {
  EXPECT_EQ(Admin().Call("POST", "/admin/faults", {{"server", "api"}, {"path", "/x"}}).status, 400);
  Arm({{"server", "api"}, {"path", "/*"}, {"kind", "http500"}});
  EXPECT_EQ(Admin().Call("GET", "/admin/faults").status, 200);
  EXPECT_EQ(Api(alice_).Send("POST", "/v2/record/control/delete", "{}").status, 500);
}

}  // namespace
}  // namespace qr_backend::testing
