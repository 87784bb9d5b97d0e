#include "host/media/stream/muxer_media_info.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <map>
#include <memory>
#include <string>

#include "host/base/logging/logger.h"
#include "host/media/stream/raw_stream_format.h"
#include "host/media/stream/raw_stream_reader.h"

struct muxer_param {
  std::map<std::string, int32_t> values;
  std::map<std::string, std::unique_ptr<muxer_param>> dictionaries;
};

namespace {

using kvp::av::RawStreamKind;
using kvp::av::RawStreamReader;

bool EndsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Adds the "video" or "audio" dictionary of a raw stream; returns its duration in ms or -1.
int64_t AddRawStream(const std::string& path, muxer_param* info) {
  RawStreamReader reader;
  if (!reader.Open(path) || !reader.has_header()) return -1;
  auto stream = std::make_unique<muxer_param>();
  const auto& params = reader.header().params;
  if (reader.header().kind == RawStreamKind::kVideoH264) {
    stream->values = {{"width", static_cast<int32_t>(params[0])},
                      {"height", static_cast<int32_t>(params[1])},
                      {"fps", static_cast<int32_t>(params[2])}};
    info->dictionaries["video"] = std::move(stream);
  } else {
    stream->values = {{"sample_rate", static_cast<int32_t>(params[0])}, {"channels", static_cast<int32_t>(params[1])}};
    info->dictionaries["audio"] = std::move(stream);
  }
  return reader.EndUs() / 1000;
}

muxer_param* RawInfo(const std::string& path) {
  auto info = std::make_unique<muxer_param>();
  const int64_t duration = AddRawStream(path, info.get());
  if (duration < 0) return nullptr;
  if (EndsWith(path, kvp::av::kVideoStreamExtension)) {
    const std::string audio = path.substr(0, path.size() - std::string(kvp::av::kVideoStreamExtension).size()) +
                              kvp::av::kAudioStreamExtension;
    AddRawStream(audio, info.get());
  }
  info->values["duration"] = static_cast<int32_t>(duration);
  return info.release();
}

muxer_param* ContainerInfo(const std::string& path) {
  AVFormatContext* format = nullptr;
  if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return nullptr;
  std::unique_ptr<AVFormatContext, void (*)(AVFormatContext*)> owner(format,
                                                                      [](AVFormatContext* f) { avformat_close_input(&f); });
  if (avformat_find_stream_info(format, nullptr) < 0) return nullptr;
  auto info = std::make_unique<muxer_param>();
  int64_t duration_ms = format->duration != AV_NOPTS_VALUE ? format->duration / 1000 : 0;
  for (unsigned i = 0; i < format->nb_streams; ++i) {
    const AVStream* stream = format->streams[i];
    if (stream->duration != AV_NOPTS_VALUE && format->duration == AV_NOPTS_VALUE) {
      duration_ms = std::max(duration_ms, static_cast<int64_t>(stream->duration * av_q2d(stream->time_base) * 1000));
    }
    const AVCodecParameters* codec = stream->codecpar;
    if (codec->codec_type == AVMEDIA_TYPE_VIDEO && !info->dictionaries.count("video") &&
        !(stream->disposition & AV_DISPOSITION_ATTACHED_PIC)) {
      auto video = std::make_unique<muxer_param>();
      video->values = {{"width", codec->width},
                       {"height", codec->height},
                       {"fps", static_cast<int32_t>(av_q2d(stream->avg_frame_rate) + 0.5)}};
      info->dictionaries["video"] = std::move(video);
    } else if (codec->codec_type == AVMEDIA_TYPE_AUDIO && !info->dictionaries.count("audio")) {
      auto audio = std::make_unique<muxer_param>();
      audio->values = {{"sample_rate", codec->sample_rate}, {"channels", codec->ch_layout.nb_channels}};
      info->dictionaries["audio"] = std::move(audio);
    }
  }
  info->values["duration"] = static_cast<int32_t>(duration_ms);
  return info.release();
}

}  // namespace

muxer_param* muxer_media_info(const char* path) {
  if (!path || !*path) return nullptr;
  const std::string file = path;
  muxer_param* info = EndsWith(file, kvp::av::kVideoStreamExtension) || EndsWith(file, kvp::av::kAudioStreamExtension)
                          ? RawInfo(file)
                          : ContainerInfo(file);
  if (!info) KLOG(4) << "cannot read media info of " << file;
  return info;
}

int32_t muxer_param_get_int32(const muxer_param* param, const char* key, int32_t def) {
  if (!param || !key) return def;
  auto it = param->values.find(key);
  return it == param->values.end() ? def : it->second;
}

const muxer_param* muxer_param_dict_get(const muxer_param* param, const char* key) {
  if (!param || !key) return nullptr;
  auto it = param->dictionaries.find(key);
  return it == param->dictionaries.end() ? nullptr : it->second.get();
}

void muxer_param_free(muxer_param* param) { delete param; }
