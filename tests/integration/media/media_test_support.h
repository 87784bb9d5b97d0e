#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "host/media/media_engine.h"
#include "host/media/stream/raw_stream_reader.h"

namespace quickrec::testing {

// What ffprobe says about a stream: frames it decoded (video) or packets it read (audio).
struct ProbeResult {
  bool ok = false;
  int64_t count = 0;
  int width = 0;
  int height = 0;
  int sample_rate = 0;
};

// Runs a shell command and returns its standard output.
std::string RunCommand(const std::string& command);
// Decodes every frame of an H.264 Annex-B file.
ProbeResult ProbeH264(const std::string& path);
// Reads every frame of an AAC ADTS file.
ProbeResult ProbeAdts(const std::string& path);
// Copies the frames the index lists into a plain file, for tools that know nothing of indexes.
bool ExtractIndexedFrames(const std::string& data_path, const std::string& out_path);
// True when the records continue each other: every frame starts where the previous one ended.
bool TimestampsContinuous(const std::vector<kvp::av::RawIndexRecord>& records);
// True when no frame starts before the previous one ended (gaps allowed: dropped or skipped frames).
bool TimestampsOrdered(const std::vector<kvp::av::RawIndexRecord>& records);
// The MD5 of each decoded picture of an H.264 Annex-B file, in order.
std::vector<std::string> PictureHashes(const std::string& h264_path);
// How many different pictures the decoded stream shows.
int64_t DistinctPictures(const std::string& h264_path);

// Collects what the engine reports, from its threads.
class EngineObserver : public kvp::av::IVideoStreamEventListener,
                       public kvp::av::IMediaExceptionListener,
                       public kvp::av::IVideoDeviceEventListener,
                       public kvp::av::IAudioStreamEventListener {
 public:
  void OnVideoFrame(const kvp::av::VideoFrameInfo& frame) override;
  void OnMediaException(int32_t code, const std::string& message) override;
  void OnVideoDeviceEvent(const kvp::av::VideoDeviceEvent& event) override;
  void OnMicrophoneVolume(int32_t volume) override;

  std::vector<kvp::av::VideoFrameInfo> frames() const;
  std::vector<int32_t> exceptions() const;
  std::vector<kvp::av::VideoDeviceEvent> device_events() const;
  std::vector<int32_t> volumes() const;
  // Waits (polling, up to `timeout_ms`) until `done` holds.
  template <typename Done>
  bool WaitFor(Done done, int timeout_ms = 10000) const;

 private:
  mutable std::mutex mutex_;
  std::vector<kvp::av::VideoFrameInfo> frames_;
  std::vector<int32_t> exceptions_;
  std::vector<kvp::av::VideoDeviceEvent> device_events_;
  std::vector<int32_t> volumes_;
};

bool WaitUntil(const std::function<bool()>& done, int timeout_ms);

template <typename Done>
bool EngineObserver::WaitFor(Done done, int timeout_ms) const {
  return WaitUntil([&] { return done(*this); }, timeout_ms);
}

}  // namespace quickrec::testing
