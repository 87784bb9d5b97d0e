#include "api/page_cursor.h"

#include <gtest/gtest.h>

#include "common/crypto.h"

namespace qr_backend {
namespace {

TEST(BackendPageCursorTest, RoundTripsAndRefusesForeignText) {
  const ListCursor cursor{1700000000123, "qrabc"};
  const auto decoded = DecodeCursor(EncodeCursor(cursor));
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->key, cursor.key);
  EXPECT_EQ(decoded->uni_record_id, cursor.uni_record_id);
  EXPECT_FALSE(DecodeCursor("not base64 !"));
  EXPECT_FALSE(DecodeCursor(Base64Encode("12")));
  EXPECT_FALSE(DecodeCursor(Base64Encode("x:qr")));
  EXPECT_FALSE(DecodeCursor(Base64Encode("12:")));
}

TEST(BackendPageCursorTest, ASnapshotCursorKeepsItsSnapshotAndPosition) {
  const ListCursor cursor{1700000000, "qrabc", 42, 120};
  const auto decoded = DecodeCursor(EncodeCursor(cursor));
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->key, cursor.key);
  EXPECT_EQ(decoded->uni_record_id, "qrabc");
  EXPECT_EQ(decoded->snapshot_id, 42);
  EXPECT_EQ(decoded->position, 120);
  EXPECT_EQ(DecodeCursor(EncodeCursor({7, "qrabc"}))->snapshot_id, 0);
  EXPECT_FALSE(DecodeCursor(Base64Encode("12:qr:0:3")));
  EXPECT_FALSE(DecodeCursor(Base64Encode("12:qr:5")));
  EXPECT_FALSE(DecodeCursor(Base64Encode("12:qr:5:x")));
}

}  // namespace
}  // namespace qr_backend
