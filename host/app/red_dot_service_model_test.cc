#include "host/app/red_dot_service_model.h"

#include <gtest/gtest.h>

#include <vector>

#include "host/base/threading/test_task_environment.h"

namespace host::app {
namespace {

using base::variant::Variant;

constexpr char kPath[] = "quick_record_home://quick_record.tab.all_record_file_digital_red_dot";

Variant Args(const std::string& path) {
  Variant args;
  args.Set("path", path);
  return args;
}

TEST(RedDotServiceModelTest, AnswersIsShowByPathAndAnnouncesChanges) {
  base::test::TestTaskEnvironment env;
  auto model = std::make_shared<RedDotServiceModel>();
  std::vector<Variant> updates;
  model->Subscribe(kRedDotUpdatedEvent, framework::NewSubscriberId(),
                   [&](int32_t, const Variant& payload) { updates.push_back(payload); });
  Variant result;
  ASSERT_TRUE(model->Call(kRedDotQuery, Args(kPath), &result));
  EXPECT_FALSE(result.GetBool("is_show", true));

  Variant set = Args(kPath);
  set.Set("is_show", true);
  ASSERT_TRUE(model->Call(kRedDotSet, set, nullptr));
  ASSERT_TRUE(model->Call(kRedDotSet, set, nullptr));  // no change, no second event
  ASSERT_TRUE(model->Call(kRedDotQuery, Args(kPath), &result));
  EXPECT_TRUE(result.GetBool("is_show"));
  ASSERT_TRUE(model->Call(kRedDotQuery, Args("other/path"), &result));
  EXPECT_FALSE(result.GetBool("is_show", true));

  model->SetRedDot(kPath, false);
  model->SetRedDot("never/shown", false);  // off to off is no change either
  env.RunUntilIdle();
  ASSERT_EQ(updates.size(), 2u);
  EXPECT_EQ(updates[0].GetString("path"), kPath);
  EXPECT_TRUE(updates[0].GetBool("is_show"));
  EXPECT_FALSE(updates[1].GetBool("is_show", true));
  EXPECT_FALSE(model->Call(kRedDotSet, Args(""), nullptr));
}

}  // namespace
}  // namespace host::app
