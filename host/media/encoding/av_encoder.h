#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

struct AVCodecContext;
struct AVFrame;
struct AVPacket;

namespace kvp::av {

// One libavcodec encoder. Frames go in, and each packet that comes out is handed to a sink
// straight away (the engine's encoders are set up not to hold frames back).
class AvEncoder {
 public:
  using Configure = std::function<void(AVCodecContext*)>;
  // Returns kOk or a media error code (media_errors.h); the packet is valid during the call.
  using PacketSink = std::function<int32_t(const AVPacket& packet)>;

  // Null (and *error set) when there is no such encoder or it refuses the settings. `configure`
  // fills the codec context; `options` are libavcodec options (generic and private).
  static std::unique_ptr<AvEncoder> Open(const std::string& codec_name, const Configure& configure,
                                         const std::map<std::string, std::string>& options, std::string* error);
  ~AvEncoder();
  AvEncoder(const AvEncoder&) = delete;
  AvEncoder& operator=(const AvEncoder&) = delete;

  // Encodes `frame` (null drains the encoder) and sinks what comes out. Returns kOk, kErrEncode
  // or the sink's first failure.
  int32_t Encode(const AVFrame* frame, const PacketSink& sink);
  AVCodecContext* context() { return context_; }

 private:
  AvEncoder() = default;

  AVCodecContext* context_ = nullptr;
  AVPacket* packet_ = nullptr;
};

}  // namespace kvp::av
