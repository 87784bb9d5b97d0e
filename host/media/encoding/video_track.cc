#include "host/media/encoding/video_track.h"

#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
}

#include "host/base/logging/logger.h"
#include "host/media/encoding/av_encoder.h"
#include "host/media/encoding/encoder_settings.h"
#include "host/media/ffmpeg_util.h"

namespace kvp::av {

std::unique_ptr<VideoTrack> VideoTrack::Open(const std::string& path, const RecorderConfig& config, int32_t* code) {
  std::unique_ptr<VideoTrack> track(new VideoTrack());
  const auto header = RawIndexHeader::Video(static_cast<uint32_t>(config.width & ~1),
                                            static_cast<uint32_t>(config.height & ~1),
                                            static_cast<uint32_t>(config.fps));
  const auto opened = track->writer_.Open(path, header);
  if ((*code = opened.code) != kOk) return nullptr;
  track->width_ = static_cast<int32_t>(opened.header.params[0]);
  track->height_ = static_cast<int32_t>(opened.header.params[1]);
  track->opened_end_us_ = opened.end_us;
  const int32_t fps = std::max(1, config.fps);
  const EncoderSettings settings = EncoderSettings::FromItems(config.encoder_items);
  std::string error;
  track->encoder_ = AvEncoder::Open(
      "libx264",
      [&](AVCodecContext* context) {
        context->width = track->width_;
        context->height = track->height_;
        context->pix_fmt = AV_PIX_FMT_YUV420P;
        context->time_base = {1, fps};
        context->framerate = {fps, 1};
        context->color_range = AVCOL_RANGE_MPEG;
      },
      settings.ToCodecOptions(fps), &error);
  if (!track->encoder_) {
    KLOG(1) << "video encoder: " << error;
    *code = kErrEncoderOpen;
    return nullptr;
  }
  track->keyint_ = settings.KeyintFrames(fps);
  track->repeater_ = std::make_unique<RepeatFrameCoder>(!settings.MayReorderReferences());
  track->planner_ = std::make_unique<PatchPlanner>(track->width_, track->height_);
  track->picture_ = av_frame_alloc();
  track->picture_->format = AV_PIX_FMT_YUV420P;
  track->picture_->width = track->width_;
  track->picture_->height = track->height_;
  if (av_frame_get_buffer(track->picture_, 0) < 0) {
    *code = kErrEncoderOpen;
    return nullptr;
  }
  FillI420(track->Canvas(), {0, 0, track->width_, track->height_}, 16, 128, 128);
  KLOG(6) << "video track " << path << " " << track->width_ << "x" << track->height_ << " at " << fps << " fps"
          << (opened.appended ? ", appending" : "");
  return track;
}

VideoTrack::~VideoTrack() { av_frame_free(&picture_); }

I420View VideoTrack::Canvas() {
  // The encoder may still hold a reference to the last picture; then it gets a copy of its own.
  av_frame_make_writable(picture_);
  return I420ViewOf(picture_);
}

bool VideoTrack::CanRepeat() const {
  if (!pending_.empty()) return false;
  // A key frame due on a screen still since libx264's last one is that key frame again: as cheap
  // as a repeat, so a slot the video thread missed there need not be dropped either.
  if (since_key_ >= keyint_) return CanReplayKey();
  return repeater_->CanRepeat();
}

bool VideoTrack::CanReplayKey() const {
  return pending_.empty() && repeater_->CanReplayKey() && key_pixels_.size() == PictureBytes() &&
         EveryPictureRow([this](const uint8_t* row, size_t bytes, size_t offset) {
           return std::memcmp(row, key_pixels_.data() + offset, bytes) == 0;
         });
}

int32_t VideoTrack::Encode(int64_t pts_us, int64_t duration_us, bool segment_start, bool unchanged,
                           bool* key_frame) {
  const bool key_due = segment_start || since_key_ >= keyint_;
  // Repeats wait for nothing in the encoder: libx264 holds no frames back here. A key frame is
  // compared pixel by pixel (once a key interval), as a new segment repaints the whole canvas.
  if (key_due && CanReplayKey()) {
    const std::vector<uint8_t>& key = repeater_->ReplayKey();
    planner_->Reset(I420ViewOf(picture_));
    ++repeats_;
    *key_frame = true;
    return WriteFrame(key.data(), key.size(), pts_us, duration_us, true, segment_start);
  }
  if (unchanged && !key_due && CanRepeat()) {
    const std::vector<uint8_t> repeat = repeater_->MakeRepeat();
    ++repeats_;
    *key_frame = false;
    return WriteFrame(repeat.data(), repeat.size(), pts_us, duration_us, false, false);
  }
  // A patch is planned whenever one could be written: comparing the picture with libx264's last
  // one costs a pass over memory, far less than the encoder's pass over the same picture.
  if (!key_due && pending_.empty() && repeater_->CanPatch() && planner_->Plan(I420ViewOf(picture_), &patch_)) {
    const std::vector<uint8_t> patch = repeater_->MakePatch(patch_);
    ++patches_;
    *key_frame = false;
    return WriteFrame(patch.data(), patch.size(), pts_us, duration_us, false, false);
  }
  picture_->pts = frame_number_++;
  picture_->pict_type = key_due ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
  pending_.push_back({pts_us, duration_us, segment_start});
  last_key_ = false;
  const int32_t code = encoder_->Encode(picture_, [this](const AVPacket& packet) { return WritePacket(packet); });
  planner_->Reset(I420ViewOf(picture_));
  *key_frame = last_key_;
  if (last_key_) {
    // Kept in the same buffer every time: a fresh one would cost a key frame its page faults.
    key_pixels_.resize(PictureBytes());
    EveryPictureRow([this](const uint8_t* row, size_t bytes, size_t offset) {
      std::memcpy(key_pixels_.data() + offset, row, bytes);
      return true;
    });
  }
  return code;
}

template <typename Visit>
bool VideoTrack::EveryPictureRow(Visit visit) const {
  size_t offset = 0;
  for (int plane = 0; plane < 3; ++plane) {
    const int rows = plane ? height_ / 2 : height_;
    const size_t bytes = static_cast<size_t>(plane ? width_ / 2 : width_);
    for (int y = 0; y < rows; ++y, offset += bytes) {
      if (!visit(picture_->data[plane] + static_cast<ptrdiff_t>(y) * picture_->linesize[plane], bytes, offset)) {
        return false;
      }
    }
  }
  return true;
}

int32_t VideoTrack::WritePacket(const AVPacket& packet) {
  if (pending_.empty()) {
    KLOG(3) << "video packet without a frame, dropped";
    return kOk;
  }
  const Pending frame = pending_.front();
  pending_.pop_front();
  last_key_ = (packet.flags & AV_PKT_FLAG_KEY) != 0;
  std::vector<uint8_t> renumbered;
  if (repeater_->TakeEncoded(packet.data, static_cast<size_t>(packet.size), &renumbered)) {
    return WriteFrame(renumbered.data(), renumbered.size(), frame.pts_us, frame.duration_us, last_key_,
                      frame.segment_start);
  }
  return WriteFrame(packet.data, static_cast<size_t>(packet.size), frame.pts_us, frame.duration_us, last_key_,
                    frame.segment_start);
}

int32_t VideoTrack::WriteFrame(const uint8_t* data, size_t size, int64_t pts_us, int64_t duration_us,
                               bool key_frame, bool segment_start) {
  since_key_ = key_frame ? 1 : since_key_ + 1;
  uint32_t flags = key_frame ? kRawFlagKeyFrame : 0;
  if (segment_start) flags |= kRawFlagSegmentStart;
  return writer_.Write(data, size, pts_us, static_cast<uint32_t>(duration_us), flags);
}

int32_t VideoTrack::Finish() {
  const int32_t drained = encoder_->Encode(nullptr, [this](const AVPacket& packet) { return WritePacket(packet); });
  const int32_t synced = writer_.Sync();
  KLOG(6) << "video track " << writer_.data_path() << ": " << writer_.frames() << " frames, " << repeats_
          << " of them repeats and " << patches_ << " patches this time";
  writer_.Close();
  return drained != kOk ? drained : synced;
}

}  // namespace kvp::av
