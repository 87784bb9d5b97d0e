#include "host/media/encoding/av_encoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/dict.h>
}

#include "host/base/logging/logger.h"
#include "host/media/ffmpeg_util.h"
#include "host/media/media_errors.h"

namespace kvp::av {

std::unique_ptr<AvEncoder> AvEncoder::Open(const std::string& codec_name, const Configure& configure,
                                           const std::map<std::string, std::string>& options, std::string* error) {
  const AVCodec* codec = avcodec_find_encoder_by_name(codec_name.c_str());
  if (!codec) {
    *error = "no encoder " + codec_name;
    return nullptr;
  }
  std::unique_ptr<AvEncoder> encoder(new AvEncoder());
  encoder->context_ = avcodec_alloc_context3(codec);
  configure(encoder->context_);
  AVDictionary* dictionary = nullptr;
  for (const auto& [key, value] : options) av_dict_set(&dictionary, key.c_str(), value.c_str(), 0);
  const int result = avcodec_open2(encoder->context_, codec, &dictionary);
  for (const AVDictionaryEntry* left = nullptr; (left = av_dict_get(dictionary, "", left, AV_DICT_IGNORE_SUFFIX));) {
    KLOG(4) << codec_name << " did not take the option " << left->key << "=" << left->value;
  }
  av_dict_free(&dictionary);
  if (result < 0) {
    *error = codec_name + ": " + AvErrorText(result);
    return nullptr;
  }
  encoder->packet_ = av_packet_alloc();
  return encoder;
}

AvEncoder::~AvEncoder() {
  av_packet_free(&packet_);
  avcodec_free_context(&context_);
}

int32_t AvEncoder::Encode(const AVFrame* frame, const PacketSink& sink) {
  int result = avcodec_send_frame(context_, frame);
  if (result < 0 && result != AVERROR_EOF) {
    KLOG(1) << "encode failed: " << AvErrorText(result);
    return kErrEncode;
  }
  while ((result = avcodec_receive_packet(context_, packet_)) >= 0) {
    const int32_t code = sink(*packet_);
    av_packet_unref(packet_);
    if (code != kOk) return code;
  }
  if (result != AVERROR(EAGAIN) && result != AVERROR_EOF) {
    KLOG(1) << "encode failed: " << AvErrorText(result);
    return kErrEncode;
  }
  return kOk;
}

}  // namespace kvp::av
