#include "module/quick_record/model/quick_record_performance_model.h"

#include "host/base/analytics/analytics.h"
#include "host/base/logging/logger.h"
#include "module/quick_record/model/quick_record_model.h"
#include "module/quick_record/model/recording_model_test.h"

namespace quick_record {
namespace {

using base::variant::Variant;
using Model = QuickRecordPerformanceModel;

// Fires the session events the monitor follows.
class SessionStandIn : public framework::ModelImpl {
 public:
  SessionStandIn() : framework::ModelImpl(model_id::kQuickRecordModel) {}
  void Fire(int32_t event) { FireEvent(event, Variant::MakeMap()); }
};

TEST(PerformanceAlertConfigTest, OutOfRangeValuesGiveTheDefaults) {
  for (int32_t busy : {0, 150, -1}) {
    Variant rule = Variant::MakeMap();
    rule.Set("sys_busy", busy);
    rule.Set("sys_free", busy);
    rule.Set("degrade_time", 0);
    rule.Set("upgrade_time", -3);
    rule.Set("upgrade_smooth_time", 0);
    const auto config = PerformanceAlertConfig::FromVariant(rule);
    EXPECT_EQ(config.sys_busy, 90) << busy;
    EXPECT_EQ(config.sys_free, 80) << busy;
    EXPECT_EQ(config.degrade_time, 8);
    EXPECT_EQ(config.upgrade_time, 16);
    EXPECT_EQ(config.upgrade_smooth_time, 60);
    EXPECT_FALSE(config.switch_on);
  }
  const auto config =
      PerformanceAlertConfig::FromVariant(Variant::FromJson(R"({"sys_busy": 100, "sys_free": 1, "switch": true,
          "degrade_30_levels": [15, 30, 0, 20, 29, 20, 45], "degrade_15_levels": [15, 10, 14, 1]})"));
  EXPECT_EQ(config.sys_busy, 100);
  EXPECT_EQ(config.sys_free, 1);
  EXPECT_TRUE(config.switch_on);
  EXPECT_EQ(config.degrade_30_levels, (std::vector<int32_t>{29, 20, 15}));
  EXPECT_EQ(config.degrade_15_levels, (std::vector<int32_t>{14, 10, 1}));
}

class QuickRecordPerformanceModelTest : public testing::RecordingModelTest {
 protected:
  void SetUp() override {
    RecordingModelTest::SetUp();
    SetRule(R"({"switch": true, "degrade_30_levels": [20, 15], "degrade_15_levels": [10]})");
    model_ = std::make_shared<Model>(recorder_model_, session_, [this](double* app, double* sys) {
      *app = app_rate_;
      *sys = sys_rate_;
      return true;
    });
    model_->Init();
    model_->Subscribe(Model::kEventHdBusy, 1, [this](int32_t, const Variant& p) { events_.push_back(p); });
  }
  void TearDown() override {
    model_->UnInit();
    RecordingModelTest::TearDown();
  }
  void SetRule(const std::string& json) {
    host::app::HostConfig config;
    Variant ability = Variant::MakeMap();
    ability.Set(PerformanceAlertConfig::kKey, json);
    config.sections.Set("quick_record_ability", std::move(ability));
    app_.ApplyConfig(std::move(config));
  }
  std::vector<int32_t> NewRates() const {
    std::vector<int32_t> rates;
    for (const auto& e : events_) {
      if (e["expand"].GetString("type") != "app_busy") rates.push_back(e["expand"].GetInt32("new_fps"));
    }
    return rates;
  }

  std::shared_ptr<SessionStandIn> session_ = std::make_shared<SessionStandIn>();
  std::shared_ptr<Model> model_;
  double app_rate_ = 5;
  double sys_rate_ = 95;
  std::vector<Variant> events_;
};

TEST_F(QuickRecordPerformanceModelTest, TheFirstDecisionNeedsFourSamplesAndEightSeconds) {
  ASSERT_TRUE(StartRecording());
  EXPECT_TRUE(model_->monitor_running());
  env_.FastForwardBy(7999);
  EXPECT_TRUE(events_.empty());
  EXPECT_EQ(engine_.screen_config.fps, 0);
  env_.FastForwardBy(1);
  EXPECT_EQ(NewRates(), (std::vector<int32_t>{20}));
  EXPECT_EQ(engine_.screen_config.fps, 20) << "the running recording's capture rate follows";
  EXPECT_EQ(recorder_->GetCurrentCaptureFrameRate(), 20);
  EXPECT_FALSE(events_[0].GetBool("is_camera_mode"));
  EXPECT_EQ(events_[0]["expand"].GetInt32("old_fps"), 30);
  EXPECT_FALSE(events_[0].GetString("msg").empty());
  EXPECT_TRUE(model_->degraded());
}

TEST_F(QuickRecordPerformanceModelTest, OutOfRangeBusyLevelsBehaveAsNinety) {
  for (const char* rule : {R"({"switch": true, "sys_busy": 0, "degrade_30_levels": [20]})",
                           R"({"switch": true, "sys_busy": 150, "degrade_30_levels": [20]})"}) {
    SetRule(rule);
    sys_rate_ = 89;
    ASSERT_TRUE(StartRecording());
    env_.FastForwardBy(8000);
    EXPECT_TRUE(events_.empty()) << rule;
    sys_rate_ = 91.5;
    env_.FastForwardBy(8000);
    EXPECT_EQ(NewRates(), (std::vector<int32_t>{20})) << rule;
    ASSERT_TRUE(CallRecorderModel(QuickRecordRecorderModel::kInvokeStopRecord));
    EXPECT_FALSE(model_->monitor_running());
    events_.clear();
    int32_t width = 0, height = 0, fps = -1;
    recorder_->GetScreenCaptureConfig(&width, &height, &fps);
    EXPECT_EQ(fps, 0) << "the rate the settings asked for is given back";
  }
}

TEST_F(QuickRecordPerformanceModelTest, TheLadderIsWalkedDownAndBackUp) {
  ASSERT_TRUE(StartRecording());
  env_.FastForwardBy(8000);
  env_.FastForwardBy(8000);  // the samples start again after a change
  EXPECT_EQ(NewRates(), (std::vector<int32_t>{20, 15}));
  EXPECT_EQ(model_->degrade_count(), 1) << "going further down is the same degraded state";

  sys_rate_ = 50;
  env_.FastForwardBy(15'999);
  EXPECT_EQ(NewRates().size(), 2u) << "eight samples are averaged before an upgrade";
  env_.FastForwardBy(1);
  env_.FastForwardBy(16'000);
  env_.FastForwardBy(40'000);
  EXPECT_EQ(NewRates(), (std::vector<int32_t>{20, 15, 20, 30})) << "never above 30";
  EXPECT_EQ(engine_.screen_config.fps, 30);
  EXPECT_FALSE(model_->degraded());
}

TEST_F(QuickRecordPerformanceModelTest, AfterAnEvenNumberOfDegradationsTheUpgradeWaitsTheSmoothWindow) {
  SetRule(R"({"switch": true, "degrade_time": 2, "upgrade_time": 2, "upgrade_smooth_time": 10, "degrade_30_levels": [20]})");
  ASSERT_TRUE(StartRecording());
  env_.FastForwardBy(2000);
  sys_rate_ = 10;
  env_.FastForwardBy(2000);
  ASSERT_EQ(NewRates(), (std::vector<int32_t>{20, 30}));
  sys_rate_ = 95;
  env_.FastForwardBy(2000);
  ASSERT_EQ(model_->degrade_count(), 2);
  sys_rate_ = 10;
  env_.FastForwardBy(8000);
  EXPECT_EQ(NewRates().size(), 3u) << "five samples, ten seconds, before this upgrade";
  env_.FastForwardBy(2000);
  EXPECT_EQ(NewRates(), (std::vector<int32_t>{20, 30, 20, 30}));
}

TEST_F(QuickRecordPerformanceModelTest, TheApplicationItselfBusyIsToldOnce) {
  app_rate_ = 60;
  SetRule(R"({"switch": true, "degrade_time": 1, "degrade_30_levels": [20, 15]})");
  ASSERT_TRUE(StartRecording());
  env_.FastForwardBy(10'000);
  int app_busy = 0;
  for (const auto& e : events_) app_busy += e["expand"].GetString("type") == "app_busy";
  EXPECT_EQ(app_busy, 1);
  EXPECT_EQ(NewRates(), (std::vector<int32_t>{20, 15})) << "never below the lowest rung";
}

TEST_F(QuickRecordPerformanceModelTest, WithTheSwitchOffItOnlyMeasuresAndReportsAtTheEnd) {
  SetRule(R"({"degrade_30_levels": [20]})");
  base::analytics::ScopedEventCapture analytics;
  ASSERT_TRUE(StartRecording());
  app_rate_ = 12;
  sys_rate_ = 95;
  env_.FastForwardBy(4000);
  app_rate_ = 3;
  sys_rate_ = 150;  // clamped into the last bucket
  env_.FastForwardBy(2000);
  EXPECT_TRUE(events_.empty());
  ASSERT_TRUE(CallRecorderModel(QuickRecordRecorderModel::kInvokeStopRecord));
  const auto reports = analytics.sink().EventsNamed("e#meetlog_video_cpu_monitor");
  ASSERT_EQ(reports.size(), 1u);
  const auto& p = reports[0].properties;
  EXPECT_EQ(p.at("sample_cnt"), "3");
  EXPECT_EQ(p.at("average_app_cpu_rate"), "9");
  EXPECT_EQ(p.at("averate_sys_cpu_rate"), "113.333333");
  EXPECT_EQ(p.at("vorta_cpu_support"), "1");
  EXPECT_EQ(p.at("has_show_sys_busy"), "0");
  EXPECT_EQ(p.at("app_cpu_1"), "2");
  EXPECT_EQ(p.at("app_cpu_0"), "1");
  EXPECT_EQ(p.at("sys_cpu_9"), "3");
  EXPECT_EQ(p.at("sys_cpu_0"), "0");

  // The next recording starts from a clean slate.
  ASSERT_TRUE(StartRecording());
  env_.FastForwardBy(2000);
  session_->Fire(QuickRecordModel::kEventRecordComplete);
  EXPECT_FALSE(model_->monitor_running());
  EXPECT_EQ(analytics.sink().EventsNamed("e#meetlog_video_cpu_monitor")[1].properties.at("sample_cnt"), "1");
}

TEST_F(QuickRecordPerformanceModelTest, CancelStopsTheMonitorAndARuleChangeAppliesWhileRunning) {
  SetRule(R"({"degrade_30_levels": [20]})");
  ASSERT_TRUE(StartRecording());
  env_.FastForwardBy(8000);
  EXPECT_TRUE(events_.empty());
  SetRule(R"({"switch": true, "degrade_30_levels": [20]})");
  EXPECT_TRUE(model_->alert_config().switch_on);
  env_.FastForwardBy(8000);
  EXPECT_EQ(NewRates(), (std::vector<int32_t>{20}));
  session_->Fire(QuickRecordModel::kEventRecordCancelled);
  EXPECT_FALSE(model_->monitor_running());
  env_.FastForwardBy(20'000);
  EXPECT_EQ(NewRates().size(), 1u);
}

}  // namespace
}  // namespace quick_record
