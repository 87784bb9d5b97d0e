#pragma once

#include <functional>

#include "host/base/variant/variant.h"
#include "host/sdk/record/record_context.h"
#include "module/quick_record/recorder/i_quick_record_listener.h"

namespace quick_record {

// Lets a host drive the recorder through plug-in calls when no session model does: the call's
// arguments are the record context, and the recorder's callbacks become plug-in events.
class RecorderCallBridge : public kovanisdk::IRecordContext, public IQuickRecordListener {
 public:
  using EventSink = std::function<void(int32_t event_id, const base::variant::Variant& payload)>;

  explicit RecorderCallBridge(EventSink sink) : sink_(std::move(sink)) {}

  void SetArguments(base::variant::Variant arguments) { arguments_ = std::move(arguments); }

  void FillRecordConfig(kovanisdk::RecordConfig* config) override;
  base::variant::Variant GetRecordLayoutInfo() override { return arguments_; }

  void OnRecordStateChanged(kovanisdk::plugin::RecordStateType state, bool flag) override;
  void OnRecordError(int32_t operate_type, int32_t result, const std::string& message) override;
  // Answers the save-path question: the directory given in the arguments must exist.
  void OnRecorderEvent(int32_t event, void* data) override;
  void OnRecorderNotice(int32_t, const std::string&) override {}

 private:
  EventSink sink_;
  base::variant::Variant arguments_;
};

}  // namespace quick_record
