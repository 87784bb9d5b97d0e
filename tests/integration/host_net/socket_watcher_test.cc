#include "host/base/net/socket_watcher.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace base::net {
namespace {

// Real sockets (a socket pair), waited for with a bounded condition wait.
class SocketWatcherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0, fds_), 0);
    watcher_ = SocketWatcher::Create([this](int fd, SocketWatcher::Readiness readiness) {
      std::lock_guard lock(mutex_);
      reports_.push_back({fd, readiness});
      changed_.notify_all();
    });
    ASSERT_NE(watcher_, nullptr);
  }
  void TearDown() override {
    watcher_.reset();
    close(fds_[0]);
    close(fds_[1]);
  }

  bool WaitForReports(size_t count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(5), [&] { return reports_.size() >= count; });
  }
  size_t ReportCount() {
    std::lock_guard lock(mutex_);
    return reports_.size();
  }
  // Gives the watcher thread a bounded chance to report something it should not.
  bool ReportsStayAt(size_t count) { return !WaitForReportsFor(count + 1, std::chrono::milliseconds(200)); }
  bool WaitForReportsFor(size_t count, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return reports_.size() >= count; });
  }

  struct Report {
    int fd;
    SocketWatcher::Readiness readiness;
  };
  int fds_[2] = {-1, -1};
  std::unique_ptr<SocketWatcher> watcher_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Report> reports_;
};

TEST_F(SocketWatcherTest, ReportsReadabilityOnceUntilRearmed) {
  ASSERT_TRUE(watcher_->Watch(fds_[0], true, false));
  ASSERT_EQ(write(fds_[1], "x", 1), 1);
  ASSERT_TRUE(WaitForReports(1));
  EXPECT_EQ(reports_[0].fd, fds_[0]);
  EXPECT_TRUE(reports_[0].readiness.readable);
  EXPECT_FALSE(reports_[0].readiness.writable);
  // Still readable (nobody read the byte), but not reported again until re-armed.
  EXPECT_TRUE(ReportsStayAt(1));
  watcher_->Rearm(fds_[0]);
  EXPECT_TRUE(WaitForReports(2));
}

TEST_F(SocketWatcherTest, ReportsWritabilityWhenAsked) {
  ASSERT_TRUE(watcher_->Watch(fds_[0], false, true));
  ASSERT_TRUE(WaitForReports(1));
  EXPECT_TRUE(reports_[0].readiness.writable);
}

TEST_F(SocketWatcherTest, UnwatchedSocketsAreSilentAndNotRearmed) {
  ASSERT_TRUE(watcher_->Watch(fds_[0], true, false));
  watcher_->Unwatch(fds_[0]);
  EXPECT_EQ(watcher_->watched_count(), 0u);
  ASSERT_EQ(write(fds_[1], "x", 1), 1);
  watcher_->Rearm(fds_[0]);
  EXPECT_TRUE(ReportsStayAt(0));
}

TEST_F(SocketWatcherTest, ReportsAHangUp) {
  ASSERT_TRUE(watcher_->Watch(fds_[0], true, false));
  close(fds_[1]);
  fds_[1] = socket(AF_UNIX, SOCK_STREAM, 0);  // keeps TearDown's close harmless
  ASSERT_TRUE(WaitForReports(1));
  EXPECT_TRUE(reports_[0].readiness.readable || reports_[0].readiness.error);
}

}  // namespace
}  // namespace base::net
