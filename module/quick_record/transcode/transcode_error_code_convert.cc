#include "module/quick_record/transcode/transcode_error_code_convert.h"

#include "host/base/logging/logger.h"

namespace quick_record {

int32_t TranscodeErrorCodeConvert(int32_t result) {
  KLOG(6) << "Transcode err code is:" << result;
  switch (result) {
    case 0:
      return 0;
    case -2:
    case -6:
      return -9995;
    case -11:
      return -9994;
    case -16:
      return -9998;
    case -21:
      return -9990;
    default:
      return -9999;
  }
}

}  // namespace quick_record
