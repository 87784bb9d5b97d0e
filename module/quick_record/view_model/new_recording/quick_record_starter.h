#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "host/base/variant/variant.h"
#include "host/framework/model/model_impl.h"

namespace quick_record {

// Starts a recording of the new-recording page in a mode: captures the chosen screen or window
// (the primary screen when none was chosen), prepares the session and has the recorder start,
// reporting the start click. The count-down that follows is QuickRecordCountDownFlow's. Main thread.
class QuickRecordStarter {
 public:
  struct Models {
    std::shared_ptr<framework::ModelImpl> session;
    std::shared_ptr<framework::ModelImpl> recorder;
    std::shared_ptr<framework::ModelImpl> screen_selector;
  };

  explicit QuickRecordStarter(Models models);

  // ExecuteSelectRecordModeComplete for `mode` with the start action's payload ("subject",
  // "from_shortcut", "from_space_dialog"). Empty when the recorder started, else why not:
  // "no_screen", "unknown_mode", "no_recorder" or "recorder_refused".
  std::string Start(int32_t mode, const base::variant::Variant& payload);

 private:
  base::variant::Variant Selection(int32_t mode) const;
  static base::variant::Variant DefaultScreenSelection();
  // StartTrackingWindow / StartCaptureWindow.
  bool StartCaptureSelection(const base::variant::Variant& selection);
  std::string StartQuickRecord(int32_t mode, const base::variant::Variant& payload);
  void ReportStartClick(int32_t mode, const base::variant::Variant& selection, const base::variant::Variant& payload);
  bool MicEnabled() const;

  const Models models_;
};

}  // namespace quick_record
