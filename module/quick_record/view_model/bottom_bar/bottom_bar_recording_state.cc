#include "module/quick_record/view_model/bottom_bar/bottom_bar_recording_state.h"

#include <cstdio>
#include <utility>

#include "host/base/logging/logger.h"
#include "module/quick_record/view_model/variant_map.h"

namespace quick_record {

using base::variant::Variant;

BottomBarRecordingState::BottomBarRecordingState(Publish publish) : publish_(std::move(publish)) {}

std::string BottomBarRecordingState::FormatDuration(uint32_t seconds) {
  char text[32];
  const uint32_t hours = seconds / 3600;
  const uint32_t minutes = seconds / 60 % 60;
  if (hours == 0) {
    std::snprintf(text, sizeof text, "%02u:%02u", minutes, seconds % 60);
  } else {
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", hours, minutes, seconds % 60);
  }
  return text;
}

void BottomBarRecordingState::Started(const Variant& payload) {
  if (payload.Has("record_id")) record_id_ = payload.GetString("record_id");
  KLOG(6) << "update record id:" << record_id_;
  publish_(kPropertyHasRecordId, !record_id_.empty());
  recording_started_ = true;
}

void BottomBarRecordingState::SetPaused(bool paused) {
  paused_ = paused;
  publish_(kPropertyPaused, paused);
}

void BottomBarRecordingState::RefuseResume() { publish_(kPropertyPaused, true); }

void BottomBarRecordingState::OnUpdateQuickRecordTotalTime(const Variant& payload) {
  if (!payload.IsInteger()) {
    KLOG(3) << "param is not int, " << payload.ToString();
    return;
  }
  elapsed_seconds_ = static_cast<uint32_t>(payload.AsInt64() / 1000);
  PublishDuration();
}

void BottomBarRecordingState::PublishDuration() {
  publish_(kPropertyDuration, VariantMap({{"over_one_hour", elapsed_seconds_ >= 3600},
                                          {"record_duration", FormatDuration(elapsed_seconds_)}}));
}

}  // namespace quick_record
