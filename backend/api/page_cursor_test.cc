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

}  // namespace
}  // namespace qr_backend
