#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "host/media/ffmpeg_media_engine.h"
#include "host/util/scoped_temp_dir.h"
#include "media_test_support.h"
#include "xvfb_display.h"

namespace quickrec::testing {

// An engine of our own on an Xvfb display (or on none), its listeners, and helpers that record
// and check the files.
class RecordingFixture : public ::testing::Test {
 protected:
  static constexpr int kWidth = 1280;
  static constexpr int kHeight = 720;

  // Starts Xvfb (or clears DISPLAY when `headless`) and then the engine.
  void StartEngine(bool headless = false);
  void TearDown() override;

  kvp::av::IFileRecorder* recorder() { return engine_->GetFileRecorder(); }
  std::vector<std::string> files() const { return {base_ + ".kovtv", base_ + ".kovta"}; }
  // Records one segment in `mode` for about `ms`; returns the segment's length as the recorder
  // measures it: from when enable-recording returned to when it was asked to stop.
  int64_t RecordFor(int ms, int32_t mode);
  // Checks both streams: their durations within 100 ms of `recorded_ms`, every indexed frame
  // decodable by ffprobe and nothing more, the audio 48 kHz and continuous. ffprobe's frame count
  // gives the video's duration too when no frame was dropped (an overloaded machine drops late
  // frames; which ones is not deterministic).
  void ExpectStreamsMatch(int64_t recorded_ms);

  XvfbDisplay xvfb_;
  util::file::ScopedTempDir dir_;
  std::string base_ = dir_.Child("rec");
  kvp::av::RecorderConfig config_;
  std::unique_ptr<kvp::av::FfmpegMediaEngine> engine_;
  EngineObserver observer_;
};

}  // namespace quickrec::testing
