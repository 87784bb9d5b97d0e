#include "host/framework/view_model/stateful_view_model.h"

#include <gtest/gtest.h>

#include "host/base/analytics/analytics.h"
#include "host/framework/view_model/mutable_observable.h"
#include "host/framework/view_model/recording_view.h"

namespace framework {
namespace {

class CounterViewModel : public StatefulViewModel {
 public:
  CounterViewModel() : StatefulViewModel(0x77) {}
  void OnViewAttached() override { ++attached; }
  void OnViewDetached() override { ++detached; }
  void Handle(int action, const Variant*) override {
    events_when_handled = base::analytics::LogEvent("e#probe#probe#probe") ? action : -1;
    Publish(1, ++count);
  }
  int count = 0;
  int attached = 0;
  int detached = 0;
  int events_when_handled = 0;
};

TEST(StatefulViewModelTest, PublishedPropertiesReachTheAttachedView) {
  CounterViewModel vm;
  RecordingView view;
  vm.AttachView(&view);
  vm.Dispatch(3, nullptr);
  vm.Dispatch(3, nullptr);
  EXPECT_EQ(view.ValuesOf(1), (std::vector<Variant>{Variant(1), Variant(2)}));
  EXPECT_EQ(vm.Property(1), Variant(2));
  EXPECT_TRUE(vm.Property(99).IsNull());
}

TEST(StatefulViewModelTest, ALateViewGetsTheCurrentPictureFirst) {
  CounterViewModel vm;
  vm.Dispatch(1, nullptr);
  RecordingView view;
  vm.AttachView(&view);
  ASSERT_EQ(view.published().size(), 1u);
  EXPECT_EQ(view.Last(1), Variant(1));
  EXPECT_EQ(vm.attached, 1);
}

TEST(StatefulViewModelTest, AttachAndDetachHooksRunOncePerChange) {
  CounterViewModel vm;
  RecordingView a, b;
  vm.AttachView(&a);
  vm.AttachView(&a);
  vm.AttachView(&b);  // a is detached first
  vm.DetachView();
  vm.DetachView();
  EXPECT_EQ(vm.attached, 2);
  EXPECT_EQ(vm.detached, 2);
  EXPECT_FALSE(vm.IsViewAttached());
}

TEST(StatefulViewModelTest, StatisticsReportIdIsLoggedBeforeTheActionRuns) {
  base::analytics::ScopedEventCapture capture;
  CounterViewModel vm;
  Variant payload;
  payload["statistics_report_id"] = "e#recording_page#record_card#click";
  vm.Dispatch(5, &payload);
  const auto events = capture.sink().Events();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].name, "e#recording_page#record_card#click");
  EXPECT_EQ(events[1].name, "e#probe#probe#probe");
  EXPECT_EQ(vm.events_when_handled, 5);
}

TEST(MutableObservableTest, ObserversSeeChangesAndTheWeakViewExpires) {
  std::weak_ptr<Observable> weak;
  std::vector<Variant> seen;
  {
    MutableObservable value;
    weak = value.AsObservable();
    const size_t id = weak.lock()->AddObserver([&](const Variant& v) { seen.push_back(v); });
    value.Set(Variant(1));
    value.Set(Variant(1));  // unchanged: nobody is told
    value.Set(Variant(2));
    weak.lock()->RemoveObserver(id);
    value.Set(Variant(3));
    EXPECT_EQ(weak.lock()->Get(), Variant(3));
  }
  EXPECT_EQ(seen, (std::vector<Variant>{Variant(1), Variant(2)}));
  EXPECT_TRUE(weak.expired());
}

}  // namespace
}  // namespace framework
