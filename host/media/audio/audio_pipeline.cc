#include "host/media/audio/audio_pipeline.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "host/base/threading/clock.h"
#include "host/media/encoding/frame_clock.h"
#include "host/media/pipeline_thread.h"

namespace kvp::av {

namespace {
constexpr int64_t kPeriodMs = 20;
// Sources deliver in chunks; samples are taken this long after they were due.
constexpr int64_t kMarginMs = 60;
constexpr int kChunk = 960;
}  // namespace

AudioPipeline::AudioPipeline(AudioTrack& track, AudioCaptureImpl& capture, EngineListeners& listeners,
                             std::function<void(int32_t)> on_failure, int64_t start_ms)
    : track_(track),
      capture_(capture),
      listeners_(listeners),
      on_failure_(std::move(on_failure)),
      start_ms_(start_ms),
      start_samples_(track.samples()),
      meter_(AudioTrack::kSampleRate / 10),
      thread_([this] { Run(); }) {}

AudioPipeline::~AudioPipeline() {
  if (thread_.joinable()) {
    Stop(start_samples_ + UsToSamples((base::clock::SteadyMs() - start_ms_) * 1000, AudioTrack::kSampleRate));
  }
}

void AudioPipeline::Hold(int64_t stop_ms) {
  std::lock_guard<std::mutex> lock(mutex_);
  // The video's end lies within half a frame of the stop; the usual margin keeps clear of it.
  held_samples_ = start_samples_ + UsToSamples((stop_ms - start_ms_ - kMarginMs) * 1000, AudioTrack::kSampleRate);
}

void AudioPipeline::Stop(int64_t end_samples) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    end_samples_ = end_samples;
  }
  wake_.notify_all();
  thread_.join();
}

void AudioPipeline::Run() {
  MarkPipelineThread();
  // What came in while the recording was paused does not belong to it.
  for (const auto& input : {capture_.Microphone(), capture_.Loopback()}) {
    if (input) input->Clear();
  }
  while (true) {
    int64_t target = 0;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait_for(lock, std::chrono::milliseconds(kPeriodMs), [this] { return stopping_; });
      target = stopping_ ? end_samples_
                         : std::min(held_samples_, start_samples_ + UsToSamples((base::clock::SteadyMs() - start_ms_ -
                                                                                  kMarginMs) * 1000,
                                                                                 AudioTrack::kSampleRate));
    }
    if (!FeedTo(target)) return;
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_ && track_.samples() >= end_samples_) return;
  }
}

bool AudioPipeline::FeedTo(int64_t target_samples) {
  std::vector<float> microphone[2] = {std::vector<float>(kChunk), std::vector<float>(kChunk)};
  std::vector<float> system[2] = {std::vector<float>(kChunk), std::vector<float>(kChunk)};
  while (track_.samples() < target_samples) {
    const int count = static_cast<int>(std::min<int64_t>(kChunk, target_samples - track_.samples()));
    float* mic[2] = {microphone[0].data(), microphone[1].data()};
    float* sys[2] = {system[0].data(), system[1].data()};
    const auto mic_input = capture_.Microphone();
    const auto sys_input = capture_.Loopback();
    for (int c = 0; c < 2; ++c) {
      if (!mic_input) std::fill(mic[c], mic[c] + count, 0.0f);
      if (!sys_input) std::fill(sys[c], sys[c] + count, 0.0f);
    }
    if (mic_input) mic_input->Pull(mic, count);
    if (sys_input) sys_input->Pull(sys, count);
    capture_.processing().Process(mic, 2, count);
    // The level is taken before muting, so speaking into a closed microphone still shows.
    int32_t level = 0;
    if (meter_.Add(mic, 2, count, &level)) {
      capture_.set_volume(level);
      listeners_.NotifyMicrophoneVolume(level);
    }
    const float mic_gain = capture_.IsMicrophoneEnabled() ? 1.0f : 0.0f;
    for (int c = 0; c < 2; ++c) {
      for (int i = 0; i < count; ++i) sys[c][i] = std::clamp(sys[c][i] + mic_gain * mic[c][i], -1.0f, 1.0f);
    }
    if (const int32_t code = track_.Push(sys, count); code != kOk) {
      on_failure_(code);
      return false;
    }
  }
  return true;
}

}  // namespace kvp::av
