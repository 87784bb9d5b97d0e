// The transcoder's reading of the module's start and upload-authorisation messages: any text is
// either a task (or authorisation) or refused with the problems named.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "host/base/json/json_value.h"
#include "transcoder/record_task_params.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const base::json::JsonValue json = base::json::JsonValue::Parse(text);
  std::string problems;
  if (!qr_transcoder::RecordTaskParams::Parse(json, &problems) && problems.empty()) std::abort();
  problems.clear();
  if (!qr_transcoder::UploadAuth::Parse(json, &problems) && problems.empty()) std::abort();
  return 0;
}
