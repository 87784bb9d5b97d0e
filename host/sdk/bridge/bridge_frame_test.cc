#include "host/sdk/bridge/bridge_frame.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace kovanisdk::bridge {
namespace {

std::vector<BridgeFrame> DrainAll(BridgeFrameReader* reader) {
  std::vector<BridgeFrame> frames;
  BridgeFrame frame;
  while (reader->Next(&frame) == BridgeFrameReader::Status::kFrame) frames.push_back(frame);
  return frames;
}

TEST(BridgeFrameTest, LayoutIsMagicLengthsNameText) {
  const std::string frame = EncodeFrame("ab", "xyz");
  EXPECT_EQ(frame, std::string("QRB1\x02\0\0\0\x03\0\0\0abxyz", 17));
}

TEST(BridgeFrameTest, FramesSplitAtEveryByteArriveIntact) {
  const std::string stream = EncodeFrame("quick_record:start_transcode", R"({"instance_id":"1"})") +
                             EncodeFrame("empty", "") + EncodeFrame("n", std::string(1000, 'z'));
  BridgeFrameReader reader;
  std::vector<BridgeFrame> frames;
  for (char byte : stream) {
    reader.Append(&byte, 1);
    for (auto& frame : DrainAll(&reader)) frames.push_back(frame);
  }
  ASSERT_EQ(frames.size(), 3u);
  EXPECT_EQ(frames[0].name, "quick_record:start_transcode");
  EXPECT_EQ(frames[0].text, R"({"instance_id":"1"})");
  EXPECT_EQ(frames[1].name, "empty");
  EXPECT_EQ(frames[1].text, "");
  EXPECT_EQ(frames[2].text, std::string(1000, 'z'));
  EXPECT_EQ(reader.buffered(), 0u);
}

TEST(BridgeFrameTest, EightMebibyteTextInRandomPieces) {
  std::string text(8 * 1024 * 1024, '\0');
  std::mt19937 random(7);
  for (auto& c : text) c = static_cast<char>(random());
  const std::string stream = EncodeFrame("big", text) + EncodeFrame("after", "tail");
  BridgeFrameReader reader;
  std::vector<BridgeFrame> frames;
  for (size_t pos = 0; pos < stream.size();) {
    const size_t piece = std::min<size_t>(1 + random() % 300'000, stream.size() - pos);
    reader.Append(stream.data() + pos, piece);
    pos += piece;
    for (auto& frame : DrainAll(&reader)) frames.push_back(std::move(frame));
  }
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].name, "big");
  EXPECT_TRUE(frames[0].text == text);
  EXPECT_EQ(frames[1].text, "tail");
}

TEST(BridgeFrameTest, ForeignOrOversizedStreamsAreErrorsForGood) {
  for (const std::string& bad : {std::string("GET / HTTP/1.1\r\n\r\n"),
                                 std::string("QRB1\0\0\0\0\0\0\0\0", 12),              // empty name
                                 std::string("QRB1\x01\x04\0\0\0\0\0\0", 12),          // name too long
                                 std::string("QRB1\x01\0\0\0\xff\xff\xff\xff", 12)}) {  // text too long
    BridgeFrameReader reader;
    reader.Append(bad.data(), bad.size());
    BridgeFrame frame;
    EXPECT_EQ(reader.Next(&frame), BridgeFrameReader::Status::kError);
    const std::string good = EncodeFrame("x", "y");
    reader.Append(good.data(), good.size());
    EXPECT_EQ(reader.Next(&frame), BridgeFrameReader::Status::kError);
  }
}

TEST(BridgeFrameTest, Validity) {
  EXPECT_FALSE(IsValidFrame("", "x"));
  EXPECT_TRUE(IsValidFrame(std::string(kMaxNameSize, 'n'), ""));
  EXPECT_FALSE(IsValidFrame(std::string(kMaxNameSize + 1, 'n'), ""));
}

}  // namespace
}  // namespace kovanisdk::bridge
