#include "host/media/capture/av_input.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavdevice/avdevice.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
}


#include <algorithm>
#include <chrono>
#include <thread>

#include "host/base/threading/clock.h"
#include "host/media/ffmpeg_util.h"

namespace kvp::av {

std::unique_ptr<AvInput> AvInput::Open(const InputPlan& plan, Kind kind, bool real_time, std::string* error) {
  RegisterFfmpegDevices();
  std::unique_ptr<AvInput> input(new AvInput());
  const AVInputFormat* format = av_find_input_format(plan.format.c_str());
  if (!format) {
    *error = "no input format " + plan.format;
    return nullptr;
  }
  input->format_ = avformat_alloc_context();
  input->format_->interrupt_callback = {&AvInput::InterruptCallback, input.get()};
  AVDictionary* options = nullptr;
  for (const auto& [key, value] : plan.options) av_dict_set(&options, key.c_str(), value.c_str(), 0);
  int result = avformat_open_input(&input->format_, plan.url.c_str(), format, &options);
  av_dict_free(&options);
  if (result < 0) {
    *error = plan.format + " " + plan.url + ": " + AvErrorText(result);
    return nullptr;
  }
  // Devices and lavfi graphs describe their stream at once; there is nothing to probe.
  const AVMediaType type = kind == Kind::kVideo ? AVMEDIA_TYPE_VIDEO : AVMEDIA_TYPE_AUDIO;
  const AVCodec* codec = nullptr;
  input->stream_index_ = av_find_best_stream(input->format_, type, -1, -1, &codec, 0);
  if (input->stream_index_ < 0 || !codec) {
    *error = plan.url + ": no decodable stream";
    return nullptr;
  }
  const AVStream* stream = input->format_->streams[input->stream_index_];
  input->decoder_ = avcodec_alloc_context3(codec);
  avcodec_parameters_to_context(input->decoder_, stream->codecpar);
  if ((result = avcodec_open2(input->decoder_, codec, nullptr)) < 0) {
    *error = plan.url + ": decoder: " + AvErrorText(result);
    return nullptr;
  }
  input->time_base_ = av_q2d(stream->time_base);
  input->packet_ = av_packet_alloc();
  input->paced_ = real_time && plan.synthetic;
  return input;
}

AvInput::~AvInput() {
  av_packet_free(&packet_);
  avcodec_free_context(&decoder_);
  avformat_close_input(&format_);
}

int AvInput::InterruptCallback(void* opaque) { return static_cast<AvInput*>(opaque)->interrupted_ ? 1 : 0; }

void AvInput::Pace(const AVFrame* frame) {
  if (frame->pts == AV_NOPTS_VALUE) return;
  const auto at_ms = static_cast<int64_t>(frame->pts * time_base_ * 1000);
  if (pace_start_ms_ == 0) pace_start_ms_ = base::clock::SteadyMs() - at_ms;
  const int64_t wait_ms = pace_start_ms_ + at_ms - base::clock::SteadyMs();
  if (wait_ms > 0 && !interrupted_) std::this_thread::sleep_for(std::chrono::milliseconds(std::min<int64_t>(wait_ms, 1000)));
}

int AvInput::ReadFrame(AVFrame* frame) {
  av_frame_unref(frame);
  while (true) {
    int result = avcodec_receive_frame(decoder_, frame);
    if (result >= 0 && paced_) Pace(frame);
    if (result != AVERROR(EAGAIN)) return result;
    if (draining_) return AVERROR_EOF;
    if (interrupted_) return AVERROR_EXIT;
    result = av_read_frame(format_, packet_);
    if (result == AVERROR_EOF) {
      draining_ = true;
      avcodec_send_packet(decoder_, nullptr);
      continue;
    }
    if (result < 0) return result;
    if (packet_->stream_index == stream_index_) result = avcodec_send_packet(decoder_, packet_);
    av_packet_unref(packet_);
    if (result < 0 && result != AVERROR(EAGAIN)) return result;
  }
}

}  // namespace kvp::av
