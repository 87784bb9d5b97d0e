#include "host/base/variant/variant.h"

#include <limits>

#include <gtest/gtest.h>

namespace base::variant {
namespace {

TEST(VariantJsonTest, RoundTripsDocumentsExactly) {
  const std::string documents[] = {
      R"({"a":[1,-2,3.5,true,false,null,"x"],"b":{"c":{}}})",
      R"({"max":9223372036854775807,"min":-9223372036854775808,"umax":18446744073709551615})",
      R"([0,2147483647,-2147483648,2147483648,-2147483649,1.0,1e-07])",
      R"("text with \"quotes\" and \\ and unicode é")",
  };
  for (const auto& text : documents) {
    bool ok = false;
    const Variant v = Variant::FromJson(text, &ok);
    ASSERT_TRUE(ok) << text;
    EXPECT_EQ(Variant::FromJson(v.ToJson()), v) << text;
    EXPECT_EQ(Variant::FromJson(v.ToJson()).ToJson(), v.ToJson()) << text;
  }
}

TEST(VariantJsonTest, SixtyFourBitExtremesStayExactIntegers) {
  const Variant v = Variant::FromJson(R"({"max":9223372036854775807,"min":-9223372036854775808})");
  EXPECT_EQ(v.Get("max").type(), Variant::Type::kInt64);
  EXPECT_EQ(v.GetInt64("max"), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(v.GetInt64("min"), std::numeric_limits<int64_t>::min());
  EXPECT_EQ(v.ToJson(), R"({"max":9223372036854775807,"min":-9223372036854775808})");
}

TEST(VariantJsonTest, IntegersStayIntegersAndDoublesStayDoubles) {
  const Variant v = Variant::FromJson("[1, 1.0, 4294967296]");
  EXPECT_TRUE(v[0].IsInteger());
  EXPECT_EQ(v[1].type(), Variant::Type::kDouble);
  EXPECT_EQ(v[2].type(), Variant::Type::kInt64);
  EXPECT_EQ(v.ToJson(), "[1,1.0,4294967296]");
}

TEST(VariantJsonTest, BadTextGivesNullAndSaysSo) {
  bool ok = true;
  EXPECT_TRUE(Variant::FromJson("{\"a\":", &ok).IsNull());
  EXPECT_FALSE(ok);
  EXPECT_TRUE(Variant::FromJson("", &ok).IsNull());
  EXPECT_FALSE(ok);
}

TEST(VariantTest, IntegerReadAtAnotherWidthConvertsOnlyWhenItFits) {
  const Variant big(int64_t{5'000'000'000});
  EXPECT_EQ(big.AsInt32(-1), -1);
  EXPECT_EQ(big.AsUInt32(7), 7u);
  EXPECT_EQ(big.AsUInt64(), 5'000'000'000u);
  const Variant negative(int32_t{-3});
  EXPECT_EQ(negative.AsUInt32(9), 9u);
  EXPECT_EQ(negative.AsUInt64(9), 9u);
  EXPECT_EQ(negative.AsInt64(), -3);
  const Variant huge(std::numeric_limits<uint64_t>::max());
  EXPECT_EQ(huge.AsInt64(42), 42);
  EXPECT_EQ(Variant(uint32_t{4'000'000'000u}).AsInt32(1), 1);
  EXPECT_EQ(Variant(uint32_t{4'000'000'000u}).AsInt64(), 4'000'000'000);
  EXPECT_EQ(Variant(3.0).AsInt32(), 3);
  EXPECT_EQ(Variant(3.5).AsInt32(8), 8);
}

TEST(VariantTest, TypedReadsOfOtherTypesGiveTheDefault) {
  const Variant text("12");
  EXPECT_EQ(text.AsInt32(5), 5);
  EXPECT_FALSE(text.AsBool(false));
  EXPECT_EQ(Variant(true).AsString("d"), "d");
  EXPECT_EQ(Variant(1).AsBool(true), true);
  EXPECT_EQ(Variant().AsDouble(2.5), 2.5);
  EXPECT_TRUE(Variant(7).AsMap().empty());
}

TEST(VariantTest, MapAccess) {
  Variant v;
  v["a"]["b"] = 3;
  v.Set("c", "x");
  EXPECT_TRUE(v.IsMap());
  EXPECT_EQ(v.Get("a").GetInt32("b"), 3);
  EXPECT_TRUE(v.Has("c"));
  EXPECT_FALSE(v.Has("missing"));
  EXPECT_TRUE(v.Get("missing").IsNull());
  EXPECT_EQ(v.GetString("c"), "x");
  EXPECT_TRUE(v.Remove("c"));
  EXPECT_FALSE(v.Remove("c"));
  EXPECT_EQ(v.Size(), 1u);
}

TEST(VariantTest, IndexingTheWrongTypeNeverCorruptsTheValue) {
  Variant number(5);
  number["key"] = 9;
  EXPECT_EQ(number, Variant(5));
  Variant array = Variant::MakeArray();
  array.Add(1);
  array[7] = 3;
  EXPECT_EQ(array.Size(), 1u);
  EXPECT_TRUE(array[7].IsNull());
  EXPECT_TRUE(std::as_const(array)[-1].IsNull());
}

TEST(VariantTest, AddBuildsArraysAndRefusesOtherTypes) {
  Variant v;
  v.Add(1);
  v.Add("x");
  ASSERT_EQ(v.Size(), 2u);
  EXPECT_EQ(v[0].AsInt32(), 1);
  EXPECT_EQ(v[1].AsString(), "x");
  Variant number(3);
  number.Add(4);
  EXPECT_EQ(number, Variant(3));
}

TEST(VariantTest, NumbersCompareByValueAcrossWidths) {
  EXPECT_EQ(Variant(int32_t{5}), Variant(uint64_t{5}));
  EXPECT_EQ(Variant(int64_t{-1}), Variant(int32_t{-1}));
  EXPECT_NE(Variant(int64_t{-1}), Variant(std::numeric_limits<uint64_t>::max()));
  EXPECT_EQ(Variant(2), Variant(2.0));
  EXPECT_NE(Variant("2"), Variant(2));
  EXPECT_NE(Variant(true), Variant(1));
}

TEST(VariantTest, PointersAreTypedAndSharedPointersCoOwn) {
  struct Thing {
    int value = 4;
  };
  Thing thing;
  const Variant raw = Variant::FromPointer(&thing);
  EXPECT_EQ(raw.AsPointer<Thing>(), &thing);
  EXPECT_EQ(raw.AsPointer<int>(), nullptr);
  EXPECT_EQ(raw.ToJson(), "null");

  std::weak_ptr<Thing> weak;
  {
    Variant shared;
    {
      auto owned = std::make_shared<Thing>();
      weak = owned;
      shared = Variant::FromShared(owned);
    }
    ASSERT_FALSE(weak.expired());
    EXPECT_EQ(shared.AsShared<Thing>()->value, 4);
    EXPECT_EQ(shared.AsShared<int>(), nullptr);
  }
  EXPECT_TRUE(weak.expired());
}

TEST(VariantTest, ToStringGivesStringsAsTheyAre) {
  EXPECT_EQ(Variant("plain").ToString(), "plain");
  EXPECT_EQ(Variant(12).ToString(), "12");
}

}  // namespace
}  // namespace base::variant
