#include "host/sdk/xmpp/push_line_decoder.h"

#include <gtest/gtest.h>

#include "host/base/logging/logger.h"

namespace KOVANI_SIGNAL {
namespace {

constexpr char kStanza[] = R"(<message id="3" type="push"><push xmlns="a:meetlog_push"><cmd>1</cmd></push></message>)";

TEST(PushLineDecoderTest, DecodesLinesHoweverTheBytesAreSplit) {
  const std::string stream = std::string("<ping/>\n") + kStanza + "\r\n" + kStanza + "\n";
  for (size_t piece = 1; piece <= stream.size(); ++piece) {
    PushLineDecoder decoder;
    int heartbeats = 0;
    std::vector<std::string> ids;
    for (size_t at = 0; at < stream.size(); at += piece) {
      auto decoded = decoder.Feed(std::string_view(stream).substr(at, piece));
      heartbeats += decoded.heartbeats;
      for (const auto& stanza : decoded.stanzas) ids.push_back(stanza.Id());
      EXPECT_EQ(decoded.dropped, 0);
    }
    EXPECT_EQ(heartbeats, 1) << piece;
    EXPECT_EQ(ids, (std::vector<std::string>{"3", "3"})) << piece;
  }
}

TEST(PushLineDecoderTest, AnUnfinishedLineWaitsForItsEnd) {
  PushLineDecoder decoder;
  EXPECT_TRUE(decoder.Feed(kStanza).stanzas.empty());
  EXPECT_EQ(decoder.Feed("\n").stanzas.size(), 1u);
}

TEST(PushLineDecoderTest, MalformedLinesAreDroppedWithALogAndTheRestGoesOn) {
  base::logging::ScopedLogCapture logs;
  PushLineDecoder decoder;
  const auto decoded =
      decoder.Feed(std::string("<message id='1'><push>\n\n   \n&&&\n") + kStanza + "\n<a></b>\n");
  EXPECT_EQ(decoded.dropped, 3);
  ASSERT_EQ(decoded.stanzas.size(), 1u);
  EXPECT_EQ(decoded.stanzas[0].Id(), "3");
  EXPECT_TRUE(logs.Contains("push: dropped a malformed stanza"));
}

TEST(PushLineDecoderTest, AnOverlongLineIsDroppedAndTheNextOneIsRead) {
  base::logging::ScopedLogCapture logs;
  PushLineDecoder decoder;
  const std::string chunk(64 * 1024, 'x');
  int dropped = 0;
  for (size_t sent = 0; sent <= PushLineDecoder::kMaxLineBytes; sent += chunk.size()) {
    dropped += decoder.Feed(chunk).dropped;
  }
  auto decoded = decoder.Feed(std::string("still the long line\n") + kStanza + "\n");
  dropped += decoded.dropped;
  EXPECT_EQ(dropped, 1);
  ASSERT_EQ(decoded.stanzas.size(), 1u);
  EXPECT_TRUE(logs.Contains("push: dropped a line longer than"));
}

}  // namespace
}  // namespace KOVANI_SIGNAL
