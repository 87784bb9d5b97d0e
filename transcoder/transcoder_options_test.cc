#include "transcoder/transcoder_options.h"

#include <gtest/gtest.h>

namespace qr_transcoder {
namespace {

std::optional<TranscoderOptions> Parse(std::vector<std::string> args) {
  std::string error;
  return TranscoderOptions::Parse(args, &error);
}

TEST(TranscoderOptionsTest, RecordingPartsAreTheSmallestTheStoreTakesUnlessAskedOtherwise) {
  // The host starts the process with "--uid" only: its first part must go up at 5 MiB muxed,
  // not later, or the upload shows nothing for most of a short recording.
  const auto defaults = Parse({"--uid=YWxpY2U="});
  ASSERT_TRUE(defaults);
  EXPECT_EQ(defaults->settings.upload.part_size, 5ull << 20);

  const auto larger = Parse({"--part-size-mib=8"});
  ASSERT_TRUE(larger);
  EXPECT_EQ(larger->settings.upload.part_size, 8ull << 20);
}

TEST(TranscoderOptionsTest, PartsBelowTheStoreMinimumAndUnknownOptionsAreRefused) {
  std::string error;
  EXPECT_FALSE(TranscoderOptions::Parse({"--part-size-mib=4"}, &error));
  EXPECT_EQ(error, "bad value in --part-size-mib=4");
  EXPECT_FALSE(TranscoderOptions::Parse({"--part-size=5"}, &error));
  EXPECT_EQ(error, "unknown option --part-size=5");
}

}  // namespace
}  // namespace qr_transcoder
