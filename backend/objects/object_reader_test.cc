#include "objects/object_reader.h"

#include <gtest/gtest.h>

#include <fstream>

#include "testing/temp_dir.h"

namespace qr_backend {
namespace {

class BackendObjectReaderTest : public ::testing::Test {
 protected:
  // A reader over files holding `pieces` one after another; `claimed` overrides a size.
  std::unique_ptr<ObjectReader> ReaderOf(const std::vector<std::string>& pieces,
                                         std::optional<int64_t> claimed_last_size = {}) {
    std::vector<ObjectSegment> segments;
    StoredObject info;
    for (size_t i = 0; i < pieces.size(); ++i) {
      const std::string path = dir_.path() + "/" + std::to_string(i);
      std::ofstream(path, std::ios::binary) << pieces[i];
      int64_t size = static_cast<int64_t>(pieces[i].size());
      if (claimed_last_size && i + 1 == pieces.size()) size = *claimed_last_size;
      segments.push_back({path, info.size, size});
      info.size += size;
    }
    return std::make_unique<ObjectReader>(info, segments, nullptr);
  }

  static std::string Read(const ObjectReader& reader, int64_t offset, size_t size) {
    std::string out(size, '\0');
    const int64_t n = reader.ReadAt(offset, out.data(), size);
    return n < 0 ? "<error>" : out.substr(0, static_cast<size_t>(n));
  }

  TempDir dir_;
};

TEST_F(BackendObjectReaderTest, EveryRangeReadsTheBytesOfTheJoinedFiles) {
  const std::vector<std::string> pieces = {"abc", "", "defg", "h", "", "ijklm"};
  std::string whole;
  for (const auto& piece : pieces) whole += piece;
  const auto reader = ReaderOf(pieces);
  for (size_t offset = 0; offset <= whole.size(); ++offset) {
    for (size_t size = 0; size <= whole.size() - offset + 2; ++size) {
      EXPECT_EQ(Read(*reader, static_cast<int64_t>(offset), size), whole.substr(offset, size))
          << offset << "+" << size;
    }
  }
}

TEST_F(BackendObjectReaderTest, ReadingJumpsBackAndForthBetweenFiles) {
  const auto reader = ReaderOf({"0123", "4567", "89"});
  EXPECT_EQ(Read(*reader, 8, 2), "89");
  EXPECT_EQ(Read(*reader, 0, 2), "01");
  EXPECT_EQ(Read(*reader, 3, 3), "345");
  EXPECT_EQ(Read(*reader, 10, 4), "");
}

TEST_F(BackendObjectReaderTest, AFileShorterThanItsSegmentIsAnError) {
  const auto reader = ReaderOf({"abc", "de"}, 5);
  EXPECT_EQ(Read(*reader, 0, 4), "abcd");
  EXPECT_EQ(Read(*reader, 0, 7), "<error>");
}

TEST_F(BackendObjectReaderTest, AMissingFileIsAnError) {
  const auto reader =
      std::make_unique<ObjectReader>(StoredObject{"b", "k", "", 3, "", ""},
                                     std::vector<ObjectSegment>{{dir_.path() + "/none", 0, 3}},
                                     nullptr);
  EXPECT_EQ(Read(*reader, 0, 3), "<error>");
}

}  // namespace
}  // namespace qr_backend
