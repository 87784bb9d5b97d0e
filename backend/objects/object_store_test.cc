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
  // MD5 of the three parts' binary MD5s, then the part count (worked out independently).
  EXPECT_EQ(done.value.etag, "e5c74f3a0dc2126127564d07b9e01902-3");
  EXPECT_EQ(done.value.size, 6);
  EXPECT_EQ(done.value.owner_uid, "alice");
  EXPECT_EQ(store_->Head("b", "k")->etag, done.value.etag);
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

TEST(BackendCompositeEtagTest, IsTheMd5OfThePartDigestsAndTheirCount) {
  EXPECT_EQ(CompositeEtag({Md5Hex("a"), Md5Hex("b")}), "96e024ba2074fe77e8e965ba43a704be-2");
  // One part still gives a composite, unlike the part's own ETag.
  EXPECT_NE(CompositeEtag({Md5Hex("a")}), Md5Hex("a"));
  EXPECT_NE(CompositeEtag({Md5Hex("a"), Md5Hex("b")}), CompositeEtag({Md5Hex("b"), Md5Hex("a")}));
}

TEST_F(BackendObjectStoreTest, CompletionReadsNoPart) {
  std::vector<std::pair<int64_t, std::string>> listed;
  const auto upload = UploadParts({"first ", "second ", "third"}, &listed);
  SpoilStoredFiles();
  const auto done = store_->CompleteUpload(upload, "b", "k", listed);
  ASSERT_TRUE(done.ok());
  EXPECT_EQ(done.value.etag,
            CompositeEtag({Md5Hex("first "), Md5Hex("second "), Md5Hex("third")}));
  EXPECT_EQ(Read("k"), std::string(18, 'X'));  // the parts themselves are served
}

TEST_F(BackendObjectStoreTest, TheCompositeFollowsAReuploadedPartAndTheListedParts) {
  std::vector<std::pair<int64_t, std::string>> listed;
  const auto upload = UploadParts({"one ", "two ", "three"}, &listed);
  auto again = Blob("TWO ");
  listed[1].second = store_->PutPart(upload, "b", "k", 2, *again).value.etag;
  const auto done = store_->CompleteUpload(upload, "b", "k", {listed[0], listed[1]});
  ASSERT_TRUE(done.ok());
  EXPECT_EQ(done.value.etag, CompositeEtag({Md5Hex("one "), Md5Hex("TWO ")}));
  EXPECT_EQ(Read("k"), "one TWO ");
  EXPECT_EQ(FilesUnder("blobs"), 2u);  // the replaced and the unlisted part are gone
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

TEST_F(BackendObjectStoreTest, RestartKeepsMultipartObjectsAndOpenUploads) {
  std::vector<std::pair<int64_t, std::string>> listed;
  const auto done_upload = UploadParts({"done ", "object"}, &listed);
  ASSERT_TRUE(store_->CompleteUpload(done_upload, "b", "k", listed).ok());
  std::vector<std::pair<int64_t, std::string>> open_listed;
  const auto open_upload = store_->CreateUpload("b", "next", "alice", "video/mp4");
  for (const std::string piece : {"still ", "open"}) {
    auto blob = Blob(piece);
    const auto part = store_->PutPart(open_upload.value, "b", "next",
                                      static_cast<int64_t>(open_listed.size() + 1), *blob);
    open_listed.emplace_back(part.value.part_number, part.value.etag);
  }

  database_.Reopen();
  store_ = std::make_unique<ObjectStore>(database_.db(), clock_, root_);
  std::string error;
  ASSERT_TRUE(store_->Init(&error)) << error;
  EXPECT_EQ(FilesUnder("blobs"), 4u);  // segments and parts are not taken for strays
  EXPECT_EQ(Read("k"), "done object");
  EXPECT_EQ(store_->Head("b", "k")->etag, CompositeEtag({Md5Hex("done "), Md5Hex("object")}));
  const auto done = store_->CompleteUpload(open_upload.value, "b", "next", open_listed);
  ASSERT_TRUE(done.ok());
  EXPECT_EQ(Read("next"), "still open");
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
