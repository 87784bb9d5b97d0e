#include "host/media/stream/cover_writer.h"

#include <fcntl.h>
#include <unistd.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "host/base/logging/logger.h"
#include "host/media/encoding/av_encoder.h"
#include "host/media/stream/file_io.h"
#include "host/media/media_errors.h"

namespace kvp::av {

namespace {

// JPEG is full range; our pictures are limited range, so they are converted on the way.
AVFrame* ToFullRange(const AVFrame* picture) {
  AVFrame* full = av_frame_alloc();
  full->format = AV_PIX_FMT_YUVJ420P;
  full->width = picture->width;
  full->height = picture->height;
  SwsContext* context = sws_getContext(picture->width, picture->height, AV_PIX_FMT_YUV420P, picture->width,
                                       picture->height, AV_PIX_FMT_YUVJ420P, SWS_POINT, nullptr, nullptr, nullptr);
  if (!context || av_frame_get_buffer(full, 0) < 0 ||
      sws_scale(context, picture->data, picture->linesize, 0, picture->height, full->data, full->linesize) <= 0) {
    av_frame_free(&full);
  }
  sws_freeContext(context);
  return full;
}

int32_t WriteFileSynced(const std::string& path, const std::vector<uint8_t>& bytes) {
  const std::string temporary = path + ".tmp";
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return kErrFileOpen;
  int error = PwriteAll(fd, bytes.data(), bytes.size(), 0);
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  ::close(fd);
  if (error == 0 && std::rename(temporary.c_str(), path.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temporary.c_str());
    KLOG(1) << "cover " << path << ": " << std::strerror(error);
    return WriteErrorCode(error);
  }
  return kOk;
}

}  // namespace

int32_t WriteJpegCover(const AVFrame* picture, const std::string& path, int64_t* size_bytes) {
  if (!picture || picture->format != AV_PIX_FMT_YUV420P || picture->width <= 0) return kErrNoFrame;
  std::unique_ptr<AVFrame, void (*)(AVFrame*)> full(ToFullRange(picture), [](AVFrame* f) { av_frame_free(&f); });
  if (!full) return kErrEncoderOpen;
  std::string error;
  auto encoder = AvEncoder::Open(
      "mjpeg",
      [&](AVCodecContext* context) {
        context->width = picture->width;
        context->height = picture->height;
        context->pix_fmt = AV_PIX_FMT_YUVJ420P;
        context->time_base = {1, 25};
        context->flags |= AV_CODEC_FLAG_QSCALE;
        context->global_quality = FF_QP2LAMBDA * 3;
      },
      {}, &error);
  if (!encoder) {
    KLOG(1) << "cover encoder: " << error;
    return kErrEncoderOpen;
  }
  std::vector<uint8_t> jpeg;
  const auto keep = [&](const AVPacket& packet) {
    jpeg.insert(jpeg.end(), packet.data, packet.data + packet.size);
    return kOk;
  };
  full->pts = 0;
  full->quality = FF_QP2LAMBDA * 3;
  if (encoder->Encode(full.get(), keep) != kOk || encoder->Encode(nullptr, keep) != kOk || jpeg.empty()) {
    return kErrEncode;
  }
  const int32_t code = WriteFileSynced(path, jpeg);
  if (code == kOk && size_bytes) *size_bytes = static_cast<int64_t>(jpeg.size());
  return code;
}

}  // namespace kvp::av
