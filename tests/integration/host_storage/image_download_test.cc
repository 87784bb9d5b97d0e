// The image download model (host model 538) against a real HTTP server on loopback.

#include <httplib.h>

#include <gtest/gtest.h>

#include <thread>

#include "host/app/image_download_model.h"
#include "host/base/threading/host_loopers.h"
#include "host/util/file.h"
#include "host/util/scoped_temp_dir.h"

namespace {

using base::variant::Variant;
using host::app::ImageDownloadModel;

class ImageDownloadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cover_.assign(300 * 1024, '\0');
    for (size_t i = 0; i < cover_.size(); ++i) cover_[i] = static_cast<char>(i * 31);
    server_.Get("/cover.jpg", [this](const httplib::Request&, httplib::Response& res) {
      res.set_content(cover_, "image/jpeg");
    });
    server_.Get("/moved.jpg", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/cover.jpg"); });
    server_.Get("/forbidden.jpg", [](const httplib::Request&, httplib::Response& res) { res.status = 403; });
    port_ = server_.bind_to_any_port("127.0.0.1");
    ASSERT_GT(port_, 0);
    // The socket listens from bind on; connections wait in its backlog until the loop accepts.
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    for (int32_t event : {host::app::kImageReadyEvent, host::app::kImageDownloadFinishEvent}) {
      model_->Subscribe(event, framework::NewSubscriberId(),
                        [this](int32_t id, const Variant& payload) { events_.emplace_back(id, payload); });
    }
  }
  void TearDown() override {
    server_.stop();
    thread_.join();
  }

  std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }

  void Fetch(const std::string& url, const std::string& path, int index) {
    Variant args;
    args.Set("cache_key", url);
    args.Set("path", path);
    args.Set("is_high_priority", false);
    args.Set("index", index);
    ASSERT_TRUE(model_->Call(host::app::kImageDownloadFetch, args, nullptr));
  }

  // The finish event of `index`, after waiting for it.
  Variant FinishOf(int index) {
    auto find = [&]() -> const Variant* {
      for (const auto& [id, payload] : events_) {
        if (id == host::app::kImageDownloadFinishEvent && payload.GetInt32("index", -1) == index) return &payload;
      }
      return nullptr;
    };
    EXPECT_TRUE(loopers_.RunMainLoopUntil([&] { return find() != nullptr; }, 20000));
    return find() ? *find() : Variant();
  }

  int ReadyCount(int index) const {
    int count = 0;
    for (const auto& [id, payload] : events_) count += id == host::app::kImageReadyEvent && payload.GetInt32("index") == index;
    return count;
  }

  base::threading::HostLoopers loopers_;
  httplib::Server server_;
  std::thread thread_;
  int port_ = 0;
  std::string cover_;
  util::file::ScopedTempDir dir_;
  std::shared_ptr<ImageDownloadModel> model_ = std::make_shared<ImageDownloadModel>();
  std::vector<std::pair<int32_t, Variant>> events_;
};

TEST_F(ImageDownloadTest, FetchesTheImageIntoItsPath) {
  const std::string path = dir_.Child("covers/1/cover.jpg");
  Fetch(Url("/cover.jpg"), path, 1);
  Fetch(Url("/moved.jpg"), dir_.Child("moved.jpg"), 2);
  const Variant finish = FinishOf(1);
  EXPECT_EQ(finish.GetInt32("code", -1), 0);
  EXPECT_EQ(finish.GetString("path"), path);
  EXPECT_EQ(ReadyCount(1), 1);
  std::string contents;
  ASSERT_TRUE(util::file::ReadFileToString(path, &contents));
  EXPECT_TRUE(contents == cover_);
  EXPECT_EQ(FinishOf(2).GetInt32("code", -1), 0);
  ASSERT_TRUE(util::file::ReadFileToString(dir_.Child("moved.jpg"), &contents));
  EXPECT_TRUE(contents == cover_);
}

TEST_F(ImageDownloadTest, HttpErrorsEndWithTheStatusAndNoFile) {
  const std::string path = dir_.Child("missing.jpg");
  Fetch(Url("/nothing-here.jpg"), path, 3);
  Fetch(Url("/forbidden.jpg"), dir_.Child("forbidden.jpg"), 4);
  EXPECT_EQ(FinishOf(3).GetInt32("code"), 404);
  EXPECT_EQ(FinishOf(4).GetInt32("code"), 403);
  EXPECT_EQ(ReadyCount(3), 0);
  EXPECT_FALSE(util::file::IsFileExist(path));
  EXPECT_FALSE(util::file::IsFileExist(path + ".part"));
}

TEST_F(ImageDownloadTest, AFailedFetchKeepsTheImageThatWasThere) {
  const std::string path = dir_.Child("cover.jpg");
  ASSERT_TRUE(util::file::WriteFileAtomically(path, "previous image"));
  Fetch(Url("/nothing-here.jpg"), path, 5);
  EXPECT_EQ(FinishOf(5).GetInt32("code"), 404);
  std::string contents;
  ASSERT_TRUE(util::file::ReadFileToString(path, &contents));
  EXPECT_EQ(contents, "previous image");
}

}  // namespace
