#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "transcoder/codec_config.h"
#include "transcoder/fragmented_mp4_muxer.h"
#include "transcoder/stream_follower.h"

namespace qr_transcoder {

struct RemuxPaths {
  std::string video;
  std::string video_index;
  std::string audio;
  std::string audio_index;
  std::string output;
  std::string output_m4a;  // empty: no M4A
};

// Turns a recording's raw streams into the MP4 (and M4A) while they grow. Each Pass writes the
// frames indexed since the last one, in timeline order: a frame is written only once the other
// stream has reached its time too, so the tracks stay interleaved within one audio frame. The
// final pass writes the rest and the trailer. Not thread-safe.
//
//   Pass()* -> Pass(final) -> finished()       any failure ends it: failed() with the code
class RecordingRemuxer {
 public:
  explicit RecordingRemuxer(RemuxPaths paths) : paths_(std::move(paths)) {}

  // Frames indexed and not yet muxed (after looking at the files again).
  size_t PendingFrames();
  // A TranscodeResult. After a failure every later pass answers the same code.
  int32_t Pass(bool final);

  bool finished() const { return finished_; }
  int32_t failure() const { return failure_; }
  uint64_t committed_bytes() const { return main_.written_bytes(); }
  int64_t duration_ms() const { return main_.duration_ms(); }
  const RemuxPaths& paths() const { return paths_; }

  // The AAC encoder pads the sound's end to a whole frame; at most this many audio frames at the
  // very end that start after the last video frame are that padding and are left out, so the
  // file lasts as long as the recording.
  static constexpr size_t kAudioPaddingFrames = 2;
  // With no audio frame after this much video, the audio is taken to be absent.
  static constexpr int64_t kAudioWaitUs = 3'000'000;

 private:
  void OpenInputs();
  int32_t OpenOutputs(bool final);
  int32_t WriteVideo();
  int32_t WriteAudio();
  bool IsTrailingPadding(const kvp::av::RawIndexRecord& audio) const;
  int32_t Fail(int32_t code);

  RemuxPaths paths_;
  StreamFollower video_;
  StreamFollower audio_;
  FragmentedMp4Muxer main_;
  FragmentedMp4Muxer m4a_;
  CodecConfig::Adts adts_;
  StreamFrame frame_;
  bool finished_ = false;
  int32_t failure_ = 0;
};

}  // namespace qr_transcoder
