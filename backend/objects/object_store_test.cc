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

  // Completes an upload of `pieces` as parts 1, 2, ...; returns its id.
  std::string UploadParts(const std::vector<std::string>& pieces,
                          std::vector<std::pair<int64_t, std::string>>* listed = nullptr) {
    const auto upload = store_->CreateUpload("b", "k", "alice", "video/mp4");
    EXPECT_TRUE(upload.ok());
    for (size_t i = 0; i < pieces.size(); ++i) {
      auto blob = Blob(pieces[i]);
      const auto part =
          store_->PutPart(upload.value, "b", "k", static_cast<int64_t>(i + 1), *blob);
      EXPECT_TRUE(part.ok());
      if (listed) listed->emplace_back(part.value.part_number, part.value.etag);
    }
    return upload.value;
  }

  int DigestAll(const std::string& upload_id) {
    int parts = 0;
    while (store_->DigestNextPart(upload_id)) ++parts;
    return parts;
  }

  // Overwrites every stored file with as many 'X' as it holds: what is read afterwards no
  // longer matches any digest taken before.
  void SpoilStoredFiles() {
    for (const auto& entry : fs::recursive_directory_iterator(root_ + "/blobs")) {
      if (!entry.is_regular_file()) continue;
      const auto size = entry.file_size();
      std::ofstream(entry.path(), std::ios::binary | std::ios::in) << std::string(size, 'X');
    }
  }

  size_t FilesUnder(const std::string& dir) {
    store_->WaitForRemovals();
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

TEST_F(BackendObjectStoreTest, AnOpenReaderKeepsReadingWhatItOpenedAfterAReplace) {
  auto blob = Blob("kept while open");
  ASSERT_TRUE(store_->PutObject("b", "k", "alice", "video/mp4", *blob).ok());
  auto reader = store_->Open("b", "k");
  ASSERT_TRUE(reader);
  auto replacement = Blob("new");
  ASSERT_TRUE(store_->PutObject("b", "k", "alice", "video/mp4", *replacement).ok());
  EXPECT_EQ(Read("k"), "new");
  char out[4] = {};
  EXPECT_EQ(reader->ReadAt(0, out, 4), 4);
  EXPECT_EQ(std::string(out, 4), "kept");
  EXPECT_EQ(FilesUnder("blobs"), 2u);
  reader.reset();
  EXPECT_EQ(FilesUnder("blobs"), 1u);
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
  EXPECT_EQ(done.value.size, 6);
  EXPECT_EQ(done.value.owner_uid, "alice");
  EXPECT_EQ(store_->Head("b", "k")->etag, Md5Hex("AABBBC"));
  // The upload is over and its parts are the object: no file was added.
  EXPECT_EQ(store_->ListParts(upload.value, "b", "k").error, StoreError::kNoSuchUpload);
  EXPECT_EQ(FilesUnder("blobs"), 3u);
  EXPECT_EQ(FilesUnder("tmp"), 0u);
}

TEST_F(BackendObjectStoreTest, AMultipartObjectReadsAcrossItsPartBoundaries) {
  std::vector<std::pair<int64_t, std::string>> listed;
  const auto upload = UploadParts({"0123", "", "4567", "89"}, &listed);
  ASSERT_TRUE(store_->CompleteUpload(upload, "b", "k", listed).ok());
  auto reader = store_->Open("b", "k");
  ASSERT_TRUE(reader);
  EXPECT_EQ(reader->info().size, 10);
  char out[6] = {};
  ASSERT_EQ(reader->ReadAt(2, out, 6), 6);
  EXPECT_EQ(std::string(out, 6), "234567");
  ASSERT_EQ(reader->ReadAt(7, out, 6), 3);
  EXPECT_EQ(std::string(out, 3), "789");
}

TEST_F(BackendObjectStoreTest, CompletionFinishesTheSavedDigestWithoutReadingTheParts) {
  std::vector<std::pair<int64_t, std::string>> listed;
  const auto upload = UploadParts({"first ", "second ", "third"}, &listed);
  EXPECT_EQ(DigestAll(upload), 3);
  SpoilStoredFiles();
  const auto done = store_->CompleteUpload(upload, "b", "k", listed);
  ASSERT_TRUE(done.ok());
  EXPECT_EQ(done.value.etag, Md5Hex("first second third"));
  EXPECT_EQ(Read("k"), std::string(18, 'X'));  // the parts themselves are served
}

TEST_F(BackendObjectStoreTest, CompletionReadsOnlyThePartsTheDigestHasNotReached) {
  std::vector<std::pair<int64_t, std::string>> listed;
  const auto upload = UploadParts({"first ", "second "}, &listed);
  EXPECT_EQ(DigestAll(upload), 2);
  SpoilStoredFiles();
  auto third = Blob("third");
  const auto p3 = store_->PutPart(upload, "b", "k", 3, *third);
  listed.emplace_back(3, p3.value.etag);
  const auto done = store_->CompleteUpload(upload, "b", "k", listed);
  ASSERT_TRUE(done.ok());
  EXPECT_EQ(done.value.etag, Md5Hex("first second third"));
}

TEST_F(BackendObjectStoreTest, APartIsDigestedOnlyAfterThePartBeforeIt) {
  const auto upload = store_->CreateUpload("b", "k", "alice", "video/mp4");
  auto third = Blob("C");
  auto second = Blob("B");
  store_->PutPart(upload.value, "b", "k", 3, *third);
  store_->PutPart(upload.value, "b", "k", 2, *second);
  EXPECT_EQ(DigestAll(upload.value), 0);
  auto first = Blob("A");
  store_->PutPart(upload.value, "b", "k", 1, *first);
  EXPECT_EQ(DigestAll(upload.value), 3);
  // A gap in the numbers stops the digest; the completion reads what follows it.
  auto fifth = Blob("E");
  const auto p5 = store_->PutPart(upload.value, "b", "k", 5, *fifth);
  EXPECT_EQ(DigestAll(upload.value), 0);
  const auto parts = store_->ListParts(upload.value, "b", "k");
  std::vector<std::pair<int64_t, std::string>> listed;
  for (const auto& part : parts.value) listed.emplace_back(part.part_number, part.etag);
  const auto done = store_->CompleteUpload(upload.value, "b", "k", listed);
  ASSERT_TRUE(done.ok());
  EXPECT_EQ(done.value.etag, Md5Hex("ABCE"));
}

TEST_F(BackendObjectStoreTest, AReuploadedPartVoidsTheDigestFromItOn) {
  std::vector<std::pair<int64_t, std::string>> listed;
  const auto upload = UploadParts({"one ", "two ", "three"}, &listed);
  EXPECT_EQ(DigestAll(upload), 3);
  auto again = Blob("TWO ");
  listed[1].second = store_->PutPart(upload, "b", "k", 2, *again).value.etag;
  // Parts 2 and 3 are digested again; part 1's digest still holds.
  EXPECT_EQ(DigestAll(upload), 2);
  const auto done = store_->CompleteUpload(upload, "b", "k", listed);
  ASSERT_TRUE(done.ok());
  EXPECT_EQ(done.value.etag, Md5Hex("one TWO three"));
  EXPECT_EQ(Read("k"), "one TWO three");
}

TEST_F(BackendObjectStoreTest, ListingFewerPartsDoesNotUseADigestOfMore) {
  std::vector<std::pair<int64_t, std::string>> listed;
  const auto upload = UploadParts({"one ", "two ", "three"}, &listed);
  EXPECT_EQ(DigestAll(upload), 3);
  const auto done = store_->CompleteUpload(upload, "b", "k", {listed[0], listed[2]});
  ASSERT_TRUE(done.ok());
  EXPECT_EQ(done.value.etag, Md5Hex("one three"));
  EXPECT_EQ(Read("k"), "one three");
  EXPECT_EQ(FilesUnder("blobs"), 2u);  // the unlisted part is gone
}

TEST_F(BackendObjectStoreTest, OverwriteAndDeleteRemoveEverySegment) {
  std::vector<std::pair<int64_t, std::string>> listed;
  const auto first = UploadParts({"a", "b", "c"}, &listed);
  ASSERT_TRUE(store_->CompleteUpload(first, "b", "k", listed).ok());
  ASSERT_EQ(FilesUnder("blobs"), 3u);
  // Replaced by another multipart object, then by a single PUT.
  listed.clear();
  const auto second = UploadParts({"d", "e"}, &listed);
  ASSERT_TRUE(store_->CompleteUpload(second, "b", "k", listed).ok());
  EXPECT_EQ(Read("k"), "de");
  EXPECT_EQ(FilesUnder("blobs"), 2u);
  auto single = Blob("single");
  ASSERT_TRUE(store_->PutObject("b", "k", "alice", "video/mp4", *single).ok());
  EXPECT_EQ(FilesUnder("blobs"), 1u);
  ASSERT_TRUE(store_->Delete("b", "k"));
  EXPECT_EQ(FilesUnder("blobs"), 0u);
  EXPECT_FALSE(store_->Head("b", "k"));
}

TEST_F(BackendObjectStoreTest, AReaderKeepsADeletedMultipartObjectUntilItCloses) {
  std::vector<std::pair<int64_t, std::string>> listed;
  const auto upload = UploadParts({"kept ", "while ", "open"}, &listed);
  ASSERT_TRUE(store_->CompleteUpload(upload, "b", "k", listed).ok());
  auto reader = store_->Open("b", "k");
  ASSERT_TRUE(reader);
  ASSERT_TRUE(store_->Delete("b", "k"));
  EXPECT_FALSE(store_->Open("b", "k"));
  EXPECT_EQ(FilesUnder("blobs"), 3u);
  std::string content(15, '\0');
  EXPECT_EQ(reader->ReadAt(0, content.data(), content.size()), 15);
  EXPECT_EQ(content, "kept while open");
  reader.reset();
  EXPECT_EQ(FilesUnder("blobs"), 0u);
}

TEST_F(BackendObjectStoreTest, RestartKeepsMultipartObjectsAndSavedDigests) {
  std::vector<std::pair<int64_t, std::string>> listed;
  const auto done_upload = UploadParts({"done ", "object"}, &listed);
  ASSERT_TRUE(store_->CompleteUpload(done_upload, "b", "k", listed).ok());
  std::vector<std::pair<int64_t, std::string>> open_listed;
  const auto open_upload = store_->CreateUpload("b", "next", "alice", "video/mp4");
  for (const std::string piece : {"saved ", "digest"}) {
    auto blob = Blob(piece);
    const auto part = store_->PutPart(open_upload.value, "b", "next",
                                      static_cast<int64_t>(open_listed.size() + 1), *blob);
    open_listed.emplace_back(part.value.part_number, part.value.etag);
  }
  EXPECT_EQ(DigestAll(open_upload.value), 2);

  database_.Reopen();
  store_ = std::make_unique<ObjectStore>(database_.db(), clock_, root_);
  std::string error;
  ASSERT_TRUE(store_->Init(&error)) << error;
  EXPECT_EQ(FilesUnder("blobs"), 4u);  // segments and parts are not taken for strays
  EXPECT_EQ(Read("k"), "done object");
  EXPECT_EQ(store_->Head("b", "k")->etag, Md5Hex("done object"));
  SpoilStoredFiles();
  const auto done = store_->CompleteUpload(open_upload.value, "b", "next", open_listed);
  ASSERT_TRUE(done.ok());
  EXPECT_EQ(done.value.etag, Md5Hex("saved digest"));
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
