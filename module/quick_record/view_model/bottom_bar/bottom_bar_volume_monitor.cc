#include "module/quick_record/view_model/bottom_bar/bottom_bar_volume_monitor.h"

#include <utility>

#include "host/app/string_table.h"
#include "host/base/logging/logger.h"
#include "host/framework/module/resource.h"
#include "host/sdk/kovani/alert.h"
#include "module/quick_record/model/quick_record_recorder_model.h"

namespace quick_record {

using base::variant::Variant;

BottomBarVolumeMonitor::BottomBarVolumeMonitor(Hooks hooks)
    : hooks_(std::move(hooks)),
      volume_timer_(base::threading::CreateTimer([this] { SampleVolume(); }, FROM_HERE)) {}

BottomBarVolumeMonitor::~BottomBarVolumeMonitor() { Stop(); }

void BottomBarVolumeMonitor::Start(std::shared_ptr<framework::ModelImpl> recorder) {
  recorder_ = std::move(recorder);
  volume_timer_->Start(kVolumeMs, /*repeating=*/true);
}

void BottomBarVolumeMonitor::Stop() { volume_timer_->Stop(); }

void BottomBarVolumeMonitor::SampleVolume() {
  if (!recorder_) return;
  Variant level;
  recorder_->Call(QuickRecordRecorderModel::kInvokeFuncGetLocalAudioVolume, Variant(), &level);
  const int32_t volume = level.GetInt32("volume");
  if (volume != volume_) {
    volume_ = volume;
    hooks_.publish(volume);
  }
  SpeakingIntoMutedMic(volume);
}

void BottomBarVolumeMonitor::SpeakingIntoMutedMic(int32_t volume) {
  if (!muted_speech_.Sample(volume, hooks_.mic_open(), hooks_.recording_started())) return;
  KLOG(6) << "---dp: update_volume_times_ is 10, show toast";
  kovani::ShowToast({framework::Resource::GetInstance()->GetString(host::strings::kBottomBarMicUnopenToast), 0,
                     kMutedSpeechToastMs, kMutedSpeechToastPosition});
}

}  // namespace quick_record
