#include "host/base/json/json_value.h"

#include <gtest/gtest.h>

namespace base::json {
namespace {

TEST(JsonValueTest, ParseNeverThrowsAndTellsBadText) {
  for (const char* text : {"", "{", "[1,]", "nul", "{\"a\":1}}", "\xff\xfe"}) {
    const JsonValue value = JsonValue::Parse(text);
    EXPECT_FALSE(value.IsValid()) << text;
    EXPECT_TRUE(value.IsNull());
  }
  EXPECT_TRUE(JsonValue::Parse("{\"a\":1}").IsValid());
}

TEST(JsonValueTest, MissingMembersAndWrongTypesGiveDefaults) {
  const JsonValue v = JsonValue::Parse(R"({"s":"x","i":5,"r":2.5,"b":true,"n":null,"a":[1,2],"o":{"k":1}})");
  EXPECT_TRUE(v.Contain("n"));
  EXPECT_FALSE(v.Contain("missing"));
  EXPECT_EQ(v["missing"]["deeper"][3].AsString("d"), "d");
  EXPECT_EQ(v["s"].AsInteger(7), 7);
  EXPECT_EQ(v["i"].AsString("d"), "d");
  EXPECT_EQ(v["i"].AsReal(), 5.0);
  EXPECT_EQ(v["r"].AsInteger(9), 9);
  EXPECT_EQ(v["b"].AsInteger(3), 3);
  EXPECT_EQ(v["a"][5].AsInteger(-1), -1);
  EXPECT_EQ(v["a"]["x"].AsInteger(-1), -1);
  EXPECT_EQ(v["o"][0].AsInteger(-1), -1);
  EXPECT_TRUE(v["i"].IsInteger());
  EXPECT_TRUE(v["r"].IsReal());
  EXPECT_TRUE(v["r"].IsNumeric());
}

TEST(JsonValueTest, LargeAndNegativeNumbers) {
  const JsonValue v = JsonValue::Parse(R"({"u":18446744073709551615,"neg":-5,"big":1e30,"whole":4.0})");
  EXPECT_EQ(v["u"].AsInteger(-1), -1);
  EXPECT_EQ(v["u"].AsUnsigned(), 18446744073709551615u);
  EXPECT_EQ(v["neg"].AsUnsigned(3), 3u);
  EXPECT_EQ(v["big"].AsInteger(-1), -1);
  EXPECT_EQ(v["whole"].AsInteger(), 4);
}

TEST(JsonValueTest, CopiesAreIndependent) {
  JsonValue original = JsonValue::Parse(R"({"a":{"b":1}})");
  JsonValue copy = original;
  copy.SetJsonObject("c", 2);
  EXPECT_FALSE(original.Contain("c"));
  JsonValue child = original["a"];
  child.SetJsonObject("b", 5);
  EXPECT_EQ(original["a"]["b"].AsInteger(), 1);
  EXPECT_EQ(child["b"].AsInteger(), 5);
}

TEST(JsonValueTest, BuildingObjectsAndArrays) {
  JsonValue body;
  body.SetJsonObject("name", "x").SetJsonObject("count", int64_t{9007199254740993});
  JsonValue list;
  list.AddaJsonObject(1).AddaJsonObject("two").AddaJsonObject(body);
  body.SetJsonObject("list", list);
  EXPECT_TRUE(body.IsObject());
  EXPECT_EQ(body["list"].Size(), 3u);
  EXPECT_EQ(body["count"].AsInteger(), 9007199254740993);
  const JsonValue reparsed = JsonValue::Parse(body.ToStyledString());
  EXPECT_EQ(reparsed, body);
  EXPECT_EQ(JsonValue::Parse(body.ToCompactString()), body);
  EXPECT_EQ(body.ToCompactString().find('\n'), std::string::npos);
}

TEST(JsonValueTest, MemberIteration) {
  const JsonValue v = JsonValue::Parse(R"({"b":2,"a":1})");
  std::vector<std::string> keys;
  int64_t sum = 0;
  v.ForEachMember([&](const std::string& key, const JsonValue& value) {
    keys.push_back(key);
    sum += value.AsInteger();
  });
  EXPECT_EQ(keys, v.MemberNames());
  EXPECT_EQ(sum, 3);
  size_t count = 0;
  JsonValue::Parse("[1,2,3]").ForEachElement([&](size_t, const JsonValue&) { ++count; });
  EXPECT_EQ(count, 3u);
}

TEST(JsonValueTest, RemoveMember) {
  JsonValue v = JsonValue::Parse(R"({"a":1,"b":2})");
  const JsonValue before = v;
  EXPECT_TRUE(v.RemoveMember("a"));
  EXPECT_FALSE(v.RemoveMember("a"));
  EXPECT_FALSE(v.Contain("a"));
  EXPECT_TRUE(before.Contain("a"));
}

}  // namespace
}  // namespace base::json
