#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "host/media/media_types.h"
#include "host/media/capture/pixel_ops.h"
#include "host/media/encoding/patch_planner.h"
#include "host/media/encoding/repeat_frame_coder.h"
#include "host/media/stream/raw_stream_writer.h"

struct AVFrame;
struct AVPacket;

namespace kvp::av {

class AvEncoder;

// The video stream of a recording: the picture the sources draw into, the libx264 encoder and
// the raw stream writer. Used by one thread at a time (the video thread while recording).
class VideoTrack {
 public:
  // Opens (or continues) the stream at `path`. When continuing, the stream's own size wins over
  // the config's.
  static std::unique_ptr<VideoTrack> Open(const std::string& path, const RecorderConfig& config, int32_t* code);
  ~VideoTrack();
  VideoTrack(const VideoTrack&) = delete;
  VideoTrack& operator=(const VideoTrack&) = delete;

  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  // Where the files ended when they were opened (0 for new files).
  int64_t opened_end_us() const { return opened_end_us_; }
  int64_t end_us() const { return writer_.end_us(); }
  // Frames in the stream (those of earlier sessions included).
  uint64_t frames() const { return writer_.frames(); }
  const std::string& path() const { return writer_.data_path(); }

  // The picture for the next frame; valid until Encode. It keeps what the last frame showed.
  I420View Canvas();
  const AVFrame* picture() const { return picture_; }

  // Encodes the picture as the frame at `pts_us` and writes it. The first frame after
  // `segment_start` is an IDR frame, and so is every frame a key interval after the last one.
  // `unchanged`: the picture is the one of the last frame; it is then written as a repeat
  // (RepeatFrameCoder) when it can be. A picture that differs from libx264's last one in a few
  // macroblocks is written as a patch of it (PatchPlanner). Returns kOk or the encoder's or
  // writer's failure.
  int32_t Encode(int64_t pts_us, int64_t duration_us, bool segment_start, bool unchanged, bool* key_frame);
  // Whether the next frame, if its picture is unchanged, costs nothing: a repeat, or libx264's
  // last key frame written again when a key frame is due.
  bool CanRepeat() const;
  // Drains the encoder and pushes the files to disk.
  int32_t Finish();

 private:
  VideoTrack() = default;
  // Whether libx264's last key frame can be written again for a key frame due now.
  bool CanReplayKey() const;
  int32_t WritePacket(const AVPacket& packet);
  int32_t WriteFrame(const uint8_t* data, size_t size, int64_t pts_us, int64_t duration_us, bool key_frame,
                     bool segment_start);
  // Calls `visit(row, bytes, offset)` on each row of the picture's planes until it returns false;
  // `offset` is where the row starts in the planes laid out one after the other without padding.
  template <typename Visit>
  bool EveryPictureRow(Visit visit) const;
  size_t PictureBytes() const { return static_cast<size_t>(width_) * height_ * 3 / 2; }

  struct Pending {
    int64_t pts_us;
    int64_t duration_us;
    bool segment_start;
  };

  RawStreamWriter writer_;
  std::unique_ptr<AvEncoder> encoder_;
  AVFrame* picture_ = nullptr;
  int32_t width_ = 0;
  int32_t height_ = 0;
  int64_t opened_end_us_ = 0;
  int64_t frame_number_ = 0;
  // Frames sent to the encoder whose packets have not come out yet, oldest first.
  std::deque<Pending> pending_;
  bool last_key_ = false;
  std::unique_ptr<RepeatFrameCoder> repeater_;
  std::unique_ptr<PatchPlanner> planner_;
  FramePatch patch_;  // kept for its buffers
  // Key frames come every `keyint_` frames of the timeline, repeats included: libx264 counts
  // only the frames it sees, so the track asks for them itself.
  int32_t keyint_ = 0;
  int32_t since_key_ = 0;
  int64_t repeats_ = 0;  // for the log
  int64_t patches_ = 0;
  // The pixels of libx264's last key frame (planes without padding), to tell whether it can be
  // written again.
  std::vector<uint8_t> key_pixels_;
};

}  // namespace kvp::av
