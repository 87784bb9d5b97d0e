#include "host/media/audio/audio_track.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
}

#include <algorithm>
#include <cstring>

#include "host/base/logging/logger.h"
#include "host/media/stream/adts_header.h"
#include "host/media/encoding/av_encoder.h"
#include "host/media/encoding/frame_clock.h"

namespace kvp::av {

std::unique_ptr<AudioTrack> AudioTrack::Open(const std::string& path, int32_t* code) {
  std::unique_ptr<AudioTrack> track(new AudioTrack());
  const auto opened = track->writer_.Open(path, RawIndexHeader::Audio(kSampleRate, kChannels, kFrameSamples));
  if ((*code = opened.code) != kOk) return nullptr;
  if (opened.header != RawIndexHeader::Audio(kSampleRate, kChannels, kFrameSamples)) {
    KLOG(1) << "audio stream " << path << " has another format";
    *code = kErrFileFormat;
    return nullptr;
  }
  track->opened_end_us_ = track->origin_us_ = opened.end_us;
  std::string error;
  track->encoder_ = AvEncoder::Open(
      "aac",
      [](AVCodecContext* context) {
        context->sample_fmt = AV_SAMPLE_FMT_FLTP;
        context->sample_rate = kSampleRate;
        av_channel_layout_default(&context->ch_layout, kChannels);
        context->bit_rate = 128000;
        context->time_base = {1, kSampleRate};
      },
      {}, &error);
  if (!track->encoder_) {
    KLOG(1) << "audio encoder: " << error;
    *code = kErrEncoderOpen;
    return nullptr;
  }
  track->frame_ = av_frame_alloc();
  track->frame_->format = AV_SAMPLE_FMT_FLTP;
  track->frame_->nb_samples = kFrameSamples;
  track->frame_->sample_rate = kSampleRate;
  av_channel_layout_default(&track->frame_->ch_layout, kChannels);
  if (av_frame_get_buffer(track->frame_, 0) < 0) {
    *code = kErrEncoderOpen;
    return nullptr;
  }
  return track;
}

AudioTrack::~AudioTrack() { av_frame_free(&frame_); }

int32_t AudioTrack::Push(const float* const* planes, int count) {
  int taken = 0;
  while (taken < count) {
    if (av_frame_make_writable(frame_) < 0) return kErrEncode;
    const int n = std::min(count - taken, kFrameSamples - buffered_);
    for (int c = 0; c < kChannels; ++c) {
      std::memcpy(reinterpret_cast<float*>(frame_->data[c]) + buffered_, planes[c] + taken, n * sizeof(float));
    }
    buffered_ += n;
    taken += n;
    samples_ += n;
    if (buffered_ == kFrameSamples) {
      if (const int32_t code = EncodeBuffered(); code != kOk) return code;
    }
  }
  return kOk;
}

int32_t AudioTrack::EncodeBuffered() {
  frame_->pts = frames_in_++ * kFrameSamples;
  buffered_ = 0;
  return encoder_->Encode(frame_, [this](const AVPacket& packet) { return WritePacket(packet); });
}

int32_t AudioTrack::WritePacket(const AVPacket& packet) {
  std::vector<uint8_t> adts(kAdtsHeaderSize + static_cast<size_t>(packet.size));
  if (!WriteAdtsHeader(adts.data(), kSampleRate, kChannels, static_cast<size_t>(packet.size))) return kErrEncode;
  std::memcpy(adts.data() + kAdtsHeaderSize, packet.data, static_cast<size_t>(packet.size));
  const int64_t pts = origin_us_ + SamplesToUs(packets_out_ * kFrameSamples, kSampleRate);
  const int64_t next = origin_us_ + SamplesToUs((packets_out_ + 1) * kFrameSamples, kSampleRate);
  ++packets_out_;
  uint32_t flags = kRawFlagKeyFrame;
  if (segment_start_) flags |= kRawFlagSegmentStart;
  segment_start_ = false;
  return writer_.Write(adts.data(), adts.size(), pts, static_cast<uint32_t>(next - pts), flags);
}

int32_t AudioTrack::Finish() {
  int32_t code = kOk;
  if (buffered_ > 0) {
    if (av_frame_make_writable(frame_) < 0) return kErrEncode;
    for (int c = 0; c < kChannels; ++c) {
      std::fill(reinterpret_cast<float*>(frame_->data[c]) + buffered_,
                reinterpret_cast<float*>(frame_->data[c]) + kFrameSamples, 0.0f);
    }
    code = EncodeBuffered();
  }
  const int32_t drained = encoder_->Encode(nullptr, [this](const AVPacket& packet) { return WritePacket(packet); });
  const int32_t synced = writer_.Sync();
  writer_.Close();
  return code != kOk ? code : drained != kOk ? drained : synced;
}

}  // namespace kvp::av
