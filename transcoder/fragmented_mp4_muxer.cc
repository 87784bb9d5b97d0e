#include "transcoder/fragmented_mp4_muxer.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/mem.h>
}

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "host/base/logging/logger.h"
#include "transcoder/transcode_result.h"

namespace qr_transcoder {

namespace {

constexpr AVRational kMicroseconds{1, 1000000};
constexpr int kIoBufferSize = 64 * 1024;

bool SetExtradata(AVCodecParameters* par, const std::string& bytes) {
  par->extradata = static_cast<uint8_t*>(av_mallocz(bytes.size() + AV_INPUT_BUFFER_PADDING_SIZE));
  if (!par->extradata) return false;
  std::memcpy(par->extradata, bytes.data(), bytes.size());
  par->extradata_size = static_cast<int>(bytes.size());
  return true;
}

}  // namespace

FragmentedMp4Muxer::~FragmentedMp4Muxer() { Close(); }

int FragmentedMp4Muxer::OnWrite(void* opaque, const uint8_t* buffer, int size) {
  auto* self = static_cast<FragmentedMp4Muxer*>(opaque);
  for (int done = 0; done < size;) {
    const ssize_t n = ::write(self->fd_, buffer + done, static_cast<size_t>(size - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      self->write_errno_ = n < 0 ? errno : ENOSPC;
      return AVERROR(self->write_errno_);
    }
    done += static_cast<int>(n);
    self->written_ += static_cast<uint64_t>(n);
  }
  return size;
}

int32_t FragmentedMp4Muxer::Open(const std::string& path, const VideoTrack* video, const AudioTrack* audio) {
  Close();
  video_index_ = audio_index_ = -1;
  written_ = 0;
  write_errno_ = 0;
  last_dts_[0] = last_dts_[1] = -1;
  video_end_us_ = audio_end_us_ = 0;
  if (!video && !audio) return kTranscodeInputBroken;
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd_ < 0) {
    KLOG(1) << "cannot create " << path << ": " << std::strerror(errno);
    return kTranscodeOutputFailed;
  }
  int ret = avformat_alloc_output_context2(&context_, nullptr, "mp4", nullptr);
  if (ret < 0) return Failure(ret, "alloc output");
  auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferSize));
  // The callback's buffer lost its const in older FFmpeg; the muxer never writes through it.
  io_ = avio_alloc_context(buffer, kIoBufferSize, 1, this, nullptr,
                           reinterpret_cast<int (*)(void*, uint8_t*, int)>(&FragmentedMp4Muxer::OnWrite), nullptr);
  if (!io_) return Failure(AVERROR(ENOMEM), "alloc io");
  io_->seekable = 0;
  context_->pb = io_;
  context_->flags |= AVFMT_FLAG_CUSTOM_IO;

  if (video) {
    AVStream* stream = avformat_new_stream(context_, nullptr);
    if (!stream) return Failure(AVERROR(ENOMEM), "video stream");
    stream->time_base = kMicroseconds;
    AVCodecParameters* par = stream->codecpar;
    par->codec_type = AVMEDIA_TYPE_VIDEO;
    par->codec_id = AV_CODEC_ID_H264;
    par->width = video->width;
    par->height = video->height;
    if (!SetExtradata(par, video->parameter_sets)) return Failure(AVERROR(ENOMEM), "video extradata");
    video_index_ = stream->index;
  }
  if (audio) {
    AVStream* stream = avformat_new_stream(context_, nullptr);
    if (!stream) return Failure(AVERROR(ENOMEM), "audio stream");
    stream->time_base = kMicroseconds;
    AVCodecParameters* par = stream->codecpar;
    par->codec_type = AVMEDIA_TYPE_AUDIO;
    par->codec_id = AV_CODEC_ID_AAC;
    par->sample_rate = audio->sample_rate;
    av_channel_layout_default(&par->ch_layout, audio->channels);
    par->frame_size = 1024;
    if (!SetExtradata(par, audio->audio_specific_config)) return Failure(AVERROR(ENOMEM), "audio extradata");
    audio_index_ = stream->index;
  }

  AVDictionary* options = nullptr;
  // Fragments cut at key frames make each fragment playable alone; audio alone is cut by time.
  av_dict_set(&options, "movflags", "frag_keyframe+empty_moov+default_base_moof", 0);
  if (!video) av_dict_set(&options, "frag_duration", "2000000", 0);
  // 90 kHz holds every frame rate's µs timestamps without the very fine time base warning.
  av_dict_set(&options, "video_track_timescale", "90000", 0);
  ret = avformat_write_header(context_, &options);
  av_dict_free(&options);
  if (ret < 0) return Failure(ret, "write header");
  avio_flush(io_);
  if (write_errno_) return Failure(AVERROR(write_errno_), "write header");
  return kTranscodeOk;
}

int32_t FragmentedMp4Muxer::WriteVideo(const uint8_t* data, size_t size, int64_t pts_us, int64_t duration_us,
                                       bool key) {
  const int32_t result = Write(video_index_, data, size, pts_us, duration_us, key);
  if (result == kTranscodeOk) video_end_us_ = std::max(video_end_us_, pts_us + duration_us);
  return result;
}

int32_t FragmentedMp4Muxer::WriteAudio(const uint8_t* data, size_t size, int64_t pts_us, int64_t duration_us) {
  const int32_t result = Write(audio_index_, data, size, pts_us, duration_us, true);
  if (result == kTranscodeOk) audio_end_us_ = std::max(audio_end_us_, pts_us + duration_us);
  return result;
}

int32_t FragmentedMp4Muxer::Write(int stream_index, const uint8_t* data, size_t size, int64_t pts_us,
                                  int64_t duration_us, bool key) {
  if (!context_ || stream_index < 0) return kTranscodeMuxerFailed;
  const AVRational time_base = context_->streams[stream_index]->time_base;
  int64_t dts = av_rescale_q(pts_us, kMicroseconds, time_base);
  // Two frames that round to one tick would stop the muxer; the later one moves a tick on.
  int64_t& last = last_dts_[stream_index];
  if (dts <= last) dts = last + 1;
  last = dts;

  AVPacket* packet = av_packet_alloc();
  if (!packet || av_new_packet(packet, static_cast<int>(size)) < 0) {
    av_packet_free(&packet);
    return Failure(AVERROR(ENOMEM), "packet");
  }
  std::memcpy(packet->data, data, size);
  packet->stream_index = stream_index;
  packet->pts = packet->dts = dts;
  packet->duration = std::max<int64_t>(1, av_rescale_q(duration_us, kMicroseconds, time_base));
  if (key) packet->flags |= AV_PKT_FLAG_KEY;
  // The caller hands frames over in timeline order, so no interleaving queue is needed and a
  // finished fragment reaches the file at once.
  int ret = av_write_frame(context_, packet);
  av_packet_free(&packet);
  if (ret >= 0) {
    avio_flush(io_);
    if (write_errno_) ret = AVERROR(write_errno_);
  }
  return ret < 0 ? Failure(ret, "write frame") : kTranscodeOk;
}

int32_t FragmentedMp4Muxer::Finish() {
  if (!context_) return kTranscodeMuxerFailed;
  int ret = av_write_trailer(context_);
  if (ret >= 0) {
    avio_flush(io_);
    if (write_errno_) ret = AVERROR(write_errno_);
  }
  if (ret >= 0 && ::fdatasync(fd_) != 0) ret = AVERROR(errno);
  if (ret < 0) return Failure(ret, "write trailer");
  Close();
  return kTranscodeOk;
}

int64_t FragmentedMp4Muxer::duration_ms() const {
  return (video_index_ >= 0 || video_end_us_ > 0 ? video_end_us_ : audio_end_us_) / 1000;
}

int32_t FragmentedMp4Muxer::Failure(int av_error, const char* what) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(av_error, text, sizeof(text));
  KLOG(1) << "muxer " << what << " failed: " << text << (write_errno_ ? " (output refused bytes)" : "");
  const int32_t result = write_errno_ ? kTranscodeOutputFailed : kTranscodeMuxerFailed;
  Close();
  return result;
}

void FragmentedMp4Muxer::Close() {
  if (context_) {
    avformat_free_context(context_);
    context_ = nullptr;
  }
  if (io_) {
    av_freep(&io_->buffer);
    avio_context_free(&io_);
  }
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

}  // namespace qr_transcoder
