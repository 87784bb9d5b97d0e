#include "module/quick_record/view_model/recording_stages/quick_record_count_down_view_model.h"

#include "host/app/string_table.h"
#include "host/base/analytics/analytics.h"
#include "host/base/logging/logger.h"
#include "host/framework/module/resource.h"
#include "host/sdk/kovani_common/paths.h"
#include "module/quick_record/entry/quick_record_ids.h"
#include "module/quick_record/entry/quick_record_module_runtime.h"
#include "module/quick_record/model/quick_record_model.h"

namespace quick_record {

using base::variant::Variant;

namespace {

std::string SoundPath(const char* name) { return kovani_common::utils::record::GetResourceDirectory() + name; }

}  // namespace

QuickRecordCountDownViewModel::QuickRecordCountDownViewModel()
    : framework::StatefulViewModel(view_model_id::kQuickRecordCountDownViewModel) {}

QuickRecordCountDownViewModel::~QuickRecordCountDownViewModel() { StopTimers(); }

void QuickRecordCountDownViewModel::Handle(int action, const Variant* payload) {
  if (!payload || !payload->IsMap()) {
    KLOG(3) << "error call,check params";
    return;
  }
  if (action == kActionStart) {
    Start();
  } else if (action == kActionCancel) {
    Cancel();
  }
}

void QuickRecordCountDownViewModel::OnViewAttached() {
  if (view_params()["router_params"].GetBool("show")) Start();
}

void QuickRecordCountDownViewModel::OnViewDetached() { StopTimers(); }

void QuickRecordCountDownViewModel::Start() {
  StopTimers();
  number_ = kStartNumber;
  running_ = true;
  SetSessionCountDown(true);
  PublishNumber();
  tick_timer_ = CreateStepTimer(&QuickRecordCountDownViewModel::Tick);
  tick_timer_->Start(kTickMs, /*repeating=*/true);
}

std::shared_ptr<base::threading::Timer> QuickRecordCountDownViewModel::CreateStepTimer(
    void (QuickRecordCountDownViewModel::*step)()) {
  std::weak_ptr<StatefulViewModel> weak = weak_from_this();
  return base::threading::CreateTimer(
      [weak, step] {
        if (auto self = std::static_pointer_cast<QuickRecordCountDownViewModel>(weak.lock())) (self.get()->*step)();
      },
      FROM_HERE);
}

void QuickRecordCountDownViewModel::Tick() {
  --number_;
  if (number_ >= 1) {
    PublishNumber();
    return;
  }
  running_ = false;
  tick_timer_->Stop();
  Variant data = Variant::MakeMap();
  data.Set("count_down_number", number_);
  data.Set("sound", SoundPath(kEndSound));
  Publish(kPropertyViewData, data);
  end_timer_ = CreateStepTimer(&QuickRecordCountDownViewModel::Finish);
  end_timer_->Start(kEndMs, /*repeating=*/false);
}

void QuickRecordCountDownViewModel::Finish() {
  end_timer_.reset();
  tick_timer_.reset();
  ReportResult(true);
}

void QuickRecordCountDownViewModel::Cancel() {
  base::analytics::LogEventWithProperties("e#new_recording#cancel_recording#exposure", {});
  const bool active = running_ || end_timer_;
  StopTimers();
  running_ = false;
  if (active) ReportResult(false);
}

void QuickRecordCountDownViewModel::StopTimers() {
  if (tick_timer_) tick_timer_->Stop();
  if (end_timer_) end_timer_->Stop();
  tick_timer_.reset();
  end_timer_.reset();
}

void QuickRecordCountDownViewModel::PublishNumber() {
  Variant data = Variant::MakeMap();
  data.Set("count_down_number", number_);
  data.Set("count_down_txt", std::to_string(number_));
  data.Set("count_down_cancel_txt", framework::Resource::GetInstance()->GetString(host::strings::kQuickRecordCountDownCancel));
  data.Set("sound", SoundPath(kTickSound));
  Publish(kPropertyViewData, data);
}

void QuickRecordCountDownViewModel::ReportResult(bool finished) {
  SetSessionCountDown(false);
  Variant result = Variant::MakeMap();
  result.Set("finished", finished);
  Publish(kPropertyResult, result);
  // Copied: the handler may close this page and so release the view model.
  if (ResultHandler handler = result_handler_) handler(finished ? kResultFinished : kResultCancelled);
}

void QuickRecordCountDownViewModel::SetSessionCountDown(bool running) {
  if (auto session = ModuleModelOf(model_id::kQuickRecordModel)) {
    session->Call(QuickRecordModel::kInvokeSetCountDownState, running, nullptr);
  }
}

}  // namespace quick_record
