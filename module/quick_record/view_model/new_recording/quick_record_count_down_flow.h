#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "host/base/threading/timer.h"
#include "host/framework/model/model_impl.h"

namespace quick_record {

// From a recording that has just started to its control bar: the 3-2-1 count-down page, then the
// bar, or back to the screen choice when the user cancels in the count-down. In the camera modes
// the camera window first plays its opening (portrait) animation, and the count-down is shown
// once that is over, so that the two do not run on top of each other. Main thread.
class QuickRecordCountDownFlow : public std::enable_shared_from_this<QuickRecordCountDownFlow> {
 public:
  // The camera model's side: asked to prepare its window for a mode ({"mode"}), a model that
  // accepts announces the end of the window's opening animation with the event.
  static constexpr int32_t kCameraInvokePrepareWindow = 0x2df1aef3;
  static constexpr int32_t kCameraEventPortraitAnimationOver = 1144459781;
  // A camera window that never reports its animation does not hold the count-down back longer.
  static constexpr int64_t kPortraitAnimationTimeoutMs = 3000;

  struct Models {
    std::shared_ptr<framework::ModelImpl> session;
    std::shared_ptr<framework::ModelImpl> recorder;
    std::shared_ptr<framework::ModelImpl> camera;  // may be null: then nothing waits for it
  };
  struct Listener {
    std::function<void(bool running)> on_running;     // from the start to the count-down's result
    std::function<void(int32_t mode)> on_cancelled;   // the user cancelled in the count-down
  };

  QuickRecordCountDownFlow(Models models, Listener listener);
  ~QuickRecordCountDownFlow();

  // NavigatorToCountDownView for a recording of `mode`.
  void Start(int32_t mode);
  // The camera window finished its opening animation.
  void OnPortraitAnimationOver();

 private:
  void ShowCountDownView();
  void OnCountDownResult(int32_t result_code);
  void CancelAfterCountDown();
  void NavigatorToBottomBarViewInternal();

  const Models models_;
  const Listener listener_;
  std::shared_ptr<base::threading::Timer> portrait_timer_;
  int32_t mode_ = 0;
  bool waiting_for_portrait_ = false;
};

}  // namespace quick_record
