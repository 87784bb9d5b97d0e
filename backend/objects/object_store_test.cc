#include "objects/object_store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "common/clock.h"
#include "common/crypto.h"
#include "testing/test_database.h"

namespace qr_backend {
namespace {

namespace fs = std::filesystem;

class BackendObjectStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(store_->Init(&error)) << error;
  }

  std::unique_ptr<BlobWriter> Blob(const std::string& content) {
    auto blob = store_->NewBlob();
    EXPECT_TRUE(blob && blob->Append(content.data(), content.size()));
    return blob;
  }

  std::string Read(const std::string& key) {
    auto reader = store_->Open("b", key);
    if (!reader) return "<missing>";
    std::string content(static_cast<size_t>(reader->info().size), '\0');
    EXPECT_EQ(reader->ReadAt(0, content.data(), content.size()), reader->info().size);
    return content;
  }

  size_t FilesUnder(const std::string& dir) {
    size_t count = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root_ + "/" + dir)) {
      count += entry.is_regular_file();
    }
    return count;
  }

  TestDatabase database_;
  ManualClock clock_{1000};
  std::string root_ = database_.dir() + "/objects";
  std::unique_ptr<ObjectStore> store_ =
      std::make_unique<ObjectStore>(database_.db(), clock_, root_);
};

TEST_F(BackendObjectStoreTest, PutReplacesAndLeavesOneFile) {
  auto first = Blob("first version");
  ASSERT_TRUE(store_->PutObject("b", "k", "alice", "video/mp4", *first).ok());
  auto second = Blob("second");
  const auto put = store_->PutObject("b", "k", "alice", "video/mp4", *second);
  ASSERT_TRUE(put.ok());
  EXPECT_EQ(put.value.etag, Md5Hex("second"));
  EXPECT_EQ(put.value.size, 6);
  EXPECT_EQ(Read("k"), "second");
  EXPECT_EQ(FilesUnder("blobs"), 1u);
  EXPECT_EQ(FilesUnder("tmp"), 0u);
}

TEST_F(BackendObjectStoreTest, AnOpenReaderSurvivesDeletion) {
  auto blob = Blob("kept while open");
  ASSERT_TRUE(store_->PutObject("b", "k", "alice", "video/mp4", *blob).ok());
  auto reader = store_->Open("b", "k");
  ASSERT_TRUE(reader);
  ASSERT_TRUE(store_->Delete("b", "k"));
  EXPECT_FALSE(store_->Head("b", "k"));
  char out[4] = {};
  EXPECT_EQ(reader->ReadAt(0, out, 4), 4);
  EXPECT_EQ(std::string(out, 4), "kept");
  EXPECT_EQ(FilesUnder("blobs"), 0u);
}

TEST_F(BackendObjectStoreTest, AnAbandonedWriterLeavesNothingBehind) {
  { auto blob = Blob("never published"); }
  EXPECT_EQ(FilesUnder("tmp"), 0u);
  EXPECT_FALSE(store_->Head("b", "k"));
}

TEST_F(BackendObjectStoreTest, MultipartJoinsListedPartsInNumberOrder) {
  const auto upload = store_->CreateUpload("b", "k", "alice", "video/mp4");
  ASSERT_TRUE(upload.ok());
  auto third = Blob("C");
  auto first = Blob("AA");
  auto second = Blob("BBB");
  // Parts arrive out of order.
  const auto p3 = store_->PutPart(upload.value, "b", "k", 3, *third);
  const auto p1 = store_->PutPart(upload.value, "b", "k", 1, *first);
  const auto p2 = store_->PutPart(upload.value, "b", "k", 2, *second);
  ASSERT_TRUE(p1.ok() && p2.ok() && p3.ok());
  const auto parts = store_->ListParts(upload.value, "b", "k");
  ASSERT_TRUE(parts.ok());
  ASSERT_EQ(parts.value.size(), 3u);
  EXPECT_EQ(parts.value[0].part_number, 1);
  EXPECT_EQ(parts.value[2].size, 1);

  const auto done = store_->CompleteUpload(
      upload.value, "b", "k",
      {{1, "\"" + p1.value.etag + "\""}, {2, p2.value.etag}, {3, p3.value.etag}});
  ASSERT_TRUE(done.ok());
  EXPECT_EQ(Read("k"), "AABBBC");
  EXPECT_EQ(done.value.etag, Md5Hex("AABBBC"));
  EXPECT_EQ(done.value.owner_uid, "alice");
  // The upload is over: its parts are gone and the id is unknown.
  EXPECT_EQ(store_->ListParts(upload.value, "b", "k").error, StoreError::kNoSuchUpload);
  EXPECT_EQ(FilesUnder("blobs"), 1u);
}

TEST_F(BackendObjectStoreTest, CompletionChecksEveryPartAndItsEtag) {
  const auto upload = store_->CreateUpload("b", "k", "alice", "video/mp4");
  auto a = Blob("A");
  auto b = Blob("B");
  const auto p1 = store_->PutPart(upload.value, "b", "k", 1, *a);
  const auto p2 = store_->PutPart(upload.value, "b", "k", 2, *b);
  EXPECT_EQ(store_->CompleteUpload(upload.value, "b", "k", {{1, p1.value.etag}, {2, p1.value.etag}})
                .error,
            StoreError::kInvalidPart);
  EXPECT_EQ(store_->CompleteUpload(upload.value, "b", "k", {{1, p1.value.etag}, {4, "x"}}).error,
            StoreError::kInvalidPart);
  EXPECT_EQ(store_->CompleteUpload(upload.value, "b", "k", {{2, p2.value.etag}, {1, p1.value.etag}})
                .error,
            StoreError::kInvalidPartOrder);
  EXPECT_EQ(store_->CompleteUpload(upload.value, "b", "k", {}).error,
            StoreError::kInvalidPartOrder);
  EXPECT_EQ(store_->CompleteUpload(upload.value, "b", "other", {{1, p1.value.etag}}).error,
            StoreError::kNoSuchUpload);
  // Nothing was published by the refusals, and the upload can still finish with part 1 only.
  EXPECT_FALSE(store_->Head("b", "k"));
  const auto done = store_->CompleteUpload(upload.value, "b", "k", {{1, p1.value.etag}});
  ASSERT_TRUE(done.ok());
  EXPECT_EQ(Read("k"), "A");
  EXPECT_EQ(FilesUnder("blobs"), 1u);  // the unlisted part 2 was dropped
}

TEST_F(BackendObjectStoreTest, ReuploadedPartReplacesTheOldOne) {
  const auto upload = store_->CreateUpload("b", "k", "alice", "video/mp4");
  auto old_part = Blob("old");
  auto new_part = Blob("new!");
  store_->PutPart(upload.value, "b", "k", 1, *old_part);
  const auto p1 = store_->PutPart(upload.value, "b", "k", 1, *new_part);
  const auto parts = store_->ListParts(upload.value, "b", "k");
  ASSERT_EQ(parts.value.size(), 1u);
  EXPECT_EQ(parts.value[0].etag, Md5Hex("new!"));
  EXPECT_EQ(FilesUnder("blobs"), 1u);
  ASSERT_TRUE(store_->CompleteUpload(upload.value, "b", "k", {{1, p1.value.etag}}).ok());
  EXPECT_EQ(Read("k"), "new!");
}

TEST_F(BackendObjectStoreTest, AbortDropsPartsAndRefusesLaterParts) {
  const auto upload = store_->CreateUpload("b", "k", "alice", "video/mp4");
  auto a = Blob("A");
  store_->PutPart(upload.value, "b", "k", 1, *a);
  EXPECT_EQ(store_->AbortUpload(upload.value, "b", "k"), StoreError::kNone);
  EXPECT_EQ(store_->AbortUpload(upload.value, "b", "k"), StoreError::kNoSuchUpload);
  auto late = Blob("late");
  EXPECT_EQ(store_->PutPart(upload.value, "b", "k", 2, *late).error, StoreError::kNoSuchUpload);
  EXPECT_EQ(FilesUnder("blobs"), 0u);
}

TEST_F(BackendObjectStoreTest, RestartKeepsPartsAndSweepsStrayFiles) {
  const auto upload = store_->CreateUpload("b", "k", "alice", "video/mp4");
  auto a = Blob("A");
  const auto p1 = store_->PutPart(upload.value, "b", "k", 1, *a);
  // What a crash leaves: a half-written temporary file and a file no row refers to.
  std::ofstream(root_ + "/tmp/half") << "partial";
  fs::create_directories(root_ + "/blobs/zz");
  std::ofstream(root_ + "/blobs/zz/zz0000") << "orphan";

  database_.Reopen();
  store_ = std::make_unique<ObjectStore>(database_.db(), clock_, root_);
  std::string error;
  ASSERT_TRUE(store_->Init(&error)) << error;
  EXPECT_EQ(FilesUnder("tmp"), 0u);
  EXPECT_EQ(FilesUnder("blobs"), 1u);
  const auto parts = store_->ListParts(upload.value, "b", "k");
  ASSERT_TRUE(parts.ok());
  ASSERT_EQ(parts.value.size(), 1u);
  ASSERT_TRUE(store_->CompleteUpload(upload.value, "b", "k", {{1, p1.value.etag}}).ok());
  EXPECT_EQ(Read("k"), "A");
}

}  // namespace
}  // namespace qr_backend
