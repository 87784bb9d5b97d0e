#include "transcoder/upload_state.h"

#include <gtest/gtest.h>

#include "host/util/file.h"
#include "host/util/scoped_temp_dir.h"

namespace qr_transcoder {
namespace {

using base::json::JsonValue;

UploadState TwoParts() {
  UploadState state;
  state.instance_id = "i-1";
  state.task = JsonValue::Parse(R"({"instance_id": "i-1", "output_file": "/x/out.mp4"})");
  state.object_url = "http://127.0.0.1:1/b/records/u/video.mp4";
  state.upload_id = "0123456789abcdef0123456789abcdef";
  state.part_size = 5 << 20;
  state.parts = {{1, std::string(32, 'a'), 5 << 20}, {2, std::string(32, 'b'), 5 << 20}};
  state.muxed_bytes = 11 << 20;
  return state;
}

class UploadStateFileTest : public ::testing::Test {
 protected:
  util::file::ScopedTempDir dir_;
  std::string path_ = UploadStateFile::PathFor(dir_.Child("out.mp4"));
};

TEST_F(UploadStateFileTest, ASavedStateComesBackWhole) {
  ASSERT_TRUE(UploadStateFile::Save(path_, TwoParts()));
  const auto loaded = UploadStateFile::Load(path_);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(loaded->instance_id, "i-1");
  EXPECT_EQ(loaded->task["output_file"].AsString(), "/x/out.mp4");
  EXPECT_EQ(loaded->upload_id, "0123456789abcdef0123456789abcdef");
  ASSERT_EQ(loaded->parts.size(), 2u);
  EXPECT_EQ(loaded->parts[1].etag, std::string(32, 'b'));
  EXPECT_EQ(loaded->uploaded_bytes(), 10u << 20);
  EXPECT_EQ(loaded->muxed_bytes, 11u << 20);
  EXPECT_EQ(path_, dir_.Child("out.mp4.upload"));
}

TEST_F(UploadStateFileTest, ATornFileIsIgnoredNotHalfBelieved) {
  const std::string text = TwoParts().ToJson().ToStyledString();
  for (size_t cut : {size_t{0}, size_t{1}, text.size() / 2, text.size() - 2}) {
    ASSERT_TRUE(util::file::WriteFileAtomically(path_, text.substr(0, cut)));
    EXPECT_FALSE(UploadStateFile::Load(path_)) << "cut at " << cut;
  }
  EXPECT_FALSE(UploadStateFile::Load(dir_.Child("absent.upload")));
}

TEST_F(UploadStateFileTest, StaleOrForeignStatesAreRefused) {
  JsonValue other_version = TwoParts().ToJson();
  other_version.SetJsonObject("version", 2);
  EXPECT_FALSE(UploadState::FromJson(other_version));

  UploadState gap = TwoParts();
  gap.parts[1].number = 3;  // part 2 missing: offsets could not be trusted
  EXPECT_FALSE(UploadState::FromJson(gap.ToJson()));

  UploadState bad_etag = TwoParts();
  bad_etag.parts[0].etag = "short";
  EXPECT_FALSE(UploadState::FromJson(bad_etag.ToJson()));

  UploadState no_part_size = TwoParts();
  no_part_size.part_size = 0;
  EXPECT_FALSE(UploadState::FromJson(no_part_size.ToJson()));
}

TEST_F(UploadStateFileTest, SavingReplacesTheWholeFile) {
  ASSERT_TRUE(UploadStateFile::Save(path_, TwoParts()));
  UploadState shorter = TwoParts();
  shorter.parts.pop_back();
  ASSERT_TRUE(UploadStateFile::Save(path_, shorter));
  EXPECT_EQ(UploadStateFile::Load(path_)->parts.size(), 1u);
  UploadStateFile::Remove(path_);
  EXPECT_FALSE(util::file::IsFileExist(path_));
}

TEST_F(UploadStateFileTest, OnlyLocalStatesUntouchedForTheAgeLimitAreRemoved) {
  namespace fs = std::filesystem;
  const std::string states = dir_.Child("local-uploads");
  const std::string old_state = UploadStateFile::LocalPathFor(states, "old");
  const std::string recent_state = UploadStateFile::LocalPathFor(states, "recent");
  const std::string other_file = states + "/notes.txt";
  ASSERT_TRUE(UploadStateFile::Save(old_state, TwoParts()));
  ASSERT_TRUE(UploadStateFile::Save(recent_state, TwoParts()));
  ASSERT_TRUE(util::file::WriteFileAtomically(other_file, "not a state"));
  const auto now = fs::last_write_time(old_state) + UploadStateFile::kAbandonedAfter;
  // Exactly at the limit counts as abandoned; a second younger does not.
  fs::last_write_time(recent_state, now - UploadStateFile::kAbandonedAfter + std::chrono::seconds(1));
  fs::last_write_time(other_file, now - 10 * UploadStateFile::kAbandonedAfter);

  EXPECT_EQ(UploadStateFile::RemoveAbandonedLocal(states, now), 1);
  EXPECT_FALSE(util::file::IsFileExist(old_state));
  EXPECT_TRUE(util::file::IsFileExist(recent_state));
  EXPECT_TRUE(util::file::IsFileExist(other_file));
}

TEST_F(UploadStateFileTest, AMissingStateDirectoryIsNoError) {
  const auto now = std::filesystem::file_time_type::clock::now();
  EXPECT_EQ(UploadStateFile::RemoveAbandonedLocal(dir_.Child("never-made"), now), 0);
}

}  // namespace
}  // namespace qr_transcoder
