#include "transcoder/recording_remuxer.h"

#include "host/base/logging/logger.h"
#include "transcoder/transcode_result.h"

namespace qr_transcoder {

using kvp::av::RawIndexRecord;
using kvp::av::RawStreamKind;

void RecordingRemuxer::OpenInputs() {
  // The recorder may not have created the files yet; they are looked for again on every pass.
  if (!video_.is_open() && !paths_.video.empty()) video_.Open(paths_.video, paths_.video_index);
  if (!audio_.is_open() && !paths_.audio.empty()) audio_.Open(paths_.audio, paths_.audio_index);
}

size_t RecordingRemuxer::PendingFrames() {
  OpenInputs();
  return (video_.is_open() ? video_.Poll() : 0) + (audio_.is_open() ? audio_.Poll() : 0);
}

int32_t RecordingRemuxer::Fail(int32_t code) {
  failure_ = code;
  KLOG(1) << "remux of " << paths_.output << " failed: " << code;
  return code;
}

int32_t RecordingRemuxer::OpenOutputs(bool final) {
  if (main_.is_open()) return kTranscodeOk;
  if ((video_.has_header() && video_.header().kind != RawStreamKind::kVideoH264) ||
      (audio_.has_header() && audio_.header().kind != RawStreamKind::kAudioAac)) {
    return Fail(kTranscodeInputBroken);
  }
  const RawIndexRecord* first_video = video_.Peek();
  const RawIndexRecord* first_audio = audio_.Peek();
  if (!first_video && !first_audio) {
    if (!final) return kTranscodeOk;
    return Fail(video_.is_open() || audio_.is_open() ? kTranscodeInputBroken : kTranscodeInputMissing);
  }
  // While recording, both tracks must be known before the header is written; the audio counts
  // as absent once the video has run on for a while without it.
  if (!final && !first_video) return kTranscodeOk;
  if (!final && !first_audio && video_.indexed_end_us() - first_video->pts_us < kAudioWaitUs) return kTranscodeOk;

  FragmentedMp4Muxer::VideoTrack video;
  FragmentedMp4Muxer::AudioTrack audio;
  if (first_video) {
    if (!video_.ReadNext(&frame_) || !(frame_.record.flags & kvp::av::kRawFlagKeyFrame)) {
      return Fail(kTranscodeInputBroken);
    }
    video.parameter_sets = CodecConfig::H264ParameterSets(frame_.data.data(), frame_.data.size());
    video.width = static_cast<int>(video_.header().params[0]);
    video.height = static_cast<int>(video_.header().params[1]);
    if (video.parameter_sets.empty() || video.width <= 0 || video.height <= 0) return Fail(kTranscodeInputBroken);
  }
  if (first_audio) {
    if (!audio_.ReadNext(&frame_) || !CodecConfig::ParseAdts(frame_.data.data(), frame_.data.size(), &adts_)) {
      return Fail(kTranscodeInputBroken);
    }
    audio = {adts_.sample_rate, adts_.channels, adts_.audio_specific_config};
  }
  if (!first_audio) KLOG(3) << "no audio frames in " << paths_.audio << "; the MP4 gets video only";
  int32_t result = main_.Open(paths_.output, first_video ? &video : nullptr, first_audio ? &audio : nullptr);
  if (result == kTranscodeOk && first_audio && !paths_.output_m4a.empty()) {
    result = m4a_.Open(paths_.output_m4a, nullptr, &audio);
  }
  return result == kTranscodeOk ? result : Fail(result);
}

int32_t RecordingRemuxer::WriteVideo() {
  if (!video_.Take(&frame_)) return kTranscodeInputBroken;
  const RawIndexRecord& r = frame_.record;
  return main_.WriteVideo(frame_.data.data(), frame_.data.size(), r.pts_us, r.duration_us,
                          r.flags & kvp::av::kRawFlagKeyFrame);
}

int32_t RecordingRemuxer::WriteAudio() {
  if (!audio_.Take(&frame_) || !CodecConfig::ParseAdts(frame_.data.data(), frame_.data.size(), &adts_)) {
    return kTranscodeInputBroken;
  }
  const RawIndexRecord& r = frame_.record;
  const uint8_t* payload = frame_.data.data() + adts_.header_size;
  const size_t size = frame_.data.size() - adts_.header_size;
  int32_t result = main_.WriteAudio(payload, size, r.pts_us, r.duration_us);
  if (result == kTranscodeOk && m4a_.is_open()) result = m4a_.WriteAudio(payload, size, r.pts_us, r.duration_us);
  return result;
}

bool RecordingRemuxer::IsTrailingPadding(const RawIndexRecord& audio) const {
  return audio.pts_us >= main_.video_end_us() && audio_.remaining() <= kAudioPaddingFrames;
}

int32_t RecordingRemuxer::Pass(bool final) {
  if (failure_ != kTranscodeOk || finished_) return failure_;
  PendingFrames();
  if (const int32_t result = OpenOutputs(final); result != kTranscodeOk) return result;
  if (!main_.is_open()) return kTranscodeOk;
  for (;;) {
    const RawIndexRecord* video = main_.has_video() ? video_.Peek() : nullptr;
    const RawIndexRecord* audio = main_.has_audio() ? audio_.Peek() : nullptr;
    int32_t result = kTranscodeOk;
    if (video && audio) {
      result = video->pts_us <= audio->pts_us ? WriteVideo() : WriteAudio();
    } else if (video && (final || !main_.has_audio())) {
      result = WriteVideo();
    } else if (audio && final && main_.has_video() && IsTrailingPadding(*audio)) {
      audio_.Take(&frame_);
    } else if (audio && (final || !main_.has_video())) {
      result = WriteAudio();
    } else {
      break;
    }
    if (result != kTranscodeOk) return Fail(result);
  }
  if (!final) return kTranscodeOk;
  int32_t result = main_.Finish();
  if (result == kTranscodeOk && m4a_.is_open()) result = m4a_.Finish();
  if (result != kTranscodeOk) return Fail(result);
  finished_ = true;
  return kTranscodeOk;
}

}  // namespace qr_transcoder
