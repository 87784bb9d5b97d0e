#include "host/app/image_download_model.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <vector>

#include "host/base/threading/test_task_environment.h"
#include "host/util/file.h"
#include "host/util/scoped_temp_dir.h"

namespace host::app {
namespace {

using base::variant::Variant;

// A loopback port with nobody listening on it.
int ClosedPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(fd);
  return ntohs(address.sin_port);
}

class ImageDownloadModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int32_t event : {kImageReadyEvent, kImageDownloadFinishEvent}) {
      model_->Subscribe(event, framework::NewSubscriberId(),
                        [this](int32_t id, const Variant& payload) { events_.emplace_back(id, payload); });
    }
  }

  bool Fetch(const std::string& url, const std::string& path, bool high_priority, int index) {
    Variant args;
    args.Set("cache_key", url);
    args.Set("path", path);
    args.Set("is_high_priority", high_priority);
    args.Set("index", index);
    args.Set("image_type", 1);
    return model_->Call(kImageDownloadFetch, args, nullptr);
  }

  base::test::TestTaskEnvironment env_;
  util::file::ScopedTempDir dir_;
  std::shared_ptr<ImageDownloadModel> model_ = std::make_shared<ImageDownloadModel>();
  std::vector<std::pair<int32_t, Variant>> events_;
};

TEST_F(ImageDownloadModelTest, OnlyHttpAddressesAndRealPathsAreAccepted) {
  EXPECT_FALSE(Fetch("file:///etc/passwd", dir_.Child("x.png"), false, 0));
  EXPECT_FALSE(Fetch("ftp://host/x.png", dir_.Child("x.png"), false, 0));
  EXPECT_FALSE(Fetch("https://host/x.png", "", false, 0));
  env_.RunUntilIdle();
  EXPECT_TRUE(events_.empty());
}

TEST_F(ImageDownloadModelTest, AFailedFetchEndsWithItsCodeAndLeavesNoFile) {
  const std::string url = "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/cover.jpg";
  ASSERT_TRUE(Fetch(url, dir_.Child("covers/cover.jpg"), false, 4));
  EXPECT_TRUE(events_.empty());  // the work runs on the worker looper, never inside the call
  env_.RunUntilIdle();
  ASSERT_EQ(events_.size(), 1u);
  EXPECT_EQ(events_[0].first, kImageDownloadFinishEvent);
  const Variant& finish = events_[0].second;
  EXPECT_EQ(finish.GetInt32("code"), -7);  // CURLE_COULDNT_CONNECT
  EXPECT_EQ(finish.GetString("cache_key"), url);
  EXPECT_EQ(finish.GetString("path"), dir_.Child("covers/cover.jpg"));
  EXPECT_EQ(finish.GetInt32("index"), 4);
  EXPECT_EQ(finish.GetInt32("image_type"), 1);
  EXPECT_FALSE(util::file::IsFileExist(dir_.Child("covers/cover.jpg")));
  EXPECT_FALSE(util::file::IsFileExist(dir_.Child("covers/cover.jpg.part")));
}

TEST_F(ImageDownloadModelTest, HighPriorityFetchesGoFirst) {
  const std::string url = "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/x";
  ASSERT_TRUE(Fetch(url, dir_.Child("a"), false, 0));
  ASSERT_TRUE(Fetch(url, dir_.Child("b"), true, 1));
  ASSERT_TRUE(Fetch(url, dir_.Child("c"), false, 2));
  ASSERT_TRUE(Fetch(url, dir_.Child("d"), true, 3));
  env_.RunUntilIdle();
  std::vector<int> order;
  for (const auto& [id, payload] : events_) order.push_back(payload.GetInt32("index"));
  EXPECT_EQ(order, (std::vector<int>{1, 3, 0, 2}));
}

TEST_F(ImageDownloadModelTest, ADestroyedModelGetsNoEvents) {
  ASSERT_TRUE(Fetch("http://127.0.0.1:" + std::to_string(ClosedPort()) + "/x", dir_.Child("a"), false, 0));
  model_.reset();
  env_.RunUntilIdle();
  EXPECT_TRUE(events_.empty());
}

}  // namespace
}  // namespace host::app
