#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct AVFormatContext;
struct AVIOContext;

namespace qr_transcoder {

// Writes H.264 and AAC frames, as they come, into a fragmented MP4 (a moof+mdat per key-frame
// interval behind an empty moov; audio-only files get a fragment every two seconds). The output
// is written front to back and never sought, so every byte counted by written_bytes() is final:
// the uploader may send it while the file still grows. Timestamps are the recording timeline in
// microseconds. Not thread-safe. Results are TranscodeResult codes.
class FragmentedMp4Muxer {
 public:
  struct VideoTrack {
    int width = 0;
    int height = 0;
    std::string parameter_sets;  // SPS and PPS, Annex-B
  };
  struct AudioTrack {
    int sample_rate = 0;
    int channels = 0;
    std::string audio_specific_config;
  };

  FragmentedMp4Muxer() = default;
  ~FragmentedMp4Muxer();
  FragmentedMp4Muxer(const FragmentedMp4Muxer&) = delete;
  FragmentedMp4Muxer& operator=(const FragmentedMp4Muxer&) = delete;

  // Creates (or truncates) `path` and writes the header. Either track may be null, not both.
  int32_t Open(const std::string& path, const VideoTrack* video, const AudioTrack* audio);
  // An Annex-B access unit.
  int32_t WriteVideo(const uint8_t* data, size_t size, int64_t pts_us, int64_t duration_us, bool key);
  // A raw AAC frame (without its ADTS header).
  int32_t WriteAudio(const uint8_t* data, size_t size, int64_t pts_us, int64_t duration_us);
  // Writes the last fragment and the index at the end; the file is complete.
  int32_t Finish();

  bool is_open() const { return context_ != nullptr; }
  bool has_video() const { return video_index_ >= 0; }
  bool has_audio() const { return audio_index_ >= 0; }
  uint64_t written_bytes() const { return written_; }
  // End of the last muxed frame of the video track (of the audio track without video), in ms.
  int64_t duration_ms() const;
  int64_t video_end_us() const { return video_end_us_; }

 private:
  int32_t Write(int stream, const uint8_t* data, size_t size, int64_t pts_us, int64_t duration_us, bool key);
  int32_t Failure(int av_error, const char* what);
  void Close();
  static int OnWrite(void* opaque, const uint8_t* buffer, int size);

  AVFormatContext* context_ = nullptr;
  AVIOContext* io_ = nullptr;
  int fd_ = -1;
  int video_index_ = -1;
  int audio_index_ = -1;
  uint64_t written_ = 0;
  int write_errno_ = 0;  // set when the file refused bytes: the output, not the muxer, failed
  int64_t last_dts_[2] = {-1, -1};
  int64_t video_end_us_ = 0;
  int64_t audio_end_us_ = 0;
};

}  // namespace qr_transcoder
