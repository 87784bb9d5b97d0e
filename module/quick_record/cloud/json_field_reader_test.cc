#include "module/quick_record/cloud/json_field_reader.h"

#include <gtest/gtest.h>

namespace quick_record {
namespace {

using base::json::JsonValue;

JsonValue Object(const std::string& value_json) { return JsonValue::Parse(R"({"k":)" + value_json + "}"); }

TEST(JsonFieldReaderTest, EveryReaderGivesItsDefaultForAnythingButItsType) {
  for (const char* wrong : {"null", "[1]", R"({"a":1})", "1.5", "true", R"("7")", "-3", "99999999999999999999"}) {
    const JsonValue object = Object(wrong);
    if (std::string(wrong) != R"("7")") {
      EXPECT_EQ(JsonFieldReader::Text(object, "k"), "") << wrong;
      EXPECT_EQ(JsonFieldReader::DecimalText(object, "k"), 0) << wrong;
    }
    if (std::string(wrong) != "true") {
      EXPECT_FALSE(JsonFieldReader::Bool(object, "k")) << wrong;
    }
  }
  EXPECT_EQ(JsonFieldReader::Int32(Object("null"), "k"), 0);
  EXPECT_EQ(JsonFieldReader::Int32(Object(R"("12")"), "k"), 0);
  EXPECT_EQ(JsonFieldReader::Int32(Object("2.0"), "k"), 0);
  EXPECT_EQ(JsonFieldReader::Int64(Object("[3]"), "k"), 0);
}

TEST(JsonFieldReaderTest, ReadsFromAnythingThatIsNoObjectGiveDefaults) {
  for (const JsonValue& not_object :
       {JsonValue(), JsonValue::Array(), JsonValue(5), JsonValue("text"), JsonValue::Parse("{broken")}) {
    EXPECT_EQ(JsonFieldReader::Text(not_object, "k"), "");
    EXPECT_EQ(JsonFieldReader::Int32(not_object, "k"), 0);
    EXPECT_FALSE(JsonFieldReader::BoolOrInteger(not_object, "k"));
    EXPECT_TRUE(JsonFieldReader::Objects(not_object["k"], [](const JsonValue&) { return 1; }).empty());
  }
}

TEST(JsonFieldReaderTest, Int32KeepsNegativesAndRefusesWhatDoesNotFit) {
  EXPECT_EQ(JsonFieldReader::Int32(Object("-7"), "k"), -7);
  EXPECT_EQ(JsonFieldReader::Int32(Object("2147483647"), "k"), 2147483647);
  EXPECT_EQ(JsonFieldReader::Int32(Object("2147483648"), "k"), 0);
  EXPECT_EQ(JsonFieldReader::Int32(Object("-2147483649"), "k"), 0);
  EXPECT_EQ(JsonFieldReader::Int64(Object("-9223372036854775808"), "k"), INT64_MIN);
  EXPECT_EQ(JsonFieldReader::Int64(Object("18446744073709551615"), "k"), 0);
}

TEST(JsonFieldReaderTest, DecimalTextReadsLeadingDigitsLikeAStream) {
  EXPECT_EQ(JsonFieldReader::ParseDecimal("4096"), 4096);
  EXPECT_EQ(JsonFieldReader::ParseDecimal("  -12"), -12);
  EXPECT_EQ(JsonFieldReader::ParseDecimal("12abc"), 12);
  EXPECT_EQ(JsonFieldReader::ParseDecimal("abc12"), 0);
  EXPECT_EQ(JsonFieldReader::ParseDecimal(""), 0);
  EXPECT_EQ(JsonFieldReader::ParseDecimal("99999999999999999999"), 0);
  EXPECT_EQ(JsonFieldReader::DecimalText(Object(R"("10737418240")"), "k"), 10737418240);
}

TEST(JsonFieldReaderTest, BoolOrIntegerTakesNonZeroIntegersAsTrue) {
  EXPECT_TRUE(JsonFieldReader::BoolOrInteger(Object("true"), "k"));
  EXPECT_TRUE(JsonFieldReader::BoolOrInteger(Object("2"), "k"));
  EXPECT_TRUE(JsonFieldReader::BoolOrInteger(Object("-1"), "k"));
  EXPECT_TRUE(JsonFieldReader::BoolOrInteger(Object("18446744073709551615"), "k"));
  EXPECT_FALSE(JsonFieldReader::BoolOrInteger(Object("0"), "k"));
  EXPECT_FALSE(JsonFieldReader::BoolOrInteger(Object(R"("true")"), "k"));
}

TEST(JsonFieldReaderTest, ObjectsSkipsElementsThatAreNoObjects) {
  const JsonValue array = JsonValue::Parse(R"([{"n":1}, 2, null, "x", [3], {"n":4}])");
  const auto read =
      JsonFieldReader::Objects(array, [](const JsonValue& item) { return JsonFieldReader::Int32(item, "n"); });
  EXPECT_EQ(read, (std::vector<int32_t>{1, 4}));
}

}  // namespace
}  // namespace quick_record
