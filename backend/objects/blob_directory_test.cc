#include "objects/blob_directory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "common/crypto.h"
#include "testing/temp_dir.h"

namespace qr_backend {
namespace {

namespace fs = std::filesystem;

class BackendBlobDirectoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(blobs_->Prepare(&error)) << error;
  }

  std::string Publish(const std::string& content) {
    auto writer = blobs_->NewWriter();
    EXPECT_TRUE(writer && writer->Append(content.data(), content.size()));
    const auto name = blobs_->Publish(*writer);
    EXPECT_TRUE(name);
    return name.value_or("");
  }

  bool Exists(const std::string& name) {
    blobs_->WaitForRemovals();
    return fs::exists(blobs_->PathOf(name));
  }

  TempDir dir_;
  std::unique_ptr<BlobDirectory> blobs_ = std::make_unique<BlobDirectory>(dir_.path());
};

TEST_F(BackendBlobDirectoryTest, APublishedFileHoldsTheBodyUnderANewName) {
  const std::string first = Publish("body");
  const std::string second = Publish("body");
  EXPECT_NE(first, second);
  std::ifstream in(blobs_->PathOf(first));
  std::string content;
  std::getline(in, content);
  EXPECT_EQ(content, "body");
  EXPECT_TRUE(fs::is_empty(dir_.path() + "/tmp"));
}

// Bodies arrive in network-sized pieces and leave the writer's buffer in several flushes.
TEST_F(BackendBlobDirectoryTest, ABodyOfSeveralBuffersIsWrittenWholeAndInOrder) {
  std::string body(2'621'443, '\0');
  for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>(i * 7919 >> 3);
  auto writer = blobs_->NewWriter();
  ASSERT_TRUE(writer);
  for (size_t at = 0; at < body.size(); at += 4093) {
    ASSERT_TRUE(writer->Append(body.data() + at, std::min<size_t>(4093, body.size() - at)));
  }
  const auto name = blobs_->Publish(*writer);
  ASSERT_TRUE(name);
  EXPECT_EQ(writer->size(), static_cast<int64_t>(body.size()));
  EXPECT_EQ(writer->md5_hex(), Md5Hex(body));
  std::ifstream in(blobs_->PathOf(*name), std::ios::binary);
  const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_TRUE(content == body) << content.size() << " bytes on disk";
}

TEST_F(BackendBlobDirectoryTest, AnUnpinnedFileIsRemovedAtOnce) {
  const std::string name = Publish("x");
  blobs_->Remove({name});
  EXPECT_FALSE(Exists(name));
}

TEST_F(BackendBlobDirectoryTest, APinnedFileGoesWithItsLastPin) {
  const std::string name = Publish("x");
  const std::string other = Publish("y");
  auto reader = blobs_->PinFiles({name, other});
  auto digest = blobs_->PinFiles({name});
  blobs_->Remove({name});
  EXPECT_TRUE(Exists(name));
  reader.reset();
  EXPECT_TRUE(Exists(name));
  EXPECT_TRUE(Exists(other));  // pinned but never removed: stays
  digest.reset();
  EXPECT_FALSE(Exists(name));
  EXPECT_TRUE(Exists(other));
}

TEST_F(BackendBlobDirectoryTest, APinMayOutliveTheDirectory) {
  const std::string name = Publish("x");
  const std::string path = blobs_->PathOf(name);
  auto pin = blobs_->PinFiles({name});
  blobs_->Remove({name});
  blobs_.reset();
  EXPECT_TRUE(fs::exists(path));
  pin.reset();  // the last owner: its unlink is done before it returns
  EXPECT_FALSE(fs::exists(path));
}

TEST_F(BackendBlobDirectoryTest, ClosingTheDirectoryFinishesQueuedRemovals) {
  std::vector<std::string> names;
  for (int i = 0; i < 50; ++i) names.push_back(Publish("x"));
  blobs_->Remove(names);
  blobs_.reset();
  size_t left = 0;
  for (const auto& entry : fs::recursive_directory_iterator(dir_.path() + "/blobs")) {
    left += entry.is_regular_file();
  }
  EXPECT_EQ(left, 0u);
}

TEST_F(BackendBlobDirectoryTest, PrepareAndSweepClearWhatACrashLeft) {
  const std::string kept = Publish("kept");
  const std::string stray = Publish("stray");
  std::ofstream(dir_.path() + "/tmp/half") << "partial";
  std::string error;
  ASSERT_TRUE(blobs_->Prepare(&error)) << error;
  EXPECT_EQ(blobs_->Sweep({kept}), 1u);
  EXPECT_TRUE(Exists(kept));
  EXPECT_FALSE(Exists(stray));
  EXPECT_TRUE(fs::is_empty(dir_.path() + "/tmp"));
}

}  // namespace
}  // namespace qr_backend
