#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/media/stream/raw_stream_writer.h"

struct AVFrame;
struct AVPacket;

namespace kvp::av {

class AvEncoder;

// The audio stream of a recording: 48 kHz stereo samples in, AAC-LC in ADTS frames out. Packets
// are stamped one after the other from the origin (1024 samples each), so the stream stays
// continuous; the encoder's 1024 samples of priming make the sound start 21 ms after its stamp.
class AudioTrack {
 public:
  static constexpr int32_t kSampleRate = 48000;
  static constexpr int32_t kChannels = 2;
  static constexpr int32_t kFrameSamples = 1024;

  static std::unique_ptr<AudioTrack> Open(const std::string& path, int32_t* code);
  ~AudioTrack();
  AudioTrack(const AudioTrack&) = delete;
  AudioTrack& operator=(const AudioTrack&) = delete;

  int64_t opened_end_us() const { return opened_end_us_; }
  int64_t end_us() const { return writer_.end_us(); }
  // Where the first packet of this track goes on the timeline (default: where the files ended).
  void SetOrigin(int64_t origin_us) { origin_us_ = origin_us; }
  // Samples pushed since the track was opened.
  int64_t samples() const { return samples_; }

  // Takes `count` samples of each channel; encodes and writes every complete frame.
  int32_t Push(const float* const* planes, int count);
  // Pads the last partial frame with silence, drains the encoder and pushes the files to disk.
  int32_t Finish();

 private:
  AudioTrack() = default;
  int32_t EncodeBuffered();
  int32_t WritePacket(const AVPacket& packet);

  RawStreamWriter writer_;
  std::unique_ptr<AvEncoder> encoder_;
  AVFrame* frame_ = nullptr;
  int64_t opened_end_us_ = 0;
  int64_t origin_us_ = 0;
  int64_t samples_ = 0;
  int64_t frames_in_ = 0;
  int64_t packets_out_ = 0;
  int buffered_ = 0;
  bool segment_start_ = true;
};

}  // namespace kvp::av
