#include "host/media/ffmpeg_util.h"

extern "C" {
#include <libavdevice/avdevice.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
}

#include <mutex>

namespace kvp::av {

void RegisterFfmpegDevices() {
  static std::once_flag once;
  std::call_once(once, [] {
    avdevice_register_all();
    // FFmpeg's own chatter on stderr is noise to a host application; failures reach our log.
    av_log_set_level(AV_LOG_ERROR);
  });
}

std::string AvErrorText(int error) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(error, text, sizeof(text));
  return text;
}

I420View I420ViewOf(const AVFrame* frame) {
  return {frame->data[0],     frame->data[1],     frame->data[2], frame->linesize[0],
          frame->linesize[1], frame->linesize[2], frame->width,   frame->height};
}

}  // namespace kvp::av
