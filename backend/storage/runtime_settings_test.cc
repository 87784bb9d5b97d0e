#include "storage/runtime_settings.h"

#include <gtest/gtest.h>

#include "storage/settings_store.h"
#include "testing/test_database.h"

namespace qr_backend {
namespace {

RuntimeValues Defaults() { return {1000, {{"spam"}, 2}, {}}; }

TEST(BackendRuntimeSettingsTest, AdminChangesWinOverTheFileAcrossRestarts) {
  TestDatabase database;
  SettingsStore store(database.db());
  std::string error;
  ASSERT_TRUE(RuntimeSettings(store, Defaults()).Update({{"censor_review_polls", 0}}, &error))
      << error;

  database.Reopen();
  SettingsStore reopened(database.db());
  // The file's defaults changed meanwhile: keys the admin set keep their value, others follow.
  RuntimeSettings settings(reopened, {5000, {{"eggs"}, 9}, {}});
  const RuntimeValues values = settings.Get();
  EXPECT_EQ(values.censor.review_polls, 0);
  EXPECT_EQ(values.default_quota_bytes, 5000);
  EXPECT_EQ(values.censor.block_words, std::vector<std::string>{"eggs"});
}

TEST(BackendRuntimeSettingsTest, RefusesUnknownKeysAndWrongTypesWithoutChangingAnything) {
  TestDatabase database;
  SettingsStore store(database.db());
  RuntimeSettings settings(store, Defaults());
  std::string error;
  EXPECT_FALSE(settings.Update({{"censor_review_polls", 1}, {"quota", 5}}, &error));
  EXPECT_FALSE(settings.Update({{"censor_block_words", {"ok", 3}}}, &error));
  EXPECT_FALSE(settings.Update({{"default_quota_bytes", -1}}, &error));
  EXPECT_FALSE(settings.Update(nlohmann::json::array(), &error));
  EXPECT_EQ(settings.Get().censor.review_polls, 2);
  EXPECT_EQ(settings.Get().censor.block_words, std::vector<std::string>{"spam"});
  EXPECT_FALSE(store.Get("runtime_settings"));
}

TEST(BackendCensorPolicyTest, BlocksWordsAnywhereIgnoringCase) {
  const CensorPolicy policy{{"Secret", ""}, 1};
  EXPECT_TRUE(policy.Blocks("my TOP-SECRET plan"));
  EXPECT_FALSE(policy.Blocks("a harmless title"));
  EXPECT_FALSE(CensorPolicy{}.Blocks("anything"));
}

}  // namespace
}  // namespace qr_backend
