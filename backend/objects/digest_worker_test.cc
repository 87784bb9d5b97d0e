#include "objects/digest_worker.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "common/clock.h"
#include "common/crypto.h"
#include "objects/object_store.h"
#include "testing/test_database.h"

namespace qr_backend {
namespace {

namespace fs = std::filesystem;

class BackendDigestWorkerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(store_.Init(&error)) << error;
    upload_ = store_.CreateUpload("b", "k", "alice", "video/mp4").value;
  }

  std::string PutPart(int64_t number, const std::string& content) {
    auto blob = store_.NewBlob();
    EXPECT_TRUE(blob && blob->Append(content.data(), content.size()));
    const auto part = store_.PutPart(upload_, "b", "k", number, *blob);
    EXPECT_TRUE(part.ok());
    return part.value.etag;
  }

  // Overwrites every stored file in place: a completion that read them would digest 'X's.
  void SpoilStoredFiles() {
    for (const auto& entry : fs::recursive_directory_iterator(database_.dir() + "/objects")) {
      if (!entry.is_regular_file()) continue;
      std::ofstream(entry.path(), std::ios::binary | std::ios::in)
          << std::string(entry.file_size(), 'X');
    }
  }

  TestDatabase database_;
  ManualClock clock_{1000};
  ObjectStore store_{database_.db(), clock_, database_.dir() + "/objects"};
  std::string upload_;
};

TEST_F(BackendDigestWorkerTest, PartsAreDigestedAsTheyArrive) {
  DigestWorker worker(store_);
  std::vector<std::pair<int64_t, std::string>> listed;
  // Out of order: part 2 waits until part 1 is there.
  listed.emplace_back(2, PutPart(2, "world"));
  worker.Schedule(upload_);
  listed.insert(listed.begin(), {1, PutPart(1, "hello ")});
  worker.Schedule(upload_);
  worker.WaitUntilIdle();
  EXPECT_FALSE(store_.DigestNextPart(upload_));  // nothing left to do

  SpoilStoredFiles();
  const auto done = store_.CompleteUpload(upload_, "b", "k", listed);
  ASSERT_TRUE(done.ok());
  EXPECT_EQ(done.value.etag, Md5Hex("hello world"));
}

TEST_F(BackendDigestWorkerTest, APartReplacedWhileItIsDigestedIsDigestedAgain) {
  // Each round replaces part 2 while the worker is likely reading the old one; the digest it
  // then took must not stick. The replacement is written beforehand so that storing it is
  // quick next to digesting a large part.
  DigestWorker worker(store_);
  const std::string old_second(4 << 20, 'o');
  for (int round = 0; round < 8; ++round) {
    const std::string key = "k" + std::to_string(round);
    const std::string upload = store_.CreateUpload("b", key, "alice", "video/mp4").value;
    const auto put = [&](int64_t number, BlobWriter& blob) {
      const auto part = store_.PutPart(upload, "b", key, number, blob);
      EXPECT_TRUE(part.ok());
      return std::pair<int64_t, std::string>(number, part.value.etag);
    };
    auto first = store_.NewBlob();
    auto second = store_.NewBlob();
    auto replacement = store_.NewBlob();
    const std::string new_second = "new second part of round " + std::to_string(round);
    ASSERT_TRUE(first->Append("first ", 6) && second->Append(old_second.data(), old_second.size()) &&
                replacement->Append(new_second.data(), new_second.size()) &&
                replacement->Finish());
    const auto part1 = put(1, *first);
    put(2, *second);
    worker.Schedule(upload);
    const auto part2 = put(2, *replacement);
    worker.Schedule(upload);
    worker.WaitUntilIdle();
    const auto done = store_.CompleteUpload(upload, "b", key, {part1, part2});
    ASSERT_TRUE(done.ok());
    ASSERT_EQ(done.value.etag, Md5Hex("first " + new_second)) << "round " << round;
  }
}

TEST_F(BackendDigestWorkerTest, StoppingDropsQueuedWorkWithoutHarm) {
  std::vector<std::pair<int64_t, std::string>> listed;
  for (int64_t number = 1; number <= 20; ++number) {
    listed.emplace_back(number, PutPart(number, std::string(64 << 10, 'p')));
  }
  {
    DigestWorker worker(store_);
    worker.Schedule(upload_);
  }  // gone at once, whatever it had done
  const auto done = store_.CompleteUpload(upload_, "b", "k", listed);
  ASSERT_TRUE(done.ok());
  EXPECT_EQ(done.value.etag, Md5Hex(std::string(20 * (64 << 10), 'p')));
}

}  // namespace
}  // namespace qr_backend
