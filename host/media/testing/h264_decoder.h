#pragma once

#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
}

#include <algorithm>
#include <cstdint>
#include <vector>

namespace kvp::av::testing {

// Decodes access units (Annex-B) one by one with FFmpeg's H.264 decoder, strictly: a unit that
// yields no picture, an error or a concealed picture is a test failure. Each picture comes back
// as its three planes one after the other, `width` x `height`.
inline std::vector<std::vector<uint8_t>> DecodeH264(const std::vector<std::vector<uint8_t>>& units, int width,
                                                    int height) {
  const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
  AVCodecContext* context = avcodec_alloc_context3(codec);
  context->err_recognition = AV_EF_EXPLODE | AV_EF_CRCCHECK | AV_EF_BITSTREAM;
  EXPECT_EQ(0, avcodec_open2(context, codec, nullptr));
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  std::vector<std::vector<uint8_t>> pictures;
  for (const std::vector<uint8_t>& unit : units) {
    av_new_packet(packet, static_cast<int>(unit.size()));
    std::copy(unit.begin(), unit.end(), packet->data);
    EXPECT_EQ(0, avcodec_send_packet(context, packet));
    av_packet_unref(packet);
    while (avcodec_receive_frame(context, frame) == 0) {
      EXPECT_EQ(0, frame->decode_error_flags);
      std::vector<uint8_t> picture;
      for (int plane = 0; plane < 3; ++plane) {
        const int w = plane ? width / 2 : width;
        const int h = plane ? height / 2 : height;
        for (int y = 0; y < h; ++y) {
          const uint8_t* row = frame->data[plane] + y * frame->linesize[plane];
          picture.insert(picture.end(), row, row + w);
        }
      }
      pictures.push_back(std::move(picture));
    }
  }
  avcodec_send_packet(context, nullptr);
  while (avcodec_receive_frame(context, frame) == 0) ADD_FAILURE() << "a picture came out late";
  av_frame_free(&frame);
  av_packet_free(&packet);
  avcodec_free_context(&context);
  return pictures;
}

}  // namespace kvp::av::testing
