#include "host/util/networkinfo.h"

#include <gtest/gtest.h>

#include <vector>

#include "host/base/threading/test_task_environment.h"

namespace util::networkinfo {
namespace {

class RecordingListener : public NetworkChangeListener {
 public:
  void OnNetworkChanged(bool online) override { changes.push_back(online); }
  std::vector<bool> changes;
};

class NetworkInfoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetOnlineProbeForTesting([this] {
      ++probes_;
      return online_;
    });
  }
  void TearDown() override { SetOnlineProbeForTesting({}); }

  base::test::TestTaskEnvironment env_;
  bool online_ = true;
  int probes_ = 0;
};

TEST_F(NetworkInfoTest, ListenersHearEachChangeAtTheNextCheck) {
  RecordingListener listener;
  AddNetworkChangeListener(&listener);
  online_ = false;
  env_.FastForwardBy(kCheckIntervalMs - 1);
  EXPECT_TRUE(listener.changes.empty());
  env_.FastForwardBy(1);
  EXPECT_EQ(listener.changes, std::vector<bool>{false});
  env_.FastForwardBy(kCheckIntervalMs * 3);  // no change, no news
  EXPECT_EQ(listener.changes, std::vector<bool>{false});
  online_ = true;
  env_.FastForwardBy(kCheckIntervalMs);
  EXPECT_EQ(listener.changes, (std::vector<bool>{false, true}));
  RemoveNetworkChangeListener(&listener);
}

TEST_F(NetworkInfoTest, AChangeAndBackBetweenChecksIsNotReported) {
  RecordingListener listener;
  AddNetworkChangeListener(&listener);
  env_.FastForwardBy(kCheckIntervalMs / 2);
  online_ = false;
  online_ = true;
  env_.FastForwardBy(kCheckIntervalMs);
  EXPECT_TRUE(listener.changes.empty());
  RemoveNetworkChangeListener(&listener);
}

TEST_F(NetworkInfoTest, RemovedListenersAreNotCalledAndPollingStops) {
  RecordingListener kept;
  RecordingListener removed;
  AddNetworkChangeListener(&kept);
  AddNetworkChangeListener(&removed);
  RemoveNetworkChangeListener(&removed);
  online_ = false;
  env_.FastForwardBy(kCheckIntervalMs);
  EXPECT_EQ(kept.changes, std::vector<bool>{false});
  EXPECT_TRUE(removed.changes.empty());

  RemoveNetworkChangeListener(&kept);
  const int probes = probes_;
  env_.FastForwardBy(kCheckIntervalMs * 5);
  EXPECT_EQ(probes_, probes);
  EXPECT_EQ(env_.PendingTaskCount(), 0u);
}

TEST_F(NetworkInfoTest, IsNetworkOnlineReadsNow) {
  online_ = false;
  EXPECT_FALSE(IsNetworkOnline());
  online_ = true;
  EXPECT_TRUE(IsNetworkOnline());
}

}  // namespace
}  // namespace util::networkinfo
