#include "host/media/encoding/encoder_settings.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "host/base/logging/logger.h"

namespace kvp::av {

namespace {

using base::variant::Variant;

constexpr std::array<std::string_view, 10> kPresets = {"ultrafast", "superfast", "veryfast", "faster", "fast",
                                                       "medium",    "slow",      "slower",   "veryslow", "placebo"};
constexpr std::array<std::string_view, 3> kProfiles = {"baseline", "main", "high"};

template <size_t N>
bool OneOf(const std::array<std::string_view, N>& names, const std::string& value) {
  return std::find(names.begin(), names.end(), value) != names.end();
}

// An integer item given as a number or as decimal text.
bool ReadInteger(const Variant& value, int64_t* out) {
  if (value.IsInteger()) {
    *out = value.AsInt64();
    return true;
  }
  if (value.type() == Variant::Type::kDouble) {
    *out = static_cast<int64_t>(value.AsDouble());
    return true;
  }
  if (!value.IsString()) return false;
  const std::string text = value.AsString();
  size_t used = 0;
  try {
    *out = std::stoll(text, &used);
  } catch (const std::exception&) {
    return false;
  }
  return used == text.size();
}

bool ReadNumber(const Variant& value, double* out) {
  if (value.IsNumber()) {
    *out = value.AsDouble();
    return true;
  }
  int64_t integer = 0;
  if (!ReadInteger(value, &integer)) return false;
  *out = static_cast<double>(integer);
  return true;
}

}  // namespace

EncoderSettings EncoderSettings::FromItems(const std::vector<EncoderConfigItem>& items) {
  EncoderSettings settings;
  for (const auto& [key, value] : items) {
    int64_t integer = 0;
    double number = 0;
    bool used = false;
    if (key == "preset-internal") {
      used = value.IsString() && OneOf(kPresets, value.AsString());
      if (used) settings.preset = value.AsString();
    } else if (key == "crf") {
      used = ReadNumber(value, &number) && number >= 0 && number <= 51;
      if (used) settings.crf = number;
    } else if (key == "cabac") {
      used = ReadInteger(value, &integer) && (integer == 0 || integer == 1);
      if (used) settings.x264_params["cabac"] = std::to_string(integer);
    } else if (key == "profile") {
      used = value.IsString() && OneOf(kProfiles, value.AsString());
      if (used) settings.profile = value.AsString();
    } else if (key == "keyint") {
      used = ReadInteger(value, &integer) && integer >= 1 && integer <= 1000;
      if (used) settings.keyint_frames = static_cast<int32_t>(integer);
    } else if (key == "bitrate") {
      used = ReadInteger(value, &integer) && integer > 0;
      if (used) settings.bitrate_kbps = integer;
    } else if (key == "threads") {
      used = ReadInteger(value, &integer) && integer >= 0 && integer <= 64;
      if (used) settings.threads = static_cast<int32_t>(integer);
    } else if (key == "ref") {
      used = ReadInteger(value, &integer) && integer >= 1 && integer <= 16;
      if (used) settings.x264_params["ref"] = std::to_string(integer);
    } else if (key == "codec-provider") {
      // libx264 is the one H.264 encoder here; another provider's name is noted and passed over.
      used = value.IsString() && (value.AsString() == "x264" || value.AsString() == "libx264");
    }
    if (!used) KLOG(4) << "encoder config item ignored: " << key << "=" << value.ToString();
  }
  return settings;
}

std::map<std::string, std::string> EncoderSettings::ToCodecOptions(int32_t fps) const {
  std::map<std::string, std::string> options;
  options["preset"] = preset;
  options["tune"] = tune;
  options["profile"] = profile;
  if (bitrate_kbps > 0) {
    options["b"] = std::to_string(bitrate_kbps * 1000);
  } else {
    options["crf"] = std::to_string(crf);
  }
  options["g"] = std::to_string(KeyintFrames(fps));
  options["bf"] = "0";
  // A resume starts with an IDR frame, so that each segment of the stream decodes on its own.
  options["forced-idr"] = "1";
  if (threads > 0) options["threads"] = std::to_string(threads);
  std::string params;
  for (const auto& [key, value] : x264_params) params += (params.empty() ? "" : ":") + key + "=" + value;
  if (!params.empty()) options["x264-params"] = params;
  return options;
}

bool EncoderSettings::MayReorderReferences() const {
  return std::find(kPresets.begin(), kPresets.end(), preset) >= kPresets.begin() + 4;  // "fast"
}

int32_t EncoderSettings::KeyintFrames(int32_t fps) const {
  return keyint_frames > 0 ? keyint_frames : std::max(1, 2 * fps);
}

}  // namespace kvp::av
