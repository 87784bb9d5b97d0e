#include "transcoder/stream_follower.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "host/media/stream/raw_stream_writer.h"
#include "host/util/file.h"
#include "host/util/scoped_temp_dir.h"

namespace qr_transcoder {
namespace {

using kvp::av::kRawFlagKeyFrame;
using kvp::av::kRawFlagSegmentStart;
using kvp::av::RawIndexHeader;
using kvp::av::RawStreamWriter;

class StreamFollowerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    data_ = dir_.path() + "/rec.kovtv";
    ASSERT_EQ(writer_.Open(data_, RawIndexHeader::Video(64, 48, 30)).code, 0);
  }

  void Write(const std::string& bytes, int64_t pts_us, uint32_t flags = 0) {
    ASSERT_EQ(writer_.Write(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), pts_us, 33333, flags), 0);
  }

  std::string TakeText() {
    StreamFrame frame;
    if (!follower_.Take(&frame)) return "<none>";
    return std::string(frame.data.begin(), frame.data.end());
  }

  static void Truncate(const std::string& path, off_t size) { ASSERT_EQ(::truncate(path.c_str(), size), 0); }
  static void Append(const std::string& path, const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ::close(fd);
  }

  util::file::ScopedTempDir dir_;
  std::string data_;
  RawStreamWriter writer_;
  StreamFollower follower_;
};

TEST_F(StreamFollowerTest, HandsOutEachFrameOnceAsTheStreamGrows) {
  Write("first", 0, kRawFlagKeyFrame | kRawFlagSegmentStart);
  ASSERT_TRUE(follower_.Open(data_, data_ + "idx"));
  EXPECT_EQ(follower_.Poll(), 1u);
  EXPECT_EQ(TakeText(), "first");
  EXPECT_EQ(follower_.Poll(), 0u);
  EXPECT_EQ(TakeText(), "<none>");

  Write("second", 33333);
  Write("third", 66666);
  EXPECT_EQ(follower_.Poll(), 2u);
  EXPECT_EQ(TakeText(), "second");
  EXPECT_EQ(follower_.Poll(), 1u);
  EXPECT_EQ(TakeText(), "third");
  EXPECT_EQ(follower_.taken(), 3u);
  EXPECT_EQ(follower_.indexed_end_us(), 99999);
}

TEST_F(StreamFollowerTest, AnIndexAheadOfItsDataWaitsForTheBytes) {
  Write("aaaa", 0, kRawFlagKeyFrame);
  Write("bbbbbbbb", 33333);
  // The record of the second frame is visible before all of its bytes are.
  Truncate(data_, 6);
  ASSERT_TRUE(follower_.Open(data_, data_ + "idx"));
  EXPECT_EQ(follower_.Poll(), 1u);
  EXPECT_EQ(TakeText(), "aaaa");
  EXPECT_EQ(TakeText(), "<none>");
  Append(data_, "bbbbbb");
  EXPECT_EQ(follower_.Poll(), 1u);
  EXPECT_EQ(TakeText(), "bbbbbbbb");
}

TEST_F(StreamFollowerTest, ATornRecordAtTheEndIsNeverReadUntilItIsWhole) {
  Write("aaaa", 0, kRawFlagKeyFrame);
  Write("bbbb", 33333);
  const std::string index = data_ + "idx";
  std::string whole;
  ASSERT_TRUE(util::file::ReadFileToString(index, &whole));
  // Half of the last record is on disk.
  Truncate(index, static_cast<off_t>(whole.size() - 16));
  ASSERT_TRUE(follower_.Open(data_, index));
  EXPECT_EQ(follower_.Poll(), 1u);
  EXPECT_EQ(TakeText(), "aaaa");
  EXPECT_EQ(follower_.Poll(), 0u);
  Append(index, whole.substr(whole.size() - 16));
  EXPECT_EQ(follower_.Poll(), 1u);
  EXPECT_EQ(TakeText(), "bbbb");
}

TEST_F(StreamFollowerTest, AGarbledRecordStopsTheStreamThere) {
  Write("aaaa", 0, kRawFlagKeyFrame);
  const std::string index = data_ + "idx";
  Append(data_, "zzzz");
  Append(index, std::string(32, '\x5a'));  // a record whose checksum does not match
  ASSERT_TRUE(follower_.Open(data_, index));
  EXPECT_EQ(follower_.Poll(), 1u);
  EXPECT_EQ(TakeText(), "aaaa");
  EXPECT_EQ(follower_.Poll(), 0u);
}

TEST_F(StreamFollowerTest, APauseLeavesTheTimelineContinuousAndMarksTheNewSegment) {
  Write("a", 0, kRawFlagKeyFrame | kRawFlagSegmentStart);
  Write("b", 33333);
  // Paused here for a while: the timeline does not move, the next segment starts at the end.
  Write("c", 66666, kRawFlagKeyFrame | kRawFlagSegmentStart);
  ASSERT_TRUE(follower_.Open(data_, data_ + "idx"));
  ASSERT_EQ(follower_.Poll(), 3u);
  StreamFrame frame;
  ASSERT_TRUE(follower_.Take(&frame));
  ASSERT_TRUE(follower_.Take(&frame));
  const int64_t end = frame.record.end_us();
  ASSERT_TRUE(follower_.Take(&frame));
  EXPECT_EQ(frame.record.pts_us, end);
  EXPECT_TRUE(frame.record.flags & kRawFlagSegmentStart);
}

TEST_F(StreamFollowerTest, AnIndexUnderAnotherNameIsFollowed) {
  Write("aaaa", 0, kRawFlagKeyFrame);
  const std::string copy = data_ + ".idx";
  std::string index;
  ASSERT_TRUE(util::file::ReadFileToString(data_ + "idx", &index));
  ASSERT_TRUE(util::file::WriteFileAtomically(copy, index));
  ASSERT_TRUE(follower_.Open(data_, copy));
  EXPECT_EQ(follower_.Poll(), 1u);
  EXPECT_FALSE(StreamFollower().Open(data_, dir_.path() + "/missing.idx"));
}

}  // namespace
}  // namespace qr_transcoder
