#include "host/media/encoding/video_track.h"

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

int32_t VideoTrack::Encode(int64_t pts_us, int64_t duration_us, bool segment_start, bool* key_frame) {
  picture_->pts = frame_number_++;
  picture_->pict_type = segment_start ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
  pending_.push_back({pts_us, duration_us, segment_start});
  last_key_ = false;
  const int32_t code = encoder_->Encode(picture_, [this](const AVPacket& packet) { return WritePacket(packet); });
  *key_frame = last_key_;
  return code;
}

int32_t VideoTrack::WritePacket(const AVPacket& packet) {
  if (pending_.empty()) {
    KLOG(3) << "video packet without a frame, dropped";
    return kOk;
  }
  const Pending frame = pending_.front();
  pending_.pop_front();
  last_key_ = (packet.flags & AV_PKT_FLAG_KEY) != 0;
  uint32_t flags = last_key_ ? kRawFlagKeyFrame : 0;
  if (frame.segment_start) flags |= kRawFlagSegmentStart;
  return writer_.Write(packet.data, static_cast<size_t>(packet.size), frame.pts_us,
                       static_cast<uint32_t>(frame.duration_us), flags);
}

int32_t VideoTrack::Finish() {
  const int32_t drained = encoder_->Encode(nullptr, [this](const AVPacket& packet) { return WritePacket(packet); });
  const int32_t synced = writer_.Sync();
  writer_.Close();
  return drained != kOk ? drained : synced;
}

}  // namespace kvp::av
