#include "host/media/listener_set.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace kvp::av {
namespace {

struct Listener {
  virtual ~Listener() = default;
  virtual void Call() = 0;
};

struct Counting : Listener {
  void Call() override { ++calls; }
  int calls = 0;
};

TEST(ListenerSetTest, EachListenerOnceUntilRemoved) {
  ListenerSet<Listener> set;
  Counting a, b;
  set.Add(&a);
  set.Add(&a);
  set.Add(&b);
  set.Notify([](Listener* l) { l->Call(); });
  EXPECT_EQ(1, a.calls);
  EXPECT_EQ(1, b.calls);
  set.Remove(&a);
  set.Notify([](Listener* l) { l->Call(); });
  EXPECT_EQ(1, a.calls);
  EXPECT_EQ(2, b.calls);
}

TEST(ListenerSetTest, ListenerRemovedDuringACallIsSkippedAndRemovingItselfDoesNotBlock) {
  ListenerSet<Listener> set;
  Counting second;
  struct RemovesOthers : Listener {
    void Call() override {
      set->Remove(this);
      set->Remove(other);
    }
    ListenerSet<Listener>* set = nullptr;
    Listener* other = nullptr;
  } first;
  first.set = &set;
  first.other = &second;
  set.Add(&first);
  set.Add(&second);
  set.Notify([](Listener* l) { l->Call(); });
  EXPECT_EQ(0, second.calls);
  EXPECT_TRUE(set.empty());
}

TEST(ListenerSetTest, RemoveWaitsForACallInFlightOnAnotherThread) {
  ListenerSet<Listener> set;
  std::atomic<bool> removed{false};
  std::atomic<bool> removed_before_call_ended{false};
  struct Slow : Listener {
    void Call() override {
      entered = true;
      // Held until the remover has taken the listener out and is waiting.
      while (!set->empty()) std::this_thread::yield();
      *removed_early = removed->load();
    }
    ListenerSet<Listener>* set = nullptr;
    std::atomic<bool>* removed = nullptr;
    std::atomic<bool>* removed_early = nullptr;
    std::atomic<bool> entered{false};
  } slow;
  slow.set = &set;
  slow.removed = &removed;
  slow.removed_early = &removed_before_call_ended;
  set.Add(&slow);
  std::thread caller([&] { set.Notify([](Listener* l) { l->Call(); }); });
  while (!slow.entered) std::this_thread::yield();
  set.Remove(&slow);
  removed = true;
  caller.join();
  EXPECT_FALSE(removed_before_call_ended);
}

}  // namespace
}  // namespace kvp::av
