#include "host/media/audio/audio_input.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cstring>
#include <vector>

#include "host/base/logging/logger.h"
#include "host/media/capture/av_input.h"
#include "host/media/ffmpeg_util.h"

namespace kvp::av {

namespace {
constexpr int kRate = 48000;
constexpr int kMaxBuffered = kRate / 2;
constexpr int kKeepWhenCut = kRate / 10;
}  // namespace

std::shared_ptr<AudioInput> AudioInput::Open(const InputPlan& plan, std::string* error) {
  std::shared_ptr<AudioInput> source(new AudioInput());
  source->input_ = AvInput::Open(plan, AvInput::Kind::kAudio, true, error);
  if (!source->input_) return nullptr;
  const AVCodecContext* decoder = source->input_->decoder();
  AVChannelLayout stereo;
  av_channel_layout_default(&stereo, 2);
  int result = swr_alloc_set_opts2(&source->resampler_, &stereo, AV_SAMPLE_FMT_FLTP, kRate, const_cast<AVChannelLayout*>(&decoder->ch_layout),
                                   decoder->sample_fmt, decoder->sample_rate, 0, nullptr);
  if (result < 0 || (result = swr_init(source->resampler_)) < 0) {
    *error = plan.url + ": resampler: " + AvErrorText(result);
    return nullptr;
  }
  source->fifo_ = av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, 2, kMaxBuffered);
  source->thread_ = std::thread([raw = source.get()] { raw->Run(); });
  KLOG(6) << "audio source " << plan.url << " opened";
  return source;
}

AudioInput::~AudioInput() {
  stop_ = true;
  if (input_) input_->Interrupt();
  if (thread_.joinable()) thread_.join();
  swr_free(&resampler_);
  if (fifo_) av_audio_fifo_free(fifo_);
}

void AudioInput::Pull(float* const planes[2], int count) {
  int got = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    got = std::max(0, av_audio_fifo_read(fifo_, reinterpret_cast<void**>(const_cast<float**>(planes)), count));
  }
  for (int c = 0; c < 2; ++c) std::fill(planes[c] + got, planes[c] + count, 0.0f);
}

void AudioInput::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  av_audio_fifo_reset(fifo_);
}

void AudioInput::Run() {
  AVFrame* frame = av_frame_alloc();
  std::vector<float> left, right;
  while (!stop_) {
    const int result = input_->ReadFrame(frame);
    if (result < 0) {
      if (!stop_) KLOG(1) << "audio read failed: " << AvErrorText(result) << ", recording silence";
      break;
    }
    const int capacity = swr_get_out_samples(resampler_, frame->nb_samples);
    left.resize(capacity);
    right.resize(capacity);
    uint8_t* out[2] = {reinterpret_cast<uint8_t*>(left.data()), reinterpret_cast<uint8_t*>(right.data())};
    const int converted = swr_convert(resampler_, out, capacity, const_cast<const uint8_t**>(frame->extended_data),
                                      frame->nb_samples);
    if (converted <= 0) continue;
    std::lock_guard<std::mutex> lock(mutex_);
    if (av_audio_fifo_size(fifo_) + converted > kMaxBuffered) {
      av_audio_fifo_drain(fifo_, av_audio_fifo_size(fifo_) - kKeepWhenCut);
    }
    av_audio_fifo_write(fifo_, reinterpret_cast<void**>(out), converted);
  }
  av_frame_free(&frame);
}

}  // namespace kvp::av
