#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "host/media/capture/fit_scaler.h"
#include "host/media/capture/pixel_ops.h"
#include "host/media/capture/source_planner.h"

namespace kvp::av {

class AvInput;

// A camera (V4L2, or the synthetic "Test camera") read on a thread of its own. Each picture is
// scaled on that thread to the size the video thread asked for and kept as the latest one, so
// the video thread only copies it in.
class CameraSource {
 public:
  // `on_first_frame(steady_ms)` is called (on the camera thread) when the first picture arrived.
  static std::shared_ptr<CameraSource> Open(const InputPlan& plan, std::function<void(int64_t)> on_first_frame,
                                            std::string* error);
  ~CameraSource();
  CameraSource(const CameraSource&) = delete;
  CameraSource& operator=(const CameraSource&) = delete;

  // Pictures of this size from now on (fitted, black borders).
  void SetTargetSize(int width, int height);
  // Copies the latest picture into `canvas` at (x, y); false while there is none of the asked size.
  bool CopyLatest(const I420View& canvas, int x, int y);

 private:
  CameraSource() = default;
  void Run();

  struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> planes;
    I420View View();
  };

  std::unique_ptr<AvInput> input_;
  std::function<void(int64_t)> on_first_frame_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  FitScaler scaler_;
  std::mutex mutex_;
  int target_width_ = 0;
  int target_height_ = 0;
  Picture latest_;
};

}  // namespace kvp::av
