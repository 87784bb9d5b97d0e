#include "common/field_reader.h"

#include <gtest/gtest.h>

namespace qr_backend {
namespace {

TEST(BackendFieldReaderTest, AbsentMembersGiveFallbacksUnlessRequired) {
  const nlohmann::json body = {{"a", nullptr}};
  FieldReader fields(body);
  EXPECT_EQ(fields.Text("a", false, "x"), "x");  // null counts as absent
  EXPECT_EQ(fields.Integer("n", false, 7), 7);
  EXPECT_TRUE(fields.ok());
  fields.Text("needed", true);
  EXPECT_EQ(fields.error(), "\"needed\" is missing");
}

TEST(BackendFieldReaderTest, WrongTypesAreErrorsAndTheFirstOneIsKept) {
  const nlohmann::json body = {{"s", 1}, {"n", "1"}, {"size", "12a"}};
  FieldReader fields(body);
  fields.Text("s");
  fields.Integer("n");
  EXPECT_EQ(fields.error(), "\"s\" must be a string");
  FieldReader decimal(body);
  decimal.DecimalText("size");
  EXPECT_FALSE(decimal.ok());
}

TEST(BackendFieldReaderTest, DecimalTextReadsWholeNumbersOnly) {
  const nlohmann::json body = {{"ok", "4194304"}, {"empty", ""}, {"number", 5}};
  FieldReader fields(body);
  EXPECT_EQ(fields.DecimalText("ok"), 4194304);
  EXPECT_TRUE(fields.ok());
  fields.DecimalText("empty");
  EXPECT_FALSE(fields.ok());
  FieldReader number(body);
  number.DecimalText("number");  // a JSON number is not the text the wire format asks for
  EXPECT_FALSE(number.ok());
}

TEST(BackendFieldReaderTest, NonObjectBodyIsAnError) {
  const nlohmann::json body = nlohmann::json::array();
  FieldReader fields(body);
  EXPECT_FALSE(fields.ok());
  EXPECT_EQ(fields.Text("a"), "");
}

}  // namespace
}  // namespace qr_backend
