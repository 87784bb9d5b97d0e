#pragma once

#include <cstdint>

namespace quick_record {

// The module's code for a "quick_record:transcode_finish" result of the transcode process.
int32_t TranscodeErrorCodeConvert(int32_t result);

}  // namespace quick_record
