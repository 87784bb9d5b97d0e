#include "host/framework/model/model_impl.h"

#include <vector>

#include <gtest/gtest.h>

#include "host/base/threading/test_task_environment.h"

namespace framework {
namespace {

constexpr int32_t kEvent = 7;

class TestModel : public ModelImpl {
 public:
  TestModel() : ModelImpl(0x1234) {
    BindMethod(1, [this](const Variant& args, Variant* result) {
      if (result) *result = args.GetInt32("x") * 2;
      last_caller = current_caller();
      return true;
    });
  }
  void Fire(int32_t event, const Variant& payload = {}) { FireEvent(event, payload); }
  void FireTo(int32_t event, SubscriberId id) { FireP2PEvent(event, id, Variant(1)); }
  SubscriberId last_caller = 0;
};

TEST(ModelImplTest, CallRunsTheBoundMethodAndReportsUnknownOnes) {
  auto model = std::make_shared<TestModel>();
  Variant args;
  args["x"] = 21;
  Variant result;
  EXPECT_TRUE(model->Call(1, args, &result));
  EXPECT_EQ(result.AsInt32(), 42);
  EXPECT_TRUE(model->Call(1, args, nullptr));
  EXPECT_FALSE(model->Call(2, args, &result));
  EXPECT_EQ(model->type(), 0x1234);
}

TEST(ModelImplTest, P2PCallNamesTheCallerOnlyDuringTheCall) {
  auto model = std::make_shared<TestModel>();
  EXPECT_TRUE(model->P2PCall(99, 1, Variant(), nullptr));
  EXPECT_EQ(model->last_caller, 99u);
  model->Call(1, Variant(), nullptr);
  EXPECT_EQ(model->last_caller, 0u);
}

TEST(ModelImplTest, EventsReachEverySubscriberOfTheirIdOnly) {
  auto model = std::make_shared<TestModel>();
  std::vector<std::string> calls;
  model->Subscribe(kEvent, 1, [&](int32_t, const Variant& p) { calls.push_back("a" + p.ToString()); });
  model->Subscribe(kEvent, 2, [&](int32_t, const Variant& p) { calls.push_back("b" + p.ToString()); });
  model->Subscribe(kEvent + 1, 3, [&](int32_t, const Variant&) { calls.push_back("other"); });
  model->Fire(kEvent, Variant("!"));
  EXPECT_EQ(calls, (std::vector<std::string>{"a!", "b!"}));
  calls.clear();
  model->FireTo(kEvent, 2);
  EXPECT_EQ(calls, (std::vector<std::string>{"b1"}));
}

TEST(ModelImplTest, SubscribingTwiceReplacesTheCallback) {
  auto model = std::make_shared<TestModel>();
  int first = 0, second = 0;
  model->Subscribe(kEvent, 1, [&](int32_t, const Variant&) { ++first; });
  model->Subscribe(kEvent, 1, [&](int32_t, const Variant&) { ++second; });
  model->Fire(kEvent);
  EXPECT_EQ(first, 0);
  EXPECT_EQ(second, 1);
  EXPECT_EQ(model->SubscriberCount(kEvent), 1u);
}

TEST(ModelImplTest, ACallbackMayUnsubscribeOthersWhileFiring) {
  auto model = std::make_shared<TestModel>();
  int b_calls = 0;
  model->Subscribe(kEvent, 1, [&](int32_t, const Variant&) { model->Unsubscribe(kEvent, 2); });
  model->Subscribe(kEvent, 2, [&](int32_t, const Variant&) { ++b_calls; });
  model->Fire(kEvent);
  EXPECT_EQ(b_calls, 0);  // removed before its turn: never called afterwards
  model->Fire(kEvent);
  EXPECT_EQ(b_calls, 0);
}

TEST(ModelImplTest, ACallbackMayUnsubscribeItselfAndSubscribeOthers) {
  auto model = std::make_shared<TestModel>();
  int self_calls = 0, late_calls = 0;
  model->Subscribe(kEvent, 1, [&](int32_t, const Variant&) {
    ++self_calls;
    model->Unsubscribe(1);
    model->Subscribe(kEvent, 3, [&](int32_t, const Variant&) { ++late_calls; });
  });
  model->Fire(kEvent);
  EXPECT_EQ(self_calls, 1);
  EXPECT_EQ(late_calls, 0);  // joined during the firing: starts with the next one
  model->Fire(kEvent);
  EXPECT_EQ(self_calls, 1);
  EXPECT_EQ(late_calls, 1);
}

TEST(ModelImplTest, UnsubscribeBySubscriberRemovesAllItsEvents) {
  auto model = std::make_shared<TestModel>();
  int calls = 0;
  model->Subscribe(kEvent, 5, [&](int32_t, const Variant&) { ++calls; });
  model->Subscribe(kEvent + 1, 5, [&](int32_t, const Variant&) { ++calls; });
  model->Unsubscribe(5);
  model->Fire(kEvent);
  model->Fire(kEvent + 1);
  EXPECT_EQ(calls, 0);
}

TEST(ModelImplTest, UnInitDropsEverySubscription) {
  auto model = std::make_shared<TestModel>();
  int calls = 0;
  model->Subscribe(kEvent, 5, [&](int32_t, const Variant&) { ++calls; });
  model->UnInit();
  model->Fire(kEvent);
  EXPECT_EQ(calls, 0);
}

TEST(ModelImplTest, AsyncCallAnswersLaterAndNotForAGoneModel) {
  base::test::TestTaskEnvironment env;
  auto model = std::make_shared<TestModel>();
  Variant args;
  args["x"] = 4;
  int answer = 0;
  model->AsyncCall(1, args, [&](bool handled, const Variant& result) { answer = handled ? result.AsInt32() : -1; });
  EXPECT_EQ(answer, 0);
  env.RunUntilIdle();
  EXPECT_EQ(answer, 8);

  bool called = false;
  model->AsyncCall(1, args, [&](bool, const Variant&) { called = true; });
  model.reset();
  env.RunUntilIdle();
  EXPECT_FALSE(called);
}

TEST(ModelImplTest, SubscriberIdsAreUnique) {
  EXPECT_NE(NewSubscriberId(), NewSubscriberId());
}

}  // namespace
}  // namespace framework
