#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace kvp::av {
class AudioTrack;
class VideoTrack;
}  // namespace kvp::av

namespace qr_transcoder::testing {

// Writes a recording's raw streams with the media engine's own tracks (libx264 and AAC through
// the raw stream writer), segment by segment as a recorder with pauses would: a moving picture,
// noise when a test needs many bytes, or a still one with a pointer moving over it, and a tone.
// Not thread-safe.
class SyntheticRecording {
 public:
  struct Options {
    int width = 320;
    int height = 180;
    int fps = 30;
    bool noise = false;  // incompressible pictures: about a megabyte a second per 100k pixels
    bool pointer = false;  // a still picture with a small square moving over it, as the pointer
    bool audio = true;
  };

  SyntheticRecording();
  ~SyntheticRecording();

  // Opens "<base>.kovtv" and "<base>.kovta" (with their indexes) and writes the cover
  // "<base>.kovtc".
  bool Open(const std::string& base, const Options& options);
  // Records one segment of `duration_ms`, starting where the timeline ended; with `realtime` the
  // frames are written when they are due by the wall clock, as a live recorder writes them.
  bool RecordSegment(int64_t duration_ms, bool realtime = false);
  // Drains the encoders and pushes the files to disk.
  bool Finish();

  int64_t end_us() const;
  const std::string& base() const { return base_; }

 private:
  void Draw(int64_t frame_number);

  Options options_;
  std::string base_;
  std::unique_ptr<kvp::av::VideoTrack> video_;
  std::unique_ptr<kvp::av::AudioTrack> audio_;
  int64_t frames_ = 0;
  int64_t samples_ = 0;
  uint64_t noise_state_ = 0x9e3779b97f4a7c15ull;
};

}  // namespace qr_transcoder::testing
