#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <vector>

#include <gtest/gtest.h>

#include "host/media/stream/raw_stream_reader.h"
#include "host/media/stream/raw_stream_writer.h"
#include "host/util/scoped_temp_dir.h"

namespace kvp::av {
namespace {

constexpr uint32_t kFrameUs = 33'333;

std::vector<uint8_t> FrameBytes(size_t index, size_t size = 100) {
  std::vector<uint8_t> bytes(size + index);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(index * 31 + i);
  return bytes;
}

void AppendRaw(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::app).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

class RawStreamTest : public ::testing::Test {
 protected:
  std::string data_path() const { return dir_.Child("clip.kovtv"); }
  std::string index_path() const { return dir_.Child("clip.kovtvidx"); }

  // Writes `count` frames continuing at `first`; the first one is a key frame.
  void WriteFrames(RawStreamWriter& writer, size_t first, size_t count) {
    for (size_t i = first; i < first + count; ++i) {
      const auto bytes = FrameBytes(i);
      ASSERT_EQ(kOk, writer.Write(bytes.data(), bytes.size(), static_cast<int64_t>(i) * kFrameUs, kFrameUs,
                                  i == first ? kRawFlagKeyFrame : 0));
    }
  }

  util::file::ScopedTempDir dir_;
};

TEST(RawStreamFormatTest, HeaderAndRecordSurviveEncoding) {
  uint8_t bytes[kRawIndexRecordSize];
  const RawIndexRecord record{1ull << 40, 4000, kRawFlagKeyFrame | kRawFlagSegmentStart, -21'333, 21'333};
  EncodeRawIndexRecord(record, bytes);
  RawIndexRecord decoded;
  ASSERT_TRUE(DecodeRawIndexRecord(bytes, &decoded));
  EXPECT_EQ(record, decoded);

  const auto header = RawIndexHeader::Audio(48000, 2, 1024);
  uint8_t header_bytes[kRawIndexHeaderSize];
  EncodeRawIndexHeader(header, header_bytes);
  RawIndexHeader decoded_header;
  ASSERT_TRUE(DecodeRawIndexHeader(header_bytes, &decoded_header));
  EXPECT_EQ(header, decoded_header);
}

TEST(RawStreamFormatTest, DamagedOrZeroedRecordsAreRejected) {
  uint8_t bytes[kRawIndexRecordSize];
  EncodeRawIndexRecord({0, 10, 0, 0, kFrameUs}, bytes);
  bytes[9] ^= 0x01;
  RawIndexRecord decoded;
  EXPECT_FALSE(DecodeRawIndexRecord(bytes, &decoded));
  // What a file system may show after a crash: the length grew but the bytes never arrived.
  const uint8_t zeros[kRawIndexRecordSize] = {};
  EXPECT_FALSE(DecodeRawIndexRecord(zeros, &decoded));
  const uint8_t zero_header[kRawIndexHeaderSize] = {};
  RawIndexHeader header;
  EXPECT_FALSE(DecodeRawIndexHeader(zero_header, &header));
}

TEST(RawStreamFormatTest, CrcMatchesTheStandardCheckValue) {
  const std::string text = "123456789";
  EXPECT_EQ(0xCBF43926u, RawCrc32(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

TEST_F(RawStreamTest, ReaderSeesEveryWrittenFrame) {
  RawStreamWriter writer;
  const auto opened = writer.Open(data_path(), RawIndexHeader::Video(1280, 720, 30));
  ASSERT_EQ(kOk, opened.code);
  EXPECT_FALSE(opened.appended);
  WriteFrames(writer, 0, 5);

  RawStreamReader reader;
  ASSERT_TRUE(reader.Open(data_path()));
  ASSERT_TRUE(reader.has_header());
  EXPECT_EQ(RawIndexHeader::Video(1280, 720, 30), reader.header());
  ASSERT_EQ(5u, reader.records().size());
  EXPECT_EQ(5 * kFrameUs, reader.EndUs());
  EXPECT_TRUE(reader.records()[0].flags & kRawFlagKeyFrame);
  for (size_t i = 0; i < 5; ++i) {
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(reader.ReadFrame(i, &bytes));
    EXPECT_EQ(FrameBytes(i), bytes);
  }
  EXPECT_FALSE(reader.ReadFrame(5, nullptr));
}

TEST_F(RawStreamTest, ReaderFollowsAGrowingStream) {
  RawStreamWriter writer;
  ASSERT_EQ(kOk, writer.Open(data_path(), RawIndexHeader::Video(640, 480, 30)).code);
  RawStreamReader reader;
  ASSERT_TRUE(reader.Open(data_path()));
  EXPECT_TRUE(reader.has_header());
  EXPECT_TRUE(reader.records().empty());
  WriteFrames(writer, 0, 3);
  EXPECT_EQ(3u, reader.Refresh());
  WriteFrames(writer, 3, 2);
  EXPECT_EQ(2u, reader.Refresh());
  EXPECT_EQ(0u, reader.Refresh());
  EXPECT_EQ(5u, reader.records().size());
}

TEST_F(RawStreamTest, TornTailIsIgnoredUntilItIsComplete) {
  RawStreamWriter writer;
  ASSERT_EQ(kOk, writer.Open(data_path(), RawIndexHeader::Video(640, 480, 30)).code);
  WriteFrames(writer, 0, 3);
  writer.Close();

  // A fourth frame whose bytes are in but whose record is only half written.
  const auto bytes = FrameBytes(3);
  AppendRaw(data_path(), bytes);
  uint8_t record[kRawIndexRecordSize];
  EncodeRawIndexRecord({std::filesystem::file_size(data_path()) - bytes.size(), static_cast<uint32_t>(bytes.size()), 0,
                        3 * kFrameUs, kFrameUs},
                       record);
  AppendRaw(index_path(), std::vector<uint8_t>(record, record + 10));

  RawStreamReader reader;
  ASSERT_TRUE(reader.Open(data_path()));
  EXPECT_EQ(3u, reader.records().size());
  EXPECT_EQ(0u, reader.Refresh());
  AppendRaw(index_path(), std::vector<uint8_t>(record + 10, record + kRawIndexRecordSize));
  EXPECT_EQ(1u, reader.Refresh());
  std::vector<uint8_t> read;
  ASSERT_TRUE(reader.ReadFrame(3, &read));
  EXPECT_EQ(bytes, read);
}

TEST_F(RawStreamTest, RecordAheadOfItsBytesWaitsForThem) {
  RawStreamWriter writer;
  ASSERT_EQ(kOk, writer.Open(data_path(), RawIndexHeader::Video(640, 480, 30)).code);
  WriteFrames(writer, 0, 2);
  writer.Close();
  const uint64_t data_end = std::filesystem::file_size(data_path());
  uint8_t record[kRawIndexRecordSize];
  EncodeRawIndexRecord({data_end, 50, 0, 2 * kFrameUs, kFrameUs}, record);
  AppendRaw(index_path(), std::vector<uint8_t>(record, record + kRawIndexRecordSize));

  RawStreamReader reader;
  ASSERT_TRUE(reader.Open(data_path()));
  EXPECT_EQ(2u, reader.records().size());
  AppendRaw(data_path(), std::vector<uint8_t>(50, 7));
  EXPECT_EQ(1u, reader.Refresh());
}

TEST_F(RawStreamTest, GarbageRecordStopsTheStream) {
  RawStreamWriter writer;
  ASSERT_EQ(kOk, writer.Open(data_path(), RawIndexHeader::Video(640, 480, 30)).code);
  WriteFrames(writer, 0, 2);
  writer.Close();
  AppendRaw(index_path(), std::vector<uint8_t>(kRawIndexRecordSize, 0));
  RawStreamReader reader;
  ASSERT_TRUE(reader.Open(data_path()));
  EXPECT_EQ(2u, reader.records().size());
}

TEST_F(RawStreamTest, MissingHeaderMeansNoFramesYet) {
  AppendRaw(data_path(), FrameBytes(0));
  AppendRaw(index_path(), std::vector<uint8_t>(12, 'K'));
  RawStreamReader reader;
  ASSERT_TRUE(reader.Open(data_path()));
  EXPECT_FALSE(reader.has_header());
  EXPECT_TRUE(reader.records().empty());
  EXPECT_EQ(0, reader.EndUs());
}

TEST_F(RawStreamTest, ResumeAppendCutsTheTornTailAndContinues) {
  {
    RawStreamWriter writer;
    ASSERT_EQ(kOk, writer.Open(data_path(), RawIndexHeader::Video(1920, 1080, 30)).code);
    WriteFrames(writer, 0, 4);
  }
  // A killed process left half a frame and a third of a record behind.
  AppendRaw(data_path(), std::vector<uint8_t>(37, 0xAB));
  AppendRaw(index_path(), std::vector<uint8_t>(11, 0xCD));

  RawStreamWriter writer;
  // A resume asks for another size, but the stream keeps the one it has.
  const auto opened = writer.Open(data_path(), RawIndexHeader::Video(1280, 720, 15));
  ASSERT_EQ(kOk, opened.code);
  EXPECT_TRUE(opened.appended);
  EXPECT_EQ(4u, opened.frames);
  EXPECT_EQ(4 * kFrameUs, opened.end_us);
  EXPECT_EQ(RawIndexHeader::Video(1920, 1080, 30), opened.header);
  WriteFrames(writer, 4, 3);
  writer.Close();

  RawStreamReader reader;
  ASSERT_TRUE(reader.Open(data_path()));
  ASSERT_EQ(7u, reader.records().size());
  EXPECT_EQ(std::filesystem::file_size(data_path()), reader.valid_data_size());
  EXPECT_EQ(std::filesystem::file_size(index_path()), reader.valid_index_size());
  for (size_t i = 1; i < reader.records().size(); ++i) {
    EXPECT_EQ(reader.records()[i - 1].end_us(), reader.records()[i].pts_us) << "frame " << i;
  }
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(reader.ReadFrame(4, &bytes));
  EXPECT_EQ(FrameBytes(4), bytes);
}

TEST_F(RawStreamTest, FilesOfAnotherKindAreNotTouched) {
  {
    RawStreamWriter writer;
    ASSERT_EQ(kOk, writer.Open(data_path(), RawIndexHeader::Audio(48000, 2, 1024)).code);
    WriteFrames(writer, 0, 2);
  }
  const auto size = std::filesystem::file_size(data_path());
  RawStreamWriter writer;
  EXPECT_EQ(kErrFileFormat, writer.Open(data_path(), RawIndexHeader::Video(640, 480, 30)).code);
  EXPECT_EQ(size, std::filesystem::file_size(data_path()));
}

TEST_F(RawStreamTest, UnreadableIndexStartsAfresh) {
  AppendRaw(data_path(), FrameBytes(0, 500));
  AppendRaw(index_path(), std::vector<uint8_t>(64, 0));
  RawStreamWriter writer;
  const auto opened = writer.Open(data_path(), RawIndexHeader::Video(640, 480, 30));
  ASSERT_EQ(kOk, opened.code);
  EXPECT_FALSE(opened.appended);
  EXPECT_EQ(0u, std::filesystem::file_size(data_path()));
  EXPECT_EQ(kRawIndexHeaderSize, std::filesystem::file_size(index_path()));
}

TEST_F(RawStreamTest, FullDeviceReportsNoSpaceAndStops) {
  std::filesystem::create_symlink("/dev/full", data_path());
  RawStreamWriter writer;
  ASSERT_EQ(kOk, writer.Open(data_path(), RawIndexHeader::Video(640, 480, 30)).code);
  const auto bytes = FrameBytes(0);
  EXPECT_EQ(kErrNoSpace, writer.Write(bytes.data(), bytes.size(), 0, kFrameUs, kRawFlagKeyFrame));
  EXPECT_EQ(kErrNoSpace, writer.failure());
  EXPECT_EQ(kErrNoSpace, writer.Write(bytes.data(), bytes.size(), kFrameUs, kFrameUs, 0));
  EXPECT_EQ(0u, writer.frames());
  EXPECT_EQ(kRawIndexHeaderSize, std::filesystem::file_size(index_path()));
}

TEST_F(RawStreamTest, FileSizeLimitLeavesAReadablePrefix) {
  // A child process hits its file size limit in the middle of the stream.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{20'000, 20'000};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    RawStreamWriter writer;
    if (writer.Open(data_path(), RawIndexHeader::Video(640, 480, 30)).code != kOk) ::_exit(2);
    for (int i = 0; i < 1000; ++i) {
      const auto bytes = FrameBytes(static_cast<size_t>(i), 700);
      const int32_t code = writer.Write(bytes.data(), bytes.size(), i * int64_t{kFrameUs}, kFrameUs, 0);
      if (code != kOk) ::_exit(code == kErrNoSpace && writer.frames() > 0 ? 0 : 3);
    }
    ::_exit(4);
  }
  int status = 0;
  ASSERT_EQ(child, ::waitpid(child, &status, 0));
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(0, WEXITSTATUS(status));

  RawStreamReader reader;
  ASSERT_TRUE(reader.Open(data_path()));
  ASSERT_GT(reader.records().size(), 10u);
  for (size_t i = 0; i < reader.records().size(); ++i) {
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(reader.ReadFrame(i, &bytes));
    EXPECT_EQ(FrameBytes(i, 700), bytes);
  }
}

}  // namespace
}  // namespace kvp::av
