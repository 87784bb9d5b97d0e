#include "module/quick_record/cloud/quick_record_host_detect_cache.h"

#include <gtest/gtest.h>

#include "host/app/host_application.h"
#include "host/base/json/json_value.h"
#include "host/base/logging/logger.h"
#include "host/base/threading/test_task_environment.h"

namespace quick_record {
namespace {

using base::json::JsonValue;
using Cache = QuickRecordHostDetectCache;

constexpr char kUrl[] = "https://bucket.cos.example";
constexpr int64_t kNow = 1'780'000'000;

class HostDetectCacheTest : public ::testing::Test {
 protected:
  void StoreResults(const std::string& text) { app_.user_config()->Set(Cache::kResultKey, text); }
  JsonValue StoredResults() { return JsonValue::Parse(app_.user_config()->Get(Cache::kResultKey).AsString()); }
  void EnableQuic(bool realtime, bool ability) {
    app_.config()->SetValue("realtime", "http_quic_enable", realtime);
    app_.config()->SetValue("quick_record_ability", "quick_record_quic_protocol_switch", ability);
  }

  base::test::TestTaskEnvironment env_;
  host::app::HostApplication app_;
};

TEST_F(HostDetectCacheTest, AReachableEntryCountsForLessThanThirtyDays) {
  StoreResults(R"({"https://bucket.cos.example": {"acc": true, "ts": 1780000000}})");
  EXPECT_TRUE(Cache::IsReachable(kUrl, kNow));
  EXPECT_TRUE(Cache::IsReachable(kUrl, kNow + Cache::kValiditySeconds - 1));
  EXPECT_FALSE(Cache::IsReachable(kUrl, kNow + Cache::kValiditySeconds));
  EXPECT_FALSE(Cache::IsReachable("https://other.example", kNow));
}

TEST_F(HostDetectCacheTest, AnythingButAWellFormedReachableEntryMeansProbeAgain) {
  for (const char* stored : {"", "not json", "[1,2]", R"({"https://bucket.cos.example": true})",
                             R"({"https://bucket.cos.example": {"acc": false, "ts": 1780000000}})",
                             R"({"https://bucket.cos.example": {"acc": "true", "ts": 1780000000}})",
                             R"({"https://bucket.cos.example": {"acc": true, "ts": "1780000000"}})",
                             R"({"https://bucket.cos.example": {"acc": true}})"}) {
    StoreResults(stored);
    EXPECT_FALSE(Cache::IsReachable(kUrl, kNow)) << stored;
  }
}

TEST_F(HostDetectCacheTest, UpdateKeepsOtherHostsAndRecordsTheFailureTime) {
  StoreResults(R"({"https://other.example": {"acc": true, "ts": 5}})");
  base::logging::ScopedLogCapture log;
  Cache::Update(kUrl, false, kNow);
  EXPECT_EQ(app_.user_config()->Get(Cache::kFailTimeKey).AsInt64(), kNow);
  JsonValue results = StoredResults();
  EXPECT_FALSE(results[kUrl]["acc"].AsBoolean(true));
  EXPECT_EQ(results[kUrl]["ts"].AsInteger(), kNow);
  EXPECT_EQ(results["https://other.example"]["ts"].AsInteger(), 5);
  EXPECT_TRUE(log.Contains(" new config:"));

  Cache::Update(kUrl, true, kNow + 10);
  EXPECT_EQ(app_.user_config()->Get(Cache::kFailTimeKey).AsInt64(-1), 0);
  EXPECT_TRUE(Cache::IsReachable(kUrl, kNow + 10));
}

TEST_F(HostDetectCacheTest, AnUnparsableCacheIsReplacedByAFreshObject) {
  StoreResults("{oops");
  Cache::Update(kUrl, true, kNow);
  const JsonValue results = StoredResults();
  ASSERT_TRUE(results.IsObject());
  EXPECT_EQ(results.Size(), 1u);
  EXPECT_TRUE(results[kUrl]["acc"].AsBoolean());
}

TEST_F(HostDetectCacheTest, QuicNeedsBothSwitchesAndNoRecentFailure) {
  EXPECT_FALSE(Cache::ShouldUseQuic(kNow));  // both switches default to off
  EnableQuic(true, false);
  EXPECT_FALSE(Cache::ShouldUseQuic(kNow));
  EnableQuic(false, true);
  EXPECT_FALSE(Cache::ShouldUseQuic(kNow));
  EnableQuic(true, true);
  EXPECT_TRUE(Cache::ShouldUseQuic(kNow));

  app_.user_config()->Set(Cache::kFailTimeKey, int64_t{kNow - Cache::kValiditySeconds + 1});
  EXPECT_FALSE(Cache::ShouldUseQuic(kNow));
  app_.user_config()->Set(Cache::kFailTimeKey, int64_t{kNow - Cache::kValiditySeconds});
  EXPECT_TRUE(Cache::ShouldUseQuic(kNow));
  app_.user_config()->Set(Cache::kFailTimeKey, std::to_string(kNow));
  EXPECT_FALSE(Cache::ShouldUseQuic(kNow));
}

}  // namespace
}  // namespace quick_record
