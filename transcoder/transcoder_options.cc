#include "transcoder/transcoder_options.h"

#include <charconv>

#include "host/util/file.h"
#include "transcoder/multipart_upload.h"

namespace qr_transcoder {

namespace {

bool ReadNumber(const std::string& text, int64_t min, int64_t* out) {
  int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < min) return false;
  *out = value;
  return true;
}

}  // namespace

std::optional<TranscoderOptions> TranscoderOptions::Parse(const std::vector<std::string>& args, std::string* error) {
  TranscoderOptions options;
  options.settings.local_state_dir = util::file::GetUserDataDirectory() + "transcoder/local-uploads";
  for (const auto& arg : args) {
    const size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    const std::string value = equals == std::string::npos ? "" : arg.substr(equals + 1);
    int64_t number = 0;
    bool ok = true;
    if (name == "--uid") {
      options.uid = value;
    } else if (name == "--log-level") {
      ok = ReadNumber(value, 0, &number);
      options.log_level = static_cast<int>(number);
    } else if (name == "--part-size-mib") {
      ok = ReadNumber(value, UploadPolicy::kMinPartSize >> 20, &number);
      options.settings.upload.part_size = static_cast<uint64_t>(number) << 20;
    } else if (name == "--parallel-parts") {
      ok = ReadNumber(value, 1, &number) && number <= 16;
      options.settings.upload.parallel = static_cast<int>(number);
    } else if (name == "--stall-timeout-ms") {
      ok = ReadNumber(value, 1000, &options.settings.timeouts.stall_ms);
    } else if (name == "--connect-timeout-ms") {
      ok = ReadNumber(value, 1, &options.settings.timeouts.connect_ms);
    } else if (name == "--retries") {
      ok = ReadNumber(value, 0, &number);
      options.settings.upload.retries = static_cast<int>(number);
    } else if (name == "--retry-delay-ms") {
      ok = ReadNumber(value, 0, &options.settings.upload.retry_delay_ms);
    } else if (name == "--state-dir") {
      ok = !value.empty();
      options.settings.local_state_dir = value;
    } else if (name == "--poll-ms") {
      ok = ReadNumber(value, 10, &options.settings.poll_ms);
    } else {
      *error = "unknown option " + arg;
      return std::nullopt;
    }
    if (!ok) {
      *error = "bad value in " + arg;
      return std::nullopt;
    }
  }
  return options;
}

}  // namespace qr_transcoder
