#include "module/quick_record/view_model/recording_stages/quick_record_space_runout_counting_view_model.h"

#include "host/base/analytics/analytics.h"
#include "host/base/logging/logger.h"
#include "host/sdk/kovani/open_web_page.h"
#include "host/sdk/utils/config_service.h"
#include "module/quick_record/entry/quick_record_ids.h"
#include "module/quick_record/entry/quick_record_module_runtime.h"
#include "module/quick_record/model/quick_record_recorder_model.h"
#include "module/quick_record/model/quick_record_space_model.h"

namespace quick_record {

using base::variant::Variant;

namespace {

constexpr const char* kContentKeys[] = {"content",           "collapse_content",   "upgrade_btn_text",
                                        "upgrade_btn_text_color", "content_text_color", "time_color",
                                        "show_btn",          "icon_image"};

}  // namespace

QuickRecordSpaceRunoutCountingViewModel::QuickRecordSpaceRunoutCountingViewModel(
    std::shared_ptr<framework::ModelImpl> space_model, std::shared_ptr<framework::ModelImpl> recorder_model)
    : framework::StatefulViewModel(view_model_id::kQuickRecordSpaceRunoutCountingViewModel),
      subscriber_id_(framework::NewSubscriberId()),
      space_model_(std::move(space_model)),
      recorder_model_(std::move(recorder_model)) {}

QuickRecordSpaceRunoutCountingViewModel::~QuickRecordSpaceRunoutCountingViewModel() = default;

void QuickRecordSpaceRunoutCountingViewModel::OnViewAttached() {
  if (!space_model_) space_model_ = ModuleModelOf(model_id::kQuickRecordSpaceModel);
  if (!recorder_model_) recorder_model_ = ModuleModelOf(model_id::kQuickRecordRecorderModel);
  Variant content = Variant::MakeMap();
  for (const char* key : kContentKeys) content.Set(key, kovanisdk::utils::config::GetValue(kConfigSection, key));
  Publish(kPropertyContent, content);

  std::weak_ptr<StatefulViewModel> weak = weak_from_this();
  auto self_of = [weak] { return std::static_pointer_cast<QuickRecordSpaceRunoutCountingViewModel>(weak.lock()); };
  if (auto space = std::dynamic_pointer_cast<QuickRecordSpaceModel>(space_model_)) run_out_ = space->run_out();
  if (space_model_) {
    space_model_->Subscribe(QuickRecordSpaceModel::kEventRunOutChanged, subscriber_id_,
                            [self_of](int32_t, const Variant& payload) {
                              if (auto self = self_of()) {
                                self->run_out_ = payload.GetBool("run_out");
                                self->UpdateVisibility();
                              }
                            });
  }
  if (recorder_model_) {
    Variant state;
    recorder_model_->Call(QuickRecordRecorderModel::kInvokeFuncGetRecordState, Variant(), &state);
    record_state_ = state.AsInt32();
    recorder_model_->Subscribe(QuickRecordRecorderModel::kEventRecordStateChanged, subscriber_id_,
                               [self_of](int32_t, const Variant& payload) {
                                 if (auto self = self_of()) {
                                   self->record_state_ = payload.GetInt32("record_state");
                                   self->UpdateVisibility();
                                 }
                               });
  }
  UpdateVisibility();
}

void QuickRecordSpaceRunoutCountingViewModel::OnViewDetached() {
  if (space_model_) space_model_->Unsubscribe(subscriber_id_);
  if (recorder_model_) recorder_model_->Unsubscribe(subscriber_id_);
  count_down_timer_.reset();
}

void QuickRecordSpaceRunoutCountingViewModel::UpdateVisibility() {
  const bool visible = run_out_ && record_state_ == kovanisdk::plugin::kRecordStateRecording;
  if (visible == visible_) return;
  visible_ = visible;
  Publish(kPropertyVisible, visible_);
  if (!visible_) {
    // Paused or over: the count-down waits and goes on from where it stood.
    if (count_down_timer_) count_down_timer_->Stop();
    return;
  }
  base::analytics::LogEventWithProperties("e#meetlog_recording_space_remind_popup#all#exposure", {});
  StartCountDown();
}

void QuickRecordSpaceRunoutCountingViewModel::StartCountDown() {
  if (!count_down_timer_) {
    seconds_left_ = kovanisdk::utils::config::GetValue(kConfigSection, "count_down_seconds", kDefaultCountDownSeconds)
                        .AsInt32(kDefaultCountDownSeconds);
    Publish(kPropertyCollapsed, false);
    std::weak_ptr<StatefulViewModel> weak = weak_from_this();
    count_down_timer_ = base::threading::CreateTimer(
        [weak] {
          auto self = std::static_pointer_cast<QuickRecordSpaceRunoutCountingViewModel>(weak.lock());
          if (!self) return;
          self->Publish(kPropertySecondsLeft, --self->seconds_left_);
          if (self->seconds_left_ <= 0) self->HandleCountDownOver();
        },
        FROM_HERE);
  }
  if (seconds_left_ <= 0) return;
  Publish(kPropertySecondsLeft, seconds_left_);
  count_down_timer_->Start(1000, /*repeating=*/true);
}

void QuickRecordSpaceRunoutCountingViewModel::HandleCountDownOver() {
  KLOG(6) << "HandleCountDownOver";
  count_down_timer_->Stop();
  Publish(kPropertyCollapsed, true);
}

void QuickRecordSpaceRunoutCountingViewModel::Handle(int action, const Variant*) {
  if (action != kActionUpgrade) return;
  base::analytics::LogEventWithProperties("e#meetlog_recording_space_remind_popup#upgrade#click", {});
  const std::string url = kovanisdk::utils::config::GetString(kConfigSection, "jump_url", "");
  if (url.empty()) return;
  if (kovanisdk::utils::config::GetBool(kConfigSection, "is_jump_browser", false)) {
    kovani::OpenWebPage(url);
  } else {
    Publish(kPropertyOpenInApp, url);
  }
}

}  // namespace quick_record
