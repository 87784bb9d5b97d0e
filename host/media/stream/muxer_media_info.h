#pragma once

#include <cstdint>

// The host media library's container reader: the properties of a media file (an MP4 or any
// container FFmpeg reads, or our raw streams "<base>.kovtv" / "<base>.kovta"). Keys:
//   "duration"  milliseconds
//   "video"     a dictionary with "width", "height", "fps" (absent without a video stream)
//   "audio"     a dictionary with "sample_rate", "channels" (absent without an audio stream)
// A raw video stream also reports the audio stream beside it. Thread-safe.

struct muxer_param;

// The properties of `path`; null when it cannot be read. Free with muxer_param_free.
muxer_param* muxer_media_info(const char* path);
// An integer property; `def` when absent (or when `param` is null).
int32_t muxer_param_get_int32(const muxer_param* param, const char* key, int32_t def);
// A nested dictionary, owned by `param`; null when absent.
const muxer_param* muxer_param_dict_get(const muxer_param* param, const char* key);
void muxer_param_free(muxer_param* param);
